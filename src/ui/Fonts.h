// The templates name Windows fonts; they are mapped to fonts that exist here.
#pragma once

namespace ql50::ui {

// Arial -> Liberation Sans (its metric twin); "MS Shell Dlg", "MS Sans Serif" and "Microsoft
// Sans Serif" -> Liberation Sans or DejaVu Sans, whichever is installed, else the desktop's
// sans-serif. Call once after the application object exists, before the first window.
void InstallFontSubstitutions();

}  // namespace ql50::ui
