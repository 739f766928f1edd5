#pragma once
// The window as the dialog logic sees it: controls addressed by their
// template ids. Texts crossing this surface are GBK bytes; multi-line
// edits and the rich view use CR LF for line breaks.

#include "dialog/WindowTemplate.h"

#include <cstdint>
#include <optional>
#include <string>

namespace dialog {

class DialogLogic;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

enum class Notification {
    Clicked,          // buttons, check boxes, radio buttons
    SelectionChanged, // lists, by the user
    TextEdited,       // edits, by the user (not by setText)
    DroppedDown,      // lists, the user opens the list, before it shows
};

enum class MessageIcon { None, Information, Warning, Stop, Question };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

/// A standard file dialog. The filter is in the "name|pattern|name|pattern||"
/// form ("文本文件(*.txt)|*.txt||"); texts are GBK.
struct FileDialogOptions {
    std::string title; // empty: the toolkit's default title
    std::string filter;
    std::string defaultExt; // ".txt": added when the typed name has none
    std::string initialName;
    std::string initialFolder;    // empty: where the toolkit likes to start
    bool overwritePrompt = false; // save-as: confirm replacing a file
};

class ControlSurface {
public:
    virtual ~ControlSurface() = default;

    // Text of edits, statics, buttons; a list's selected item text.
    virtual std::string text(int id) const = 0;
    virtual void setText(int id, const std::string& gbk) = 0;
    // 0 unchecked, 1 checked, 2 indeterminate.
    virtual int check(int id) const = 0;
    virtual void setCheck(int id, int state) = 0;
    virtual void enable(int id, bool on) = 0;
    virtual bool isEnabled(int id) const = 0;
    virtual void show(int id, bool on) = 0;
    virtual bool isShown(int id) const = 0;
    virtual void focus(int id) = 0;
    virtual void setToolTip(int id, const std::string& gbk) = 0;
    /// Moves and sizes a control; rect is in pixels of the client area, as
    /// in the window's table.
    virtual void moveControl(int id, const Rect& rect) = 0;
    /// Asks a control the program draws (picture, owner-drawn button) to
    /// paint again; it does so once the handler has returned.
    virtual void redraw(int id) = 0;

    // Lists (drop-down lists). Positions are 0-based; -1 means none. The
    // edit of a combo box shows the item selected, and is emptied when the
    // list is or the selection is cleared.
    virtual void clearList(int id) = 0;
    /// Inserts at pos (-1 or past the end: at the end); returns the position.
    virtual int insertItem(int id, int pos, const std::string& gbk) = 0;
    virtual int itemCount(int id) const = 0;
    virtual std::string itemText(int id, int pos) const = 0;
    virtual int selection(int id) const = 0;
    /// A position outside the list clears the selection.
    virtual void select(int id, int pos) = 0;
    virtual void setItemToolTip(int id, int pos, const std::string& gbk) = 0;

    // Timers; a tick arrives through DialogLogic::onTimer.
    virtual void startTimer(int id, int ms) = 0;
    virtual void stopTimer(int id) = 0;
    /// Holds a running timer until fd has bytes to read, hangs up or fails;
    /// the wake is a tick, and the timer runs on with its period from
    /// there. An idle port so costs no ticks. startTimer and
    /// stopTimer end the wait; the logic ends it before it closes fd.
    virtual void pauseTimerUntilReadable(int id, int fd) = 0;

    // Modal; timers keep ticking while these are open.
    /// detail: a second, smaller text under the message (the reason of a
    /// failure), shown without a further click; empty for none.
    virtual MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                     MessageButtons buttons = MessageButtons::Ok, const std::string& detail = {}) = 0;
    virtual std::optional<std::string> openFileDialog(const FileDialogOptions& options) = 0;
    virtual std::optional<std::string> saveFileDialog(const FileDialogOptions& options) = 0;

    /// Runs a modal dialog built from layout with its own logic; returns the
    /// code the logic passed to endDialog on that dialog's surface.
    virtual int runModal(const WindowTemplate& layout, DialogLogic& logic) = 0;
    /// Ends this surface's modal run with code (1 OK, 2 cancel).
    virtual void endDialog(int code) = 0;

