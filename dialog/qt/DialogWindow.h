#pragma once
// A dialog window built from a control table, offering the ControlSurface
// over its widgets and forwarding the user's actions to a DialogLogic.
//
// Every widget is a direct child of the window (group boxes and frames are
// siblings drawn below the others), so the table's rectangles are absolute.
// Widgets are found by objectName, the decimal control id ("1003", "-1"
// for labels the logic never addresses); the accessible description holds
// the same id, because objectName is not exported to assistive technology.
//
// What a control does by its kind is its adapter's (controls/); the window
// keeps the adapters by id and the closing. When the timers tick and the
// window paints is the TickScheduler's and the FramePacer's; the window's
// Qt timers carry their decisions out (DialogWindowTicks.cpp). The
// forwarding to the adapters is in DialogWindowControls.cpp, the context
// menus in DialogWindowMenus.cpp, the modal boxes in ModalBoxes.cpp.

#include "dialog/ControlSurface.h"
#include "dialog/WindowTemplate.h"
#include "dialog/qt/Widgets.h"
#include "dialog/qt/controls/ControlAdapter.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <vector>

class QMenu;

namespace dialog::qt {

class DialogWindow : public QDialog, public ControlSurface, private ControlHost {
    Q_OBJECT
public:
    using Painter = dialog::qt::Painter;

    /// Builds the widgets from layout, then calls logic.bind(*this) and
    /// logic.onInit(). The logic must outlive the window.
    DialogWindow(const WindowTemplate& layout, DialogLogic& logic, QWidget* parent = nullptr);
    ~DialogWindow() override;

    /// The widget of a control, or nullptr when the table has no such id.
    QWidget* control(int id) const;

    /// Painter of a Picture or OwnerDrawButton control; ignored for other
    /// kinds. Called whenever the control paints.
    void setPainter(int id, const Painter& painter);

    /// The window's menu entries as a context menu; for the id of a rich
    /// view, its standard edit actions come first, then a separator. The
    /// caller owns the menu.
    QMenu* createContextMenu(int id = kStaticId);

    /// Whether timer id ticks now: started, and neither stopped nor
    /// waiting for its descriptor.
    bool ticking(int id) const;

    // The QWidget names that the surface's overloads would hide.
    using QWidget::isEnabled;
    using QWidget::setToolTip;
    using QWidget::show;

    // ControlSurface
    std::string text(int id) const override;
    void setText(int id, const std::string& gbk) override;
    int check(int id) const override;
    void setCheck(int id, int state) override;
    void enable(int id, bool on) override;
    bool isEnabled(int id) const override;
    void show(int id, bool on) override;
    bool isShown(int id) const override;
    void focus(int id) override;
    void setToolTip(int id, const std::string& gbk) override;
    void moveControl(int id, const Rect& rect) override;
    void redraw(int id) override;
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
    MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons, const std::string& detail) override;
    std::optional<std::string> openFileDialog(const FileDialogOptions& options) override;
    std::optional<std::string> saveFileDialog(const FileDialogOptions& options) override;
    int runModal(const WindowTemplate& layout, DialogLogic& logic) override;
    void endDialog(int code) override;
    std::string clipboardText() const override;
    void setClipboardText(const std::string& gbk) override;
    void appendRich(int id, const std::string& gbk, Rgb colour) override;
    /// Lines the view shows: wrapped lines count one each, as laid out at
    /// the view's current width (an empty view has one line).
    int lineCount(int id) const override;
    int textLength(int id) const override;
    void scrollToEnd(int id) override;
    void appendText(int id, const std::string& gbk) override;
    bool isModified(int id) const override;
    void setModified(int id, bool on) override;
    void revertUserEdits(int id) override;
    int selectionStart(int id) const override;
    void moveCaretToEnd(int id) override;
    int clientHeight(int id) const override;
    std::optional<std::uint64_t> changedAt(int id) const override;
    void setDefaultColour(int id, Rgb colour) override;
    void setMenuCheck(int command, bool on) override;
    void setTitle(const std::string& gbk) override;
    void setTopmost(bool on) override;
    void closeWindow() override;

    /// The code a close box or Esc ends a modal run with when the logic
    /// agrees without calling endDialog itself.
    static constexpr int kCloseCode = 2;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

public slots:
    void reject() override;

private:
    class Pacing;
    class StandInTicks;

    void build(const WindowTemplate& layout);
    ControlAdapter* find(int id) const;
    template <class Change> bool changeByProgram(int id, Change&& change);
    void requestClose();
    void pressForEnter();
    /// Size limits for the normal or the maximized state.
    void constrainSize(bool maximized);
    void finish(int code);
    /// Lets accessibility tools reach the open context menu; before the
    /// first window's interface is made.
    static void makeMenusAccessible();
    void addMenuEntry(QMenu& menu, std::size_t index);
    /// Shift+F10: the focused control's context menu, as the Menu key opens it.
    void openContextMenuByKey();
    std::string fileDialog(const FileDialogOptions& options, bool save, bool& chosen);

    // ControlHost
    void notify(int id, Notification n) override;
    void changesWaiting(int id) override;
    void countWaiting(int id) override;
    void flushWaitingChanges() override;
    void addMenuEntries(QMenu& menu) override;

    DialogLogic& logic_;
    QSize clientSize_;
    std::vector<MenuEntry> menu_;
    std::vector<bool> menuChecks_;                          // of menu_'s entries, as the logic set them
    std::vector<std::unique_ptr<ControlAdapter>> adapters_; // every control, in table order
    // The addressed ones, at their id: a tick asks for a few dozen, and a
    // hash look-up was a visible share of a tick's cost. Ids are 16-bit.
    std::vector<ControlAdapter*> controls_;
    std::unique_ptr<Pacing> pacing_; // the ticks' and the paints' schedule, on Qt timers
    bool ended_ = false;             // done() was called for this run
    bool inCloseRequest_ = false;
    bool placed_ = false;
    bool maximizable_ = false;
    std::optional<QPoint> normalPos_; // where the client area was while normal
};

} // namespace dialog::qt
