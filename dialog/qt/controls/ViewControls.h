#pragma once
// The multi-line edit and the rich view. Appends to them wait, like
// paints, for the end of the frame: a document edit and its layout per
// tick would cost as much as the paints did. Whatever reads or replaces a
// view's content, and the user's key or click on it, first puts its
// waiting appends in.

#include "dialog/qt/controls/ControlAdapter.h"

#include <QColor>
#include <QObject>

#include <functional>
#include <optional>
#include <vector>

class QAbstractScrollArea;
class QPlainTextEdit;

namespace dialog::qt {

class LogView;

/// Runs a hook before a key, a mouse press or typed text reaches the
/// widget it watches.
class BeforeInput : public QObject {
public:
    std::function<void()> hook;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class ViewControl : public ControlAdapter {
public:
    void connectSignals(ControlHost& host) override;
    void scrollToEnd() override;
    void flushWaiting() const override;

protected:
    ViewControl(int id, QAbstractScrollArea* view, ControlHost& host);
    /// colour: none for a plain multi-line edit.
    void queueAppend(const std::string& gbk, std::optional<Rgb> colour);
    /// The content is replaced: what waited would have been too.
    void dropAppends() { pending_.reset(); }
    /// The widget's text changed; by the user unless the program is at work.
    void textChanged();
    virtual void insert(const std::string& gbk, std::optional<Rgb> colour) = 0;
    virtual void scrollToEndNow() = 0;

    ControlHost& host_;

private:
    struct Run {
        std::string gbk;
        std::optional<Rgb> colour;
    };
    struct Pending {
        std::vector<Run> runs;    // each of one colour
        bool scrollToEnd = false; // the view is then to show its end
    };
    mutable std::optional<Pending> pending_;
    BeforeInput beforeInput_;
};

/// Plain text, CR LF line breaks.
class MultiLineEditControl : public ViewControl {
public:
    MultiLineEditControl(const ControlTemplate& c, QWidget* parent, ControlHost& host);
    void connectSignals(ControlHost& host) override;
    std::string text() const override;
    void setText(const std::string& gbk) override;
    void appendText(const std::string& gbk) override;
    bool isModified() const override;
    void setModified(bool on) override;
    int selectionStart() const override;
    void moveCaretToEnd() override;
    int lineCount() const override;

protected:
    bool connectChanges(ControlHost& host) override;

private:
    QPlainTextEdit* edit() const;
    void insert(const std::string& gbk, std::optional<Rgb> colour) override;
    void scrollToEndNow() override;

    bool endsWithCr_ = false;                      // the text ends in CR: an LF appended next joins it
    mutable std::optional<std::string> converted_; // text() of the document as it stands
};

/// The receive views: coloured text appended as it arrives, kept once,
/// laid out where it shows. A multi-line edit marked as a log is one too.
class LogViewControl : public ViewControl {
public:
    LogViewControl(const ControlTemplate& c, QWidget* parent, ControlHost& host);
    void connectSignals(ControlHost& host) override;
    std::string text() const override;
    void setText(const std::string& gbk) override;
    void appendText(const std::string& gbk) override;
    void appendRich(const std::string& gbk, Rgb colour) override;
    bool isModified() const override;
    void setModified(bool on) override;
    void revertUserEdits() override;
    int selectionStart() const override;
    void moveCaretToEnd() override;
    int lineCount() const override;
    int textLength() const override;
    void setDefaultColour(Rgb colour) override;

protected:
    /// Not watched: the view's own edits (typed, dropped, an accessibility
    /// tool's) do not all come through one signal.
    bool connectChanges(ControlHost& /*host*/) override { return false; }

private:
    LogView* view() const;
    QColor defaultColour() const;
    void insert(const std::string& gbk, std::optional<Rgb> colour) override;
    void scrollToEndNow() override;

    std::optional<QColor> defaultColour_;
};

} // namespace dialog::qt
