// Dialog units: positions in a template scale with the template's font, a quarter of the
// average character width horizontally and an eighth of the line height vertically.
#pragma once

#include <QFont>
#include <QRect>

namespace ql50::ui {

struct DialogUnits {
    int baseX;  // average character width in pixels
    int baseY;  // line height in pixels
};

// The template font at the pixel size a 96-dpi-style screen gives the point size, rounded to
// whole pixels as the templates were laid out for.
QFont TemplateFont(const char* family, int pointSize);

// Average width of "A".."Z" and "a".."z", rounded up from half a pixel, and the line height.
DialogUnits BaseUnits(const QFont& font);

// Dialog units to pixels, each coordinate rounded to the nearest pixel.
QRect MapDialogRect(const DialogUnits& units, int x, int y, int w, int h);

}  // namespace ql50::ui
