#include "cli/Progress.h"

#include <algorithm>

namespace ql50::cli {
namespace {
constexpr int kBarWidth = 40;
constexpr int kLineStepPercent = 10;

int Percent(int position, int range) {
    return range <= 0 ? 100 : int(std::clamp(position, 0, range) * 100LL / range);
}
}  // namespace

Progress::Progress(std::FILE* out, bool terminal, int range)
    : out_(out), terminal_(terminal), range_(range) {}

std::string Progress::BarText(int position, int range, int width) {
    const int percent = Percent(position, range);
    const int filled = percent * width / 100;
    char tail[48];
    std::snprintf(tail, sizeof tail, "] %3d%% %d/%d", percent, std::clamp(position, 0, range),
                  range);
    return "[" + std::string(std::size_t(filled), '#') +
           std::string(std::size_t(width - filled), ' ') + tail;
}

void Progress::Set(int position) {
    const int percent = Percent(position, range_);
    if (terminal_) {
        if (percent == shownPercent_) return;
        std::fprintf(out_, "\r%s", BarText(position, range_, kBarWidth).c_str());
    } else {
        if (shownPercent_ >= 0 && percent / kLineStepPercent == shownPercent_ / kLineStepPercent)
            return;
        std::fprintf(out_, "logger-dump: %d%%\n", percent / kLineStepPercent * kLineStepPercent);
    }
    shownPercent_ = percent;
    std::fflush(out_);
}

void Progress::Finish() {
    if (terminal_ && shownPercent_ >= 0) std::fputc('\n', out_);
    std::fflush(out_);
}

}  // namespace ql50::cli
