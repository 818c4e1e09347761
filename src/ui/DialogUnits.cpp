#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace ql50::ui {
namespace {

// a * b / c rounded half away from zero, as the framework scales dialog units.
int MulDiv(int a, int b, int c) {
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

double LogicalDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
}

}  // namespace

QFont TemplateFont(const char* family, int pointSize) {
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pointSize * LogicalDpiY() / 72))));
    return font;
}

DialogUnits BaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(alphabetWidth / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const DialogUnits& units, int x, int y, int w, int h) {
    return {MulDiv(x, units.baseX, 4), MulDiv(y, units.baseY, 8), MulDiv(w, units.baseX, 4),
            MulDiv(h, units.baseY, 8)};
}

}  // namespace ql50::ui
