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
#include "support/Files.h"
#include "support/Robot.h"
#include "ui/Controls.h"

namespace ql50::test {

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
    // The requests the window sent to a scripted module since the last call.
    std::vector<Frame> NewRequests(PtyPeer& peer) {
        return requestLog_.New(window->session().conversation(), peer);
    }

    std::unique_ptr<CHauptDialog> window;
    Robot robot;

private:
    TempDir dir_;
    RequestLog requestLog_;
};

}  // namespace ql50::test
