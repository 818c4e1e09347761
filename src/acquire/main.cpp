// ql50d: the unattended acquisition service. Polls the configured modules, keeps every reading
// in its store and publishes them to an MQTT broker.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <vector>

#include "acquire/Config.h"
#include "acquire/Service.h"

namespace {

using namespace ql50::acquire;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr const char* kDefaultConfig = "/etc/ql50/ql50d.conf";

struct Options {
    std::string config = kDefaultConfig;
    bool configGiven = false;
    std::string store;
    std::optional<int> simulate;
    bool print = false, check = false, help = false, version = false;
    std::string error;
};

const char* const kHelp =
    "Usage: ql50d [--config FILE] [--store PATH] [--print] [--check]\n"
    "       ql50d --simulate[=TYPE] [--store PATH]\n"
    "\n"
    "Polls QL50 measuring modules unattended: every module of the configuration at its\n"
    "period, several modules of one line (a bus) in turn, every line on its own. Each\n"
    "reading is committed to the store (SQLite) before anything else happens with it, and\n"
    "published as JSON to an MQTT broker when the configuration has an [mqtt] section;\n"
    "readings the broker has not acknowledged wait in the store and follow in order. When a\n"
    "module answers again after a minute or more, the gap is filled from its data logger\n"
    "(source \"logger\"). Stops on SIGTERM or SIGINT with every reading stored.\n"
    "\n"
    "Options:\n"
    "  --config FILE        the configuration (default /etc/ql50/ql50d.conf)\n"
    "  --store PATH         the store file instead of the configuration's [store] path\n"
    "  --print              print every stored reading as a line of JSON\n"
    "  --check              check the configuration and exit\n"
    "  --simulate[=TYPE]    run without configuration on a built-in virtual module of type\n"
    "                       0..7 (default 7, oxygen), module name \"sim\", period 2 s; the\n"
    "                       store is a temporary file unless --store names one; implies\n"
    "                       --print\n"
    "  --help               show this text\n"
    "  --version            show the version\n"
    "\n"
    "The configuration (an INI file):\n"
    "  [store]\n"
    "  path = /var/lib/ql50/readings.db\n"
    "  [mqtt]                          optional: no section, no publishing\n"
    "  host = localhost                port = 1883, prefix = ql50, client_id = ...,\n"
    "                                  credentials = FILE (user, password: two lines),\n"
    "                                  ca_file = FILE (TLS), keepalive = 30\n"
    "  [module tank1]                  one section per module\n"
    "  port = /dev/ttyUSB0             or simulate, or simulate=TYPE\n"
    "  address = 1                     0..31; modules on one line need their own, 1..31\n"
    "  baud = 4800\n"
    "  period = 2                      seconds between poll cycles\n"
    "\n"
    "Topics: <prefix>/<module>/reading (JSON, QoS 1), <prefix>/<module>/status (retained:\n"
    "online, no reply since TIME, line lost since TIME), <prefix>/service/<client_id>\n"
    "(retained: online; offline as the last will).\n"
    "\n"
    "Exit status: 0 stopped by a signal, 1 the store or MQTT cannot be set up or written,\n"
    "2 usage error or a bad configuration (the message names the file, line and key).\n";

Options ParseOptions(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size() && o.error.empty(); ++i) {
        const std::string& a = args[i];
        const auto value = [&](const std::string& name) -> std::optional<std::string> {
            if (a.rfind(name + "=", 0) == 0) return a.substr(name.size() + 1);
            if (a == name && i + 1 < args.size()) return args[++i];
            if (a == name) o.error = name + " needs a value";
            return std::nullopt;
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--print") {
            o.print = true;
        } else if (a == "--check") {
            o.check = true;
        } else if (a == "--simulate") {
            o.simulate = 7;
        } else if (a.rfind("--simulate=", 0) == 0) {
            const std::string t = a.substr(11);
            if (t.size() != 1 || t[0] < '0' || t[0] > '7')
                o.error = "--simulate takes a measurement type 0..7: " + a;
            else
                o.simulate = t[0] - '0';
        } else if (a == "--config" || a.rfind("--config=", 0) == 0) {
            if (auto v = value("--config")) o.config = *v, o.configGiven = true;
        } else if (a == "--store" || a.rfind("--store=", 0) == 0) {
            if (auto v = value("--store")) o.store = *v;
        } else {
            o.error = "unknown argument: " + a;
        }
    }
    if (o.error.empty() && o.simulate && o.configGiven)
        o.error = "--simulate runs without a configuration: it excludes --config";
    return o;
}

Config SimulatedConfig(int type) {
    Config config;
    ModuleConfig module;
    module.name = "sim";
    module.simulateType = type;
    config.modules.push_back(module);
    return config;
}

// SIGTERM and SIGINT end the event loop: blocked in every thread and read from a signalfd.
int StopSignalDescriptor() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        std::fprintf(stderr, "ql50d: %s\nTry 'ql50d --help'.\n", options.error.c_str());
        return kExitUsage;
    }
    if (options.help || options.version) {
        std::fputs(options.help ? kHelp : "ql50d 1.04\n", stdout);
        return 0;
    }
    Config config;
    if (options.simulate) {
        config = SimulatedConfig(*options.simulate);
    } else {
        ConfigResult loaded = LoadConfig(options.config);
        if (loaded.error) {
            std::fprintf(stderr, "ql50d: %s\n", loaded.error->Text().c_str());
            return kExitUsage;
        }
        config = std::move(loaded.config);
    }
    if (options.check) {
        std::printf("%s: %zu modules\n", options.config.c_str(), config.modules.size());
        return 0;
    }
    const int stopFd = StopSignalDescriptor();
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;  // the store of --simulate without --store
    if (!options.store.empty())
        config.storePath = options.store;
    else if (options.simulate)
        config.storePath = scratch.filePath("readings.db").toStdString();

    Service service(config, ServiceOptions{options.print || options.simulate.has_value()});
    if (!service.Start()) return kExitFailure;
    QSocketNotifier stop(stopFd, QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [&] { app.exit(0); });
    QObject::connect(&service, &Service::failed, &app, [&] { app.exit(kExitFailure); });
    const int status = app.exec();
    service.Stop();
    std::fprintf(stderr, "ql50d: stopped: %lld readings stored",
                 static_cast<long long>(service.storedReadings()));
    if (service.acknowledgedReadings() > 0)
        std::fprintf(stderr,
                     ", %lld acknowledged by the broker; poll to acknowledgement p50 %.1f ms, "
                     "p99 %.1f ms",
                     static_cast<long long>(service.acknowledgedReadings()),
                     service.LatencyQuantileMs(0.5), service.LatencyQuantileMs(0.99));
    std::fputs("\n", stderr);
    ::close(stopFd);
    return status;
}
