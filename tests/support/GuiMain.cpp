// The main() of every GUI test binary: GoogleTest on a widget application on the offscreen
// platform, with the program's font substitutions. Windows closing never quits the application.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "ui/Fonts.h"

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform cannot pass size hints to a window manager and says so for every
// fixed-size window; that is no finding of a test.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support propagateSizeHints"))) return;
    previousHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    // The platform plugin is chosen when the application object is constructed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(QuietHandler);
    // What the program remembers for the user goes to a folder of the run, never to the
    // user's own settings.
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ql50::ui::InstallFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
