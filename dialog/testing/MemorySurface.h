#pragma once
// An in-memory window for tests of the dialog logic: it keeps each
// control's state, records what the logic asked for, and answers modal
// questions from queues the test fills.

#include "dialog/ControlSurface.h"
#include "dialog/WindowTemplate.h"
#include "dialog/testing/FakeClock.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dialog::testing {

struct ShownMessage {
    std::string text; // GBK
    std::string caption;
    MessageIcon icon;
    MessageButtons buttons = MessageButtons::Ok;
    std::string detail;
};

struct RichRun {
    std::string text;
    Rgb colour;
};

class MemorySurface : public ControlSurface {
public:
    struct Control {
        std::string text;
        int check = 0;
        bool enabled = true;
        bool shown = true;
        std::string toolTip;
        std::vector<std::string> items;
        std::vector<std::string> itemToolTips;
        int selection = -1;
        std::vector<RichRun> runs; // rich view content
        Rgb defaultColour;
        bool editable = false; // a combo box with an edit: text is the edit's
        bool modified = false;
        // The text as the program last left it, while the user has changed it.
        std::optional<std::string> programText;
        int caret = -1;  // selection start; -1: after the last byte
        int height = 0;  // client height, from the table's rectangle
        Rect rect;       // where the control stands: the table's, then moveControl's
        int redraws = 0; // redraw requests
    };

    MemorySurface();
    /// Controls, captions (as GBK), list items and styles from a window table.
    explicit MemorySurface(const WindowTemplate& layout);
    MemorySurface(MemorySurface&&) noexcept;
    MemorySurface& operator=(MemorySurface&&) noexcept;
    ~MemorySurface() override;

    // ControlSurface
    std::string text(int id) const override;
    void setText(int id, const std::string& gbk) override;
    int check(int id) const override;
    void setCheck(int id, int state) override;
    void enable(int id, bool on) override;
    bool isEnabled(int id) const override;
    void show(int id, bool on) override;
    bool isShown(int id) const override;
    void focus(int id) override { focused = id; }
    void setToolTip(int id, const std::string& gbk) override { controls[id].toolTip = gbk; }
    void moveControl(int id, const Rect& rect) override;
    void redraw(int id) override { ++controls[id].redraws; }
    void clearList(int id) override;
    int insertItem(int id, int pos, const std::string& gbk) override;
    int itemCount(int id) const override;
    std::string itemText(int id, int pos) const override;
    int selection(int id) const override;
    void select(int id, int pos) override;
    void setItemToolTip(int id, int pos, const std::string& gbk) override;
    void startTimer(int id, int ms) override;
    void stopTimer(int id) override;
    void pauseTimerUntilReadable(int id, int fd) override;
    /// Whether the timer would tick now: started, not held for its fd.
    bool ticking(int id) const { return timers.count(id) && !pausedTimers.count(id); }

    // The timers on the window's schedule. A test that calls onTimer itself
    // needs none of this; one that lets the schedule tick sets its clock
    // before the logic starts timers.
    void useClock(FakeClock& clock);
    /// Moves the clock on by ms, giving logic each tick as it falls due.
    void runTimers(DialogLogic& logic, std::int64_t ms);
    /// The port timer id waits for has bytes: the wake, as the window's.
    void portReadable(DialogLogic& logic, int id);
    MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons, const std::string& detail) override;
    std::optional<std::string> openFileDialog(const FileDialogOptions& options) override;
    std::optional<std::string> saveFileDialog(const FileDialogOptions& options) override;
    int runModal(const WindowTemplate& layout, DialogLogic& logic) override;
    void endDialog(int code) override { endedWith = code; }
    std::string clipboardText() const override { return clipboard; }
    void setClipboardText(const std::string& gbk) override { clipboard = gbk; }
    void appendRich(int id, const std::string& gbk, Rgb colour) override;
    int lineCount(int id) const override;
    void appendText(int id, const std::string& gbk) override;
    bool isModified(int id) const override { return find(id) && find(id)->modified; }
    void setModified(int id, bool on) override { at(id).modified = on; }
    int selectionStart(int id) const override;
    void revertUserEdits(int id) override;
    void moveCaretToEnd(int id) override;
    int clientHeight(int id) const override { return find(id) ? find(id)->height : 0; }
    int textLength(int id) const override;
    void scrollToEnd(int id) override { scrolledToEnd[id] = true; }
    void setDefaultColour(int id, Rgb colour) override { controls[id].defaultColour = colour; }
    void setMenuCheck(int command, bool on) override;
    void setTitle(const std::string& gbk) override { title = gbk; }
    void setTopmost(bool on) override { topmost = on; }
    void closeWindow() override { closed = true; }
    /// The state is public to the tests: a change is seen as a difference
    /// in what the reads return from what they returned when last asked.
    std::optional<std::uint64_t> changedAt(int id) const override;

    /// The rich view's whole text.
    std::string richText(int id) const;
    /// Sets the rich view's text as the user would (default colour).
    void setRichText(int id, const std::string& gbk);
    /// The user's edit: the text becomes gbk with the caret at caret
    /// (-1: at the end), marked modified; the notification is the test's.
    void userEdit(int id, const std::string& gbk, int caret = -1);
    bool has(int id) const { return controls.count(id) != 0; }
    /// The check mark of a menu entry; nullopt for an entry that shows
    /// none (not checkable, or not in the table).
    std::optional<bool> menuCheck(int command) const;

    // What the logic asked for, and the answers it gets.
    std::map<int, Control> controls;
    std::map<int, int> timers;       // started, with their periods
    std::map<int, int> pausedTimers; // held until their fd is readable
    std::vector<ShownMessage> messages;
    std::deque<MessageAnswer> messageAnswers;           // empty: Ok
    std::function<void(const ShownMessage&)> onMessage; // runs while the box is "open"
    std::deque<std::optional<std::string>> fileAnswers; // empty: cancelled
    std::vector<FileDialogOptions> fileDialogs;
    std::vector<std::string> modalTitles;
    std::function<int(const WindowTemplate&, DialogLogic&)> modalHandler; // unset: cancelled (2)
    std::optional<int> endedWith;
    std::map<int, bool> scrolledToEnd;
    std::map<int, bool> menuChecks; // of the table's checkable entries, by command
    std::string clipboard;
    std::string title;
    int focused = 0;
    bool topmost = false;
    bool closed = false;

private:
    struct Seen {
        std::string text;
        int check = 0;
        std::vector<std::string> items;
        int selection = -1;
        std::uint64_t at = 0;
        bool operator==(const Seen& o) const
        {
            return text == o.text && check == o.check && items == o.items && selection == o.selection;
        }
    };

    Control& at(int id) { return controls[id]; }
    const Control* find(int id) const;

    class Schedule;
    std::unique_ptr<Schedule> schedule_;

    mutable std::map<int, Seen> seen_;
    inline static std::uint64_t clock_ = 0; // one for all surfaces, as the windows'
};

} // namespace dialog::testing
