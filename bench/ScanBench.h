#pragma once
// A search for the module where nothing answers: every probe waits out its reply time, so this
// is the longest a search of that many lines takes.
namespace ql50::bench {

struct ScanRun {
    double seconds = 0.0;
    int probes = 0;     // lines x rates
    int found = 0;      // modules found (0 expected)
    double waitMs = 0;  // the longest reply wait of one probe
};

// Searches `lines` pseudo-terminals, each with a silent virtual module behind it, at every rate
// a search tries. Needs a QCoreApplication.
ScanRun SilentScan(int lines);

}  // namespace ql50::bench