    virtual std::string clipboardText() const = 0;
    virtual void setClipboardText(const std::string& gbk) = 0;

    // The rich view: insertion always at the end, whatever the user did.
    virtual void appendRich(int id, const std::string& gbk, Rgb colour) = 0;
    /// Lines of a rich view or multi-line edit, wrapped lines counting one
    /// each (an empty control has one line).
    virtual int lineCount(int id) const = 0;
    /// Characters the view holds (a paragraph break counts one); cheap
    /// however much it holds.
    virtual int textLength(int id) const = 0;
    /// Rich views and multi-line edits: shows the last line.
    virtual void scrollToEnd(int id) = 0;
    virtual void setDefaultColour(int id, Rgb colour) = 0;

    // Edits. Positions are byte offsets into text(id).
    /// Appends to an edit's text as setText(id, text(id) + gbk) would show
    /// it (a "\r\n" split across two appends is one break), without
    /// rewriting what is there; the user's caret and selection stay.
    virtual void appendText(int id, const std::string& gbk) = 0;
    /// Whether the user changed the edit's text since the program last set
    /// or appended to it, or cleared the flag.
    virtual bool isModified(int id) const = 0;
    virtual void setModified(int id, bool on) = 0;
    /// Log edits and rich views: puts back the text as the program last set
    /// or appended it, undoing every change the user made since (also
    /// those setModified cleared), and clears the flag. A program that
    /// shows what it received so keeps it only in the control.
    virtual void revertUserEdits(int id) = 0;
    /// Start of the selection, or the caret when nothing is selected.
    virtual int selectionStart(int id) const = 0;
    /// Puts the caret after the last character and scrolls it into view.
    virtual void moveCaretToEnd(int id) = 0;
    /// Height in pixels of the area where a control shows its content
    /// (inside frame and scroll bars).
    virtual int clientHeight(int id) const = 0;

    /// When what text, check, selection, itemCount and itemText return for
    /// control id last changed, by the program, the user or an
    /// accessibility tool, on a clock of the surface's own that only goes
    /// forward: while it stays, those reads return what they did. nullopt
    /// when the surface cannot tell, for that control or at all.
    virtual std::optional<std::uint64_t> changedAt(int /*id*/) const { return std::nullopt; }

    // The window itself.
    /// The check mark of a checkable menu entry, shown from now on, also in
    /// a menu that is open; other commands are ignored.
    virtual void setMenuCheck(int command, bool on) = 0;
    virtual void setTitle(const std::string& gbk) = 0;
    virtual void setTopmost(bool on) = 0;
    /// Ends the window; the close steps have already run.
    virtual void closeWindow() = 0;

    // Helpers on top of the primitives.
    /// Selects the first item that begins with prefix, case ignored (ASCII);
    /// returns false and leaves the selection when no item does or the
    /// prefix is empty.
    bool selectPrefix(int id, const std::string& prefix);
    /// The selected item's text, or "" when nothing is selected.
    std::string selectedText(int id) const;
};

/// What a window's logic offers its surface: one entry for notifications,
/// one for ticks, one for the close request.
class DialogLogic {
public:
    virtual ~DialogLogic() = default;
    /// Hands the logic its window; called before onInit.
    virtual void bind(ControlSurface& surface) = 0;
    /// Called once the window's controls exist (lists filled from the table).
    virtual void onInit() = 0;
    virtual void dispatch(int id, Notification n) = 0;
    virtual void onTimer(int id) = 0;
    /// The close box or Esc. Return true to let the window close. Enter
    /// never closes a window by itself.
    virtual bool onCloseRequest() = 0;
    /// A window-menu command (e.g. the about entry). Default: nothing.
    virtual void onMenuCommand(int /*command*/) {}
    /// Kinds of resize.
    static constexpr int kRestored = 0, kMinimized = 1, kMaximized = 2;
    /// The window was restored, minimized or maximized; the size given is
    /// the screen's, not the window's.
    virtual void onResize(int /*kind*/, int /*screenWidth*/, int /*screenHeight*/) {}
};

} // namespace dialog
