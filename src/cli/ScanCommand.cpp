#include "cli/ScanCommand.h"

#include <unistd.h>

#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "cli/Progress.h"
#include "cli/StandardStreams.h"
#include "cli/StopSignals.h"
#include "link/Format.h"
#include "operations/Discovery.h"
#include "sim/PtyServer.h"
#include "tables/Cp1252.h"
#include "tables/Meldungen.h"
#include "tables/MessTypen.h"
#include "tables/Texte.h"

namespace ql50::cli {
namespace {

std::string TypeName(int type, int language) {
    return type < 0
               ? std::string()
               : Cp1252ToUtf8(kMessTypen[std::size_t(type)].name[std::size_t(language)].data());
}

std::string Lines(const std::vector<FoundModule>& modules, int language) {
    std::string out;
    for (const FoundModule& m : modules) {
        out += m.port.path + '\t' + (m.port.id.empty() ? "-" : m.port.id) + '\t' +
               std::to_string(m.baud) + '\t' + std::to_string(m.address) + '\t' +
               (m.type < 0 ? "-" : std::to_string(m.type)) + '\t' +
               (m.type < 0 ? "-" : TypeName(m.type, language)) + '\n';
    }
    return out;
}

std::string JsonArray(const std::vector<FoundModule>& modules, int language) {
    std::string out = "[";
    for (const FoundModule& m : modules) {
        out += std::string(out.size() > 1 ? "," : "") +
               "\n  {\"device\": " + JsonString(m.port.path) +
               ", \"id\": " + (m.port.id.empty() ? "null" : JsonString(m.port.id)) +
               ", \"baud\": " + std::to_string(m.baud) +
               ", \"address\": " + std::to_string(m.address) +
               ", \"type\": " + (m.type < 0 ? "null" : std::to_string(m.type)) +
               ", \"typeName\": " + (m.type < 0 ? "null" : JsonString(TypeName(m.type, language))) +
               "}";
    }
    return out + (modules.empty() ? "]\n" : "\n]\n");
}

// Why a device was left out, on standard error; a missing permission says how to get it.
void ReportSkipped(const SkippedDevice& s, int language) {
    const std::string reason =
        s.failure == OpenFailure::InUse ? "port in use by another program" : s.reason;
    std::fprintf(stderr, "ql50-cli: %s: %s; not probed\n", s.port.path.c_str(), reason.c_str());
    if (s.failure == OpenFailure::NoAccess)
        std::fprintf(stderr, "%s\n",
                     Cp1252ToUtf8(Tx(kMeldungen.keineBerechtigung, language)).c_str());
}

}  // namespace

int RunScan(const CliOptions& options, int language) {
    StopSignals stop;
    std::unique_ptr<sim::VirtualModule> module;
    std::optional<sim::PtyServer> server;
    std::vector<SerialDevice> devices;
    if (options.simulate) {
        module = std::make_unique<sim::VirtualModule>();
        module->SetType(options.simulateType);
        module->SetLineRate(4800);
        std::string error;
        if (!server.emplace(*module).Start(&error)) {
            std::fprintf(stderr, "ql50-cli: virtual module: %s\n", error.c_str());
            return kExitPort;
        }
        devices = DescribeDevices({server->SlavePath()});
    } else {
        devices = options.devices.empty() ? ListSerialDevices() : DescribeDevices(options.devices);
    }
    if (devices.empty()) {
        std::fputs("ql50-cli: no serial devices found\n", stderr);
        return kExitNoAnswer;
    }
    ScanOptions scan;
    scan.bus = options.bus;
    if (options.baud) scan.rates = {*options.baud};
    std::unique_ptr<Progress> bar;
    const ScanResult result = ScanPorts(devices, scan, [&](const ScanStep& step) {
        if (!bar && ::isatty(STDERR_FILENO) == 1)
            bar = std::make_unique<Progress>(stderr, true, step.total);
        if (bar) bar->Set(step.done);
        return !stop.Requested();
    });
    if (bar) bar->Finish();
    for (const SkippedDevice& s : result.skipped) ReportSkipped(s, language);
    if (result.cancelled) std::fputs("ql50-cli: scan interrupted\n", stderr);
    const std::string out =
        options.json ? JsonArray(result.modules, language) : Lines(result.modules, language);
    if (!WriteStandardOutput(out)) {
        std::fprintf(stderr, "ql50-cli: standard output: %s\n", std::strerror(errno));
        return kExitFailure;
    }
    if (!result.modules.empty()) return kExitOk;
    if (result.skipped.size() == devices.size()) return kExitPort;
    if (!result.cancelled) std::fputs("ql50-cli: no module answered\n", stderr);
    return kExitNoAnswer;
}

}  // namespace ql50::cli
