// Debian's mosquitto broker for a test or a benchmark: on a free loopback port, with its
// persistence in the given folder (so a restart keeps subscriptions and queued messages), for
// at most `lifeSeconds` and never beyond the test's own life.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <fstream>
#include <string>

#include "support/ChildProcess.h"
#include "support/Wait.h"

namespace ql50::test {

class Broker {
public:
    explicit Broker(std::string folder, int lifeSeconds = 600)
        : folder_(std::move(folder)), life_(lifeSeconds) {}

    // Picks a free port the first time; a restart keeps it. False when mosquitto does not
    // accept connections within the wait limit.
    bool Start() {
        if (port_ == 0) port_ = FreePort();
        std::ofstream(folder_ + "/mosquitto.conf")
            << "listener " << port_ << " 127.0.0.1\nallow_anonymous true\npersistence true\n"
            << "persistence_location " << folder_ << "/\n";
        const std::string log = folder_ + "/mosquitto.log";
        return process_.Start({"timeout", std::to_string(life_), "mosquitto", "-c",
                               folder_ + "/mosquitto.conf"},
                              log, log) &&
               Eventually([this] { return Accepts(); });
    }
    // Ends it as an operator would (it saves its persistence first).
    void Stop() { process_.Stop(SIGTERM); }
    int Port() const { return port_; }

private:
    bool Accepts() const {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = Loopback(port_);
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        close(fd);
        return ok;
    }
    static sockaddr_in Loopback(int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(std::uint16_t(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return a;
    }
    static int FreePort() {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = Loopback(0);
        socklen_t size = sizeof a;
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
        close(fd);
        return ntohs(a.sin_port);
    }

    std::string folder_;
    int life_;
    int port_ = 0;
    ChildProcess process_;
};

}  // namespace ql50::test
