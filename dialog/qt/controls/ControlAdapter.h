#pragma once
// One control of a DialogWindow: the surface's operations as its kind of
// widget does them. The window keeps one adapter per control and forwards
// the surface's calls by id; an operation a kind lacks answers as nothing
// (empty text, no items, position -1, line count 0).

#include "dialog/ControlSurface.h"
#include "dialog/WindowTemplate.h"
#include "dialog/qt/Widgets.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QButtonGroup;
class QMenu;
class QWidget;

namespace dialog::qt {

/// What the controls of one window share with the window.
class ControlHost {
public:
    /// Hands the user's action on control id to the window's logic.
    virtual void notify(int id, Notification n) = 0;
    /// Control id has changes waiting (a view's appends, a counter's text);
    /// the window puts them in at the end of the frame.
    virtual void changesWaiting(int id) = 0;
    /// Control id shows a count that changes with the data (a counter, a
    /// status label): its text waits a tenth of a second, as the eye
    /// cannot follow it faster.
    virtual void countWaiting(int id) = 0;
    /// Puts every control's waiting changes in.
    virtual void flushWaitingChanges() = 0;
    /// Adds the window's menu entries to a view's context menu.
    virtual void addMenuEntries(QMenu& menu) = 0;

    /// Whether the program itself is changing a widget, so that the change
    /// signals it causes are not taken for the user's.
    bool programChanging() const { return programChanges_ != 0; }

    /// The change clock: each change of a control takes the next value.
    /// One for all windows, so that a window's stamps never meet those of
    /// a window before it.
    std::uint64_t nextChange() { return ++changeClock_; }

protected:
    ~ControlHost() = default;

private:
    friend class ProgramChange;
    int programChanges_ = 0;
    inline static std::uint64_t changeClock_ = 0;
};

/// Marks a programmatic change for its lifetime, on the whole window.
class ProgramChange {
public:
    explicit ProgramChange(ControlHost& host) : host_(host) { ++host_.programChanges_; }
    ~ProgramChange() { --host_.programChanges_; }
    ProgramChange(const ProgramChange&) = delete;
    ProgramChange& operator=(const ProgramChange&) = delete;

private:
    ControlHost& host_;
};

class ControlAdapter {
public:
    ControlAdapter(int id, QWidget* widget) : id_(id), widget_(widget) {}
    virtual ~ControlAdapter() = default;
    ControlAdapter(const ControlAdapter&) = delete;
    ControlAdapter& operator=(const ControlAdapter&) = delete;

    int id() const { return id_; }
    QWidget* widget() const { return widget_; }

    /// Ties the widget's user signals to host; called only for controls the
    /// logic addresses.
    virtual void connectSignals(ControlHost& /*host*/) {}

    /// Starts marking every change of what text, check, selection,
    /// itemCount and itemText read, however it comes: the window marks
    /// the program's, the widget's signals the rest.
    void watchChanges(ControlHost& host)
    {
        watched_ = connectChanges(host);
        markChanged(host);
    }
    /// Where the change clock stood at the last change; nullopt for a
    /// kind that cannot see all its changes.
    std::optional<std::uint64_t> changedAt() const
    {
        return watched_ ? std::optional<std::uint64_t>(changedAt_) : std::nullopt;
    }
    void markChanged(ControlHost& host) { changedAt_ = host.nextChange(); }

    virtual std::string text() const { return {}; }
    virtual void setText(const std::string& /*gbk*/) {}
    virtual int check() const { return 0; }
    virtual void setCheck(int /*state*/) {}
    /// Pictures and owner-drawn buttons.
    virtual void setPainter(const Painter& /*painter*/) {}

    // Lists
    virtual void clearList() {}
    virtual int insertItem(int /*pos*/, const std::string& /*gbk*/) { return -1; }
    virtual int itemCount() const { return 0; }
    virtual std::string itemText(int /*pos*/) const { return {}; }
    virtual int selection() const { return -1; }
    virtual void select(int /*pos*/) {}
    virtual void setItemToolTip(int /*pos*/, const std::string& /*gbk*/) {}

    // Edits
    virtual void appendText(const std::string& /*gbk*/) {}
    virtual bool isModified() const { return false; }
    virtual void setModified(bool /*on*/) {}
    virtual void revertUserEdits() {}
    virtual int selectionStart() const { return 0; }
    virtual void moveCaretToEnd() {}

    // Views
    virtual void appendRich(const std::string& /*gbk*/, Rgb /*colour*/) {}
    virtual int lineCount() const { return 0; }
    virtual int textLength() const { return 0; }
    virtual void scrollToEnd() {}
    virtual void setDefaultColour(Rgb /*colour*/) {}
    /// Puts in the changes that wait for the end of the frame.
    virtual void flushWaiting() const {}

protected:
    /// Connects the signals of the changes the widget makes by itself (the
    /// user's, an accessibility tool's) to markChanged; false when some of
    /// them have none. A kind whose reads only the program changes has
    /// nothing to connect.
    virtual bool connectChanges(ControlHost& /*host*/) { return true; }

private:
    int id_;
    QWidget* widget_;
    bool watched_ = false;
    std::uint64_t changedAt_ = 0;
};

/// Builds the widget of c as a child of parent, with its adapter.
/// radioGroup is the group the next radio button joins; a radio button
/// starts one when it is nullptr.
std::unique_ptr<ControlAdapter> createControl(const ControlTemplate& c, QWidget* parent, ControlHost& host,
                                              QButtonGroup*& radioGroup);

/// Names w for accessibility tools; a combo box with an edit shows as two
/// accessible objects, the box and its edit, and both carry the name.
void setAccessibleNames(QWidget* w, const QString& name);

} // namespace dialog::qt
