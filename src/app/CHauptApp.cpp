#include "app/CHauptApp.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/CHauptDialog.h"
#include "app/CommandLine.h"
#include "sim/PtyServer.h"
#include "ui/Fonts.h"
#include "ui/MessageBox.h"

namespace ql50 {
namespace {

// The virtual module inside the program, behind a pseudo-terminal, paced like a 4800-baud line.
struct Simulation {
    explicit Simulation(int type) : server(module) {
        module.SetType(type);
        module.SetLineRate(4800);
    }
    sim::VirtualModule module;
    sim::PtyServer server;
};

// Makes the data folder asked for on the command line, created when missing, the working
// folder, so the program's files (config.ini, protokoll.txt, kalibrierung.txt) and the file
// chooser's first folder are there. False after telling why that failed.
bool EnterDataFolder(const CommandLine& cl) {
    std::string error;
    const std::string folder = DataFolder(
        cl, [](const char* name) { return std::getenv(name); }, error);
    std::error_code ec;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ec);
        if (!ec) std::filesystem::current_path(folder, ec);
        if (ec) error = folder + ": " + ec.message();
    }
    if (error.empty()) return true;
    // config.ini, which holds the language, is out of reach: both languages.
    std::fprintf(stderr, "ql50: %s\n", error.c_str());
    const QString reason = QString::fromLocal8Bit(error.c_str());
    ui::MessageBox(nullptr, QString::fromUtf8("Der Datenordner ist nicht nutzbar: %1\n"
                                              "The data folder cannot be used: %1")
                                .arg(reason));
    return false;
}

}  // namespace

int CHauptApp::Run(int argc, char** argv) {
    const CommandLine cl = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!cl.error.empty()) {
        std::fprintf(stderr, "ql50: %s\n\n%s", cl.error.c_str(), CommandLineHelp().c_str());
        return 2;
    }
    if (cl.help || cl.version) {
        std::fputs(cl.help ? CommandLineHelp().c_str() : "ql50 1.04\n", stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("ql50");
    QApplication::setQuitOnLastWindowClosed(false);
    ui::InstallFontSubstitutions();
    if (!EnterDataFolder(cl)) return 1;

    std::unique_ptr<Simulation> simulation;
    if (cl.simulate) {
        simulation = std::make_unique<Simulation>(cl.simulateType);
        std::string error;
        if (!simulation->server.Start(&error)) {
            ui::MessageBox(nullptr, QString::fromStdString("Virtuelles Messmodul: " + error));
            return 1;
        }
    }
    CHauptDialog dialog;
    // With the virtual module every COM port leads to it, unless mapped otherwise.
    if (simulation)
        for (int n = 1; n <= 16; ++n) dialog.session().MapPort(n, simulation->server.SlavePath());
    for (const auto& [number, device] : cl.ports) dialog.session().MapPort(number, device);
    dialog.DoModal();
    return 0;
}

}  // namespace ql50
