#pragma once
// A window described as a table of controls, the way a dialog template
// does: the toolkit adapter builds the widgets from it. Captions are UTF-8
// (source text); the adapter turns them into widget text.

#include <string>
#include <utility>
#include <vector>

namespace dialog {

enum class ControlKind {
    Label,         // static text
    Picture,       // static area drawn by the program (lamps)
    Edit,          // single-line edit
    MultiLineEdit, // plain multi-line edit, CR LF line breaks
    RichView,      // coloured text view, editable by the user
    DropList,      // drop-down list, no free text
    ComboBox,      // drop-down list with an edit: its text is the edit's
    CheckBox,
    RadioButton,
    GroupBox,
    Button,
    OwnerDrawButton, // drawn by the program
    HorizontalRule,  // thin black line
    Frame,           // sunken frame around an area
    Icon,            // the program's icon, at the rectangle's size
};

/// Style bits.
namespace style {
inline constexpr unsigned ReadOnly = 1u << 0;
inline constexpr unsigned Disabled = 1u << 1;
inline constexpr unsigned Hidden = 1u << 2;
inline constexpr unsigned Group = 1u << 3;   // first radio of a group
inline constexpr unsigned Number = 1u << 4;  // digits only
inline constexpr unsigned Default = 1u << 5; // default push button
inline constexpr unsigned VScroll = 1u << 6;
inline constexpr unsigned AlignRight = 1u << 7;
inline constexpr unsigned Centre = 1u << 8;
inline constexpr unsigned Compact = 1u << 9; // a font one pixel smaller, for rows with little room
// A multi-line edit the program fills with what arrives: shown like a
// receive view, which keeps long texts cheaply.
inline constexpr unsigned Log = 1u << 10;
} // namespace style

/// Id of a label that the logic never addresses.
inline constexpr int kStaticId = -1;

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect&) const = default;
};

struct ControlTemplate {
    int id = kStaticId;
    ControlKind kind = ControlKind::Label;
    std::string caption; // UTF-8
    Rect rect;           // pixels in the client area
    unsigned styles = 0;
    std::vector<std::string> items; // lists: the template's items, UTF-8
    std::string accessibleName;     // edits, lists, pictures: their label's caption, or a name of their own
    int label = -1;                 // position in the table of the label that names it; -1: none
};

/// An entry of the window's menu (offered in the context menu on Linux).
struct MenuEntry {
    int command = 0;
    std::string caption; // UTF-8, with & before the access key
    // Shows a check mark, which the logic sets (ControlSurface::setMenuCheck);
    // choosing the entry only reaches onMenuCommand. Starts unchecked.
    bool checkable = false;
};

struct WindowTemplate {
    std::string title; // UTF-8
    int width = 0;     // client area, pixels
    int height = 0;
    bool minimizeBox = true;
    bool maximizeBox = true;
    std::vector<ControlTemplate> controls;
    std::vector<MenuEntry> menu;

    const ControlTemplate* find(int id) const;

    /// A small modal box of a fixed size: no minimize or maximize box.
    static WindowTemplate fixedDialog(std::string title, int width, int height)
    {
        WindowTemplate t;
        t.title = std::move(title);
        t.width = width;
        t.height = height;
        t.minimizeBox = false;
        t.maximizeBox = false;
        return t;
    }
};

} // namespace dialog
