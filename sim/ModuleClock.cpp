#include "sim/ModuleClock.h"

#include <ctime>

namespace ql50::sim {

using std::chrono::seconds;
using std::chrono::sys_days;
using std::chrono::sys_seconds;

namespace {

seconds LocalUtcOffset(std::chrono::system_clock::time_point at) {
    const std::time_t t = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return seconds{0};
    return seconds{local.tm_gmtoff};
}

}  // namespace

ModuleClock::ModuleClock(TimeSource source)
    : source_(source ? std::move(source) : TimeSource{SystemTime}) {
    offset_ = LocalUtcOffset(source_());
}

sys_seconds ModuleClock::SourceNow() const {
    return std::chrono::floor<seconds>(source_());
}

sys_seconds ModuleClock::Now() const {
    return SourceNow() + offset_;
}

CivilTime ModuleClock::NowCivil() const {
    return ToCivil(Now());
}

CivilTime ModuleClock::ToCivil(sys_seconds t) {
    const auto day = std::chrono::floor<std::chrono::days>(t);
    const std::chrono::year_month_day ymd{day};
    const std::chrono::hh_mm_ss hms{t - day};
    return CivilTime{int(ymd.year()),
                     unsigned(ymd.month()),
                     unsigned(ymd.day()),
                     unsigned(hms.hours().count()),
                     unsigned(hms.minutes().count()),
                     unsigned(hms.seconds().count())};
}

void ModuleClock::Set(sys_seconds moduleTime) {
    offset_ = moduleTime - SourceNow();
}

bool ModuleClock::SetTimeOfDay(unsigned hour, unsigned minute, unsigned second) {
    if (hour > 23 || minute > 59 || second > 59) return false;
    const auto day = std::chrono::floor<std::chrono::days>(Now());
    Set(day + std::chrono::hours{hour} + std::chrono::minutes{minute} + seconds{second});
    return true;
}

bool ModuleClock::SetDate(int year, unsigned month, unsigned day) {
    const std::chrono::year_month_day ymd{std::chrono::year{year}, std::chrono::month{month},
                                          std::chrono::day{day}};
    if (!ymd.ok()) return false;
    const sys_seconds now = Now();
    const auto timeOfDay = now - std::chrono::floor<std::chrono::days>(now);
    Set(sys_days{ymd} + timeOfDay);
    return true;
}

}  // namespace ql50::sim
