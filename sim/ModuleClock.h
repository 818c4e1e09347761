#pragma once
// The module's real-time clock. It runs at the pace of its time source with an offset that
// setting the clock changes. Its readings are civil date and time without a time zone: the
// module only knows the wall-clock time someone set it to.
#include <chrono>
#include <cstdint>

#include "sim/TimeSource.h"

namespace ql50::sim {

struct CivilTime {
    int year = 2000;
    unsigned month = 1;  // 1..12
    unsigned day = 1;    // 1..31
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
};

class ModuleClock {
public:
    // Starts at the local time of the machine, as a module set from the PC would.
    explicit ModuleClock(TimeSource source);

    // The module's time as seconds on a civil time line (1970-01-01 00:00:00 = 0).
    std::chrono::sys_seconds Now() const;
    CivilTime NowCivil() const;

    // Setting the time of day keeps the date and vice versa, which is why the program sets
    // the time first and the date afterwards. Invalid fields leave the clock unchanged.
    bool SetTimeOfDay(unsigned hour, unsigned minute, unsigned second);
    bool SetDate(int year, unsigned month, unsigned day);
    void Set(std::chrono::sys_seconds moduleTime);

    static CivilTime ToCivil(std::chrono::sys_seconds t);

private:
    std::chrono::sys_seconds SourceNow() const;

    TimeSource source_;
    std::chrono::seconds offset_{0};
};

}  // namespace ql50::sim
