// Test runner for the dialog layer: a widget application on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/Fonts.h"

int main(int argc, char** argv) {
    // Before the application object exists: the platform plugin is chosen in its constructor.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ql50::ui::InstallFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
