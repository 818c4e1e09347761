#pragma once
// The progress of a logger read-out on standard error: a bar redrawn in place on a terminal,
// otherwise a plain line at every tenth of the way (a log file gets no control characters).
#include <cstdio>
#include <string>

namespace ql50::cli {

class Progress {
public:
    Progress(std::FILE* out, bool terminal, int range);
    void Set(int position);
    // Ends the bar's line (a terminal) or writes the last line.
    void Finish();

    // The bar line without its leading carriage return, e.g. "[#####     ]  50% 100/200".
    static std::string BarText(int position, int range, int width);

private:
    std::FILE* out_;
    bool terminal_;
    int range_;
    int shownPercent_ = -1;
};

}  // namespace ql50::cli
