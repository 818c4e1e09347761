#pragma once
// Runs a virtual module (or a VirtualBus of several) behind a pseudo-terminal, so the program (or
// any serial client) can open the terminal's slave side like a serial port. One thread waits on the
// master side and on a wake-up event, feeds every received byte to the module and writes its
// replies, with the module's reply delay and line-rate pacing. It never spins: it sleeps in poll()
// until a byte arrives, a paced byte is due, the terminal can take more output, or it is woken.
#include <atomic>
#include <string>
#include <thread>

#include "sim/LineResponder.h"
#include "sim/VirtualModule.h"

namespace ql50::sim {

class PtyServer {
public:
    // The module (or bus) must outlive the server.
    explicit PtyServer(LineResponder& module);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Opens the pseudo-terminal and starts serving. On failure returns false with the reason
    // in `error` (if given). A server starts once.
    bool Start(std::string* error);
    // Stops serving and returns promptly, also in the middle of a long paced stream; the
    // terminal stays open (a client sees silence, not a hang-up).
    void Stop();
    // Stops serving and closes the terminal, so a client sees the line hang up.
    void HangUp();

    // The path a client opens, e.g. /dev/pts/3; empty before Start.
    std::string SlavePath() const { return slavePath_; }

private:
    void Run();
    void Wake();
    void CloseTerminal();

    LineResponder& module_;
    int master_ = -1;
    // The server's own slave descriptor: a pseudo-terminal master reports a hang-up whenever
    // no slave is open, so one stays open between the client's uses.
    int slave_ = -1;
    int wakeFd_ = -1;
    std::string slavePath_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace ql50::sim
