#pragma once
// A dialog window built from a control table, offering the ControlSurface
// over its widgets and forwarding the user's actions to a DialogLogic.
//
// Every widget is a direct child of the window (group boxes and frames are
// siblings drawn below the others), so the table's rectangles are absolute.
// Widgets are found by objectName, the decimal control id ("1003", "-1"
// for labels the logic never addresses); the accessible description holds
// the same id, because objectName is not exported to assistive technology.

#include "dialog/ControlSurface.h"
#include "dialog/WindowTemplate.h"
#include "dialog/qt/Widgets.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <map>
#include <optional>
#include <set>

class QAbstractScrollArea;
class QButtonGroup;
class QLineEdit;
class QMenu;
class QSocketNotifier;
class QTimer;

namespace dialog::qt {

/// Eats Enter in the edit it watches.
class EnterSwallower : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

/// Runs a hook before a key, a mouse press or typed text reaches the
/// widget it watches.
class BeforeInput : public QObject {
public:
    std::function<void()> hook;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class DialogWindow : public QDialog, public ControlSurface {
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
    void setPainter(int id, Painter painter);

    /// The window's menu entries as a context menu; for the id of a rich
    /// view, its standard edit actions come first, then a separator. The
    /// caller owns the menu.
    QMenu* createContextMenu(int id = kStaticId);

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
    int selectionStart(int id) const override;
    void moveCaretToEnd(int id) override;
    int clientHeight(int id) const override;
    void setDefaultColour(int id, Rgb colour) override;
    void setTitle(const std::string& gbk) override;
    void setTopmost(bool on) override;
    void closeWindow() override;

    /// The code a close box or Esc ends a modal run with when the logic
    /// agrees without calling endDialog itself.
    static constexpr int kCloseCode = 2;

    /// Shortest time between two paints of a window: at most 25 paints a
    /// second, however often the ticks change the views and counters.
    static constexpr int kFrameMs = 40;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;

public slots:
    void reject() override;

private:
    struct Control {
        ControlKind kind;
        QWidget* widget;
    };
    struct Timer {
        QTimer* timer = nullptr;
        QSocketNotifier* wake = nullptr; // set while the timer waits for its fd
        unsigned run = 0; // bumped at each start, stop and pause
    };
    class StandInTicks;

    void build(const WindowTemplate& layout);
    QWidget* create(const ControlTemplate& c);
    void connectSignals(int id, ControlKind kind, QWidget* w);
    const Control* find(int id) const;
    QLineEdit* lineEditOf(int id) const;
    template <class W> W* as(int id) const;
    void requestClose();
    /// Size limits for the normal or the maximized state.
    void constrainSize(bool maximized);
    void finish(int code);
    void userEdited(int id);
    void forward(int id, Notification n);
    void tick(int id);
    void endWait(Timer& t);
    void queueAppend(int id, const std::string& gbk, std::optional<Rgb> colour);
    void flushAppends(int id) const;
    void flushAllAppends() const;
    void insertRich(int id, const std::string& gbk, Rgb colour);
    void insertPlain(int id, const std::string& gbk);
    void scrollToEndNow(int id);
    void watchInput(QAbstractScrollArea* view);
    std::string fileDialog(const FileDialogOptions& options, bool save, bool& chosen);

    DialogLogic& logic_;
    QSize clientSize_;
    std::vector<MenuEntry> menu_;
    std::map<int, Control> controls_;
    std::map<int, Timer> timers_;
    std::vector<int> ticking_; // timers whose tick is running, innermost last
    std::map<int, QColor> defaultColours_;
    std::map<int, bool> endsWithCr_; // multi-line edits whose text ends in CR
    QButtonGroup* radioGroup_ = nullptr;
    int quiet_ = 0;             // >0 while the program itself changes a widget
    std::set<int> toggledUnclicked_; // check boxes and radios toggled, no click seen yet
    EnterSwallower enterSwallower_;
    BeforeInput beforeViewInput_; // the user acts on what the views show
    bool ended_ = false;        // done() was called for this run
    bool inCloseRequest_ = false;
    bool placed_ = false;
    bool maximizable_ = false;
    QElapsedTimer sinceLastPaint_;
    QTimer paintLater_;
    // Appends to the views that wait for the next frame, per view: runs of
    // one colour (none: a plain multi-line edit), and whether the view is
    // then to show its end.
    struct AppendRun {
        std::string gbk;
        std::optional<Rgb> colour;
    };
    struct PendingAppend {
        std::vector<AppendRun> runs;
        bool scrollToEnd = false;
    };
    mutable std::map<int, PendingAppend> pendingAppends_;
    QTimer appendLater_;
};

} // namespace dialog::qt
