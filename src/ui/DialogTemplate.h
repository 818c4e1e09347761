// Dialog templates: the windows of the program are tables of controls placed in dialog units,
// so a window reads like its layout and the code that fills it names controls by number.
#pragma once

#include <span>

namespace ql50::ui {

// The kinds of control the program's windows use.
enum class Ctl {
    Static,        // left-aligned text, wraps at word boundaries
    StaticRight,   // right-aligned text
    StaticCenter,  // centred text
    Button,        // push button
    DefButton,     // default push button (Enter clicks it)
    Edit,          // one-line text field with a border
    GroupBox,      // titled frame drawn behind the controls it surrounds
    Radio,         // auto radio button; kGroup starts a new exclusive group
    Check,         // auto check box
    Combo,         // drop-down list; template text: entries separated by '\n'
    ListBox,       // list; template text: entries separated by '\n'
    Progress,      // progress bar without text
    UpDown,        // up-down arrows (spinner) without a text field of its own
    TimePicker,    // time of day with up-down arrows
    DatePicker,    // date with a drop-down calendar
    Icon,          // picture; the dialog sets it with CDialog::SetItemIcon
};

// Control style flags (combine with |).
inline constexpr unsigned kGroup = 1u << 0;     // starts a group (radio buttons: a new group)
inline constexpr unsigned kDisabled = 1u << 1;  // created disabled
inline constexpr unsigned kHidden = 1u << 2;    // created hidden
inline constexpr unsigned kReadOnly = 1u << 3;  // edit: read-only
inline constexpr unsigned kDigits = 1u << 4;    // edit: accepts digits only
inline constexpr unsigned kSunken = 1u << 5;    // static: sunken frame

// Dialog style flags.
inline constexpr unsigned kMinimizeBox = 1u << 0;  // title bar offers minimising
inline constexpr unsigned kNoCaption = 1u << 1;    // no title bar and no frame
inline constexpr unsigned kScreenPos = 1u << 2;    // placed at x, y on the screen (dialog units)

struct ControlTemplate {
    int id;  // -1: a control that code never addresses (several allowed)
    Ctl kind;
    const char* text;  // UTF-8
    int x, y, w, h;    // dialog units
    unsigned style = 0;
};

struct DialogTemplate {
    int id;
    const char* caption;  // UTF-8
    int w, h;             // client area in dialog units
    const char* font;     // family; Windows names are substituted at start-up
    int pointSize;
    std::span<const ControlTemplate> controls;
    unsigned style = 0;
    int x = 0, y = 0;  // only with kScreenPos
};

}  // namespace ql50::ui
