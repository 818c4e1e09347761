#pragma once
// The real main window on a temporary working folder, talking to a scripted module or to the
// virtual module over a pseudo-terminal; a robot answers its modal windows.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <filesystem>
#include <memory>

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
        if (!device.empty()) window->conversation().MapPort(1, device);
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

    std::unique_ptr<CHauptDialog> window;
    Robot robot;

private:
    TempDir dir_;
};

}  // namespace ql50::test
