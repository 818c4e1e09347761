#pragma once
// The real main window on a temporary working folder, talking to a scripted module or to the
// virtual module over a pseudo-terminal; a robot answers its modal windows, and the requests
// sent to a scripted module are read in portions.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <filesystem>
#include <memory>

#include "RequestLog.h"
#include "app/CHauptDialog.h"
#include "formats/LoggerRecords.h"
#include "sim/PtyServer.h"
#include "sim/VirtualModule.h"
#include "support/Files.h"
#include "support/Robot.h"
#include "ui/Controls.h"

namespace ql50::test {

// The virtual module behind a fixed device path (a symbolic link to its pseudo-terminal): a
// hang-up and a new terminal behind the same path are an adapter unplugged and plugged in again.
class VirtualLine {
public:
    explicit VirtualLine(std::string device, sim::TimeSource time = sim::SystemTime)
        : module(std::move(time)), device_(std::move(device)) {
        Plug();
    }
    void HangUp() { server_->HangUp(); }
    void Plug() {
        server_ = std::make_unique<sim::PtyServer>(module);
        std::string error;
        ASSERT_TRUE(server_->Start(&error)) << error;
        std::filesystem::remove(device_);
        std::filesystem::create_symlink(server_->SlavePath(), device_);
    }
    const std::string& device() const { return device_; }

    sim::VirtualModule module;

private:
    std::string device_;
    std::unique_ptr<sim::PtyServer> server_;
};

// The export file of the module's whole logger.
inline std::string LoggerExport(sim::VirtualModule& module) {
    const std::vector<std::uint8_t> bytes = module.LoggerBytes();
    std::string text = LoggerExportHeader();
    for (std::size_t at = 0; at + kLoggerRecordSize <= bytes.size(); at += kLoggerRecordSize) {
        LoggerRecord record;
        std::copy_n(bytes.begin() + long(at), kLoggerRecordSize, record.begin());
        text += LoggerRecordLine(record);
    }
    return text;
}

class MainWindowTest : public ::testing::Test {
protected:
    ~MainWindowTest() override {
        if (window) {
            window->measuring = false;
            window->DestroyWindow();
            window.reset();
        }
    }

    std::string File(const std::string& name) const { return dir_.File(name); }
    const std::string& Dir() const { return dir_.Path(); }

    // Opens the main window modeless on the virtual module (`line`) of this type.
    void OpenOnVirtualModule(int type = 7, sim::TimeSource time = sim::SystemTime) {
        line = std::make_unique<VirtualLine>(File("ttyQL50"), std::move(time));
        line->module.SetType(type);
        Open(line->device());
    }
    // Opens the main window modeless; COM1 leads to `device` when given.
    void Open(const std::string& device = {}) {
        window = std::make_unique<CHauptDialog>(QString::fromStdString(Dir()));
        if (!device.empty()) window->session().MapPort(1, device);
        window->Create();
    }
    QAbstractButton* Button(int id) const {
        return dynamic_cast<QAbstractButton*>(window->Item(id));
    }
    QString Text(int id) const { return ui::ControlText(window->Item(id)); }
    bool Enabled(int id) const { return window->Item(id)->isEnabled(); }
    // A click as by the user; returns when the button's handler has returned.
    void Click(int id) { Button(id)->click(); }
    // Gives the window a recording file and interval without the dialogs.
    void UseRecordingFile(const std::string& name, int seconds) {
        ASSERT_TRUE(window->recordingFile.Create(File(name)));
        window->settings.hours = 0;
        window->settings.minutes = 0;
        window->settings.seconds = seconds;
        window->EnableItem(kIdMessung, true);
    }
    // Waits until a whole poll has run from now on: two ends of the poll chain, the first may
    // belong to a poll begun before.
    void AwaitWholePoll() {
        int ends = 0;
        const auto counter =
            QObject::connect(&window->session(), &Session::refreshDisplay, [&] { ++ends; });
        EXPECT_TRUE(WaitUntil([&] { return ends >= 2; }));
        QObject::disconnect(counter);
    }
    // The requests the window sent to a scripted module since the last call.
    std::vector<Frame> NewRequests(PtyPeer& peer) {
        return requestLog_.New(window->session().conversation(), peer);
    }

    std::unique_ptr<VirtualLine> line;  // declared before the window: it outlives it
    std::unique_ptr<CHauptDialog> window;
    Robot robot;

private:
    TempDir dir_;
    RequestLog requestLog_;
};

}  // namespace ql50::test
