#include "dialog/qt/controls/ViewControls.h"

#include "dialog/qt/LogView.h"
#include "dialog/qt/ProgramLook.h"
#include "dialog/qt/TextConvert.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace dialog::qt {
namespace {

// Appended text without line breaks would make one paragraph that grows
// without end, and the plain layout redoes a whole paragraph at every
// change. Past this length an append starts a new paragraph marked as a
// continuation: it shows as a wrap, and reads back as nothing.
constexpr int kContinuationAfter = 4096;
constexpr int kContinuation = 0x51A7;

// The edit's text up to document position upTo (-1: all), without the
// continuation breaks.
QString plainText(const QPlainTextEdit* edit, int upTo = -1)
{
    const QTextDocument* doc = edit->document();
    QString out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b != doc->begin() && b.userState() != kContinuation)
            out += QLatin1Char('\n');
        if (upTo >= 0 && upTo < b.position() + b.length()) {
            out += b.text().left(upTo - b.position());
            break;
        }
        out += b.text();
    }
    return out;
}

QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

QString accessibleNameOf(const ControlTemplate& c)
{
    return fromSource(c.accessibleName.empty() ? c.caption : c.accessibleName);
}

QPlainTextEdit* newMultiLineEdit(const ControlTemplate& c, QWidget* parent)
{
    auto* w = new QPlainTextEdit(fromSource(c.caption), parent);
    w->setReadOnly(c.styles & style::ReadOnly);
    w->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    w->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    w->setTabChangesFocus(true);
    // A one-line box (the send areas) holds its line without a scroll bar.
    w->document()->setDocumentMargin(2);
    // The margin's change marked the document modified; the user has not
    // touched it yet.
    w->document()->setModified(false);
    w->setAccessibleName(accessibleNameOf(c));
    return w;
}

LogView* newLogView(const ControlTemplate& c, QWidget* parent, ControlHost& host)
{
    auto* w = new LogView(parent);
    if (c.kind == ControlKind::RichView)
        w->setFont(richViewFont());
    w->setReadOnly(c.styles & style::ReadOnly);
    w->setAccessibleName(accessibleNameOf(c));
    w->setMenuExtender([&host](QMenu& menu) { host.addMenuEntries(menu); });
    return w;
}

} // namespace

bool BeforeInput::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (hook)
            hook();
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

// --- waiting appends -------------------------------------------------------

ViewControl::ViewControl(int id, QAbstractScrollArea* view, ControlHost& host) : ControlAdapter(id, view), host_(host)
{
}

void ViewControl::connectSignals(ControlHost& host)
{
    auto* view = static_cast<QAbstractScrollArea*>(widget());
    // Keys and clicks act on what the view would show had it taken its
    // waiting appends at once: a caret at the end follows them first.
    beforeInput_.hook = [&host] { host.flushWaitingChanges(); };
    view->installEventFilter(&beforeInput_);
    view->viewport()->installEventFilter(&beforeInput_);
}

void ViewControl::textChanged()
{
    if (host_.programChanging())
        return;
    flushWaiting();
    host_.notify(id(), Notification::TextEdited);
}

void ViewControl::queueAppend(const std::string& gbk, std::optional<Rgb> colour)
{
    if (!pending_)
        pending_ = Pending{};
    std::vector<Run>& runs = pending_->runs;
    // Both views join a CR and the LF after it however the pieces came.
    if (!runs.empty() && runs.back().colour == colour)
        runs.back().gbk += gbk;
    else
        runs.push_back({gbk, colour});
    host_.changesWaiting(id());
}

void ViewControl::flushWaiting() const
{
    if (!pending_)
        return;
    const Pending p = std::move(*pending_);
    pending_.reset();
    auto* self = const_cast<ViewControl*>(this);
    for (const Run& run : p.runs)
        self->insert(run.gbk, run.colour);
    if (p.scrollToEnd)
        self->scrollToEndNow();
}

void ViewControl::scrollToEnd()
{
    if (pending_)
        pending_->scrollToEnd = true;
    else
        scrollToEndNow();
}

// --- multi-line edit ---------------------------------------------------------

MultiLineEditControl::MultiLineEditControl(const ControlTemplate& c, QWidget* parent, ControlHost& host)
    : ViewControl(c.id, newMultiLineEdit(c, parent), host)
{
    // Every change, the user's or the program's, undo or not.
    QObject::connect(edit()->document(), &QTextDocument::contentsChanged, edit(), [this] { converted_.reset(); });
}

QPlainTextEdit* MultiLineEditControl::edit() const { return static_cast<QPlainTextEdit*>(widget()); }

void MultiLineEditControl::connectSignals(ControlHost& host)
{
    QObject::connect(edit(), &QPlainTextEdit::textChanged, edit(), [this] { textChanged(); });
    ViewControl::connectSignals(host);
}

bool MultiLineEditControl::connectChanges(ControlHost& host)
{
    QObject::connect(edit()->document(), &QTextDocument::contentsChanged, edit(), [this, &host] { markChanged(host); });
    return true;
}

std::string MultiLineEditControl::text() const
{
    flushWaiting();
    // The ticks read the send areas every 10 ms: an unchanged text is not
    // converted again, however long it is.
    if (!converted_)
        converted_ = toSurfaceLines(plainText(edit()));
    return *converted_;
}

void MultiLineEditControl::setText(const std::string& gbk)
{
    dropAppends();
    edit()->setPlainText(fromSurfaceLines(gbk));
    edit()->document()->setModified(false);
    endsWithCr_ = !gbk.empty() && gbk.back() == '\r';
}

void MultiLineEditControl::appendText(const std::string& gbk)
{
    if (gbk.empty())
        return;
    queueAppend(gbk, std::nullopt);
    // The program's append, counted when asked; the user's changes from
    // now on count, also those made before the append goes in.
    edit()->document()->setModified(false);
}

void MultiLineEditControl::insert(const std::string& gbk, std::optional<Rgb>)
{
    ProgramChange change(host_);
    QTextDocument* doc = edit()->document();
    const bool wasModified = doc->isModified();
    // A CR that ended the last piece and the LF that starts this one are
    // one line break, as they would be in one piece.
    const bool joinLf = endsWithCr_ && gbk.front() == '\n';
    endsWithCr_ = gbk.back() == '\r';
    const QString text = fromSurfaceLines(joinLf ? gbk.substr(1) : gbk);
    // What the program appends is a log of what arrived: no undo history
    // of it, which would keep every piece twice.
    doc->setUndoRedoEnabled(false);
    if (!text.isEmpty()) {
        QTextCursor cursor(doc);
        cursor.movePosition(QTextCursor::End);
        cursor.beginEditBlock();
        // In pieces, so that a long run without line breaks still ends up
        // in paragraphs of bounded length.
        for (qsizetype at = 0; at < text.size(); at += kContinuationAfter) {
            const QString piece = text.mid(at, kContinuationAfter);
            if (cursor.block().length() > kContinuationAfter && !piece.startsWith(QLatin1Char('\n'))) {
                cursor.insertBlock();
                cursor.block().setUserState(kContinuation);
            }
            cursor.insertText(piece);
        }
        cursor.endEditBlock();
    }
    doc->setModified(wasModified);
}

bool MultiLineEditControl::isModified() const { return edit()->document()->isModified(); }
void MultiLineEditControl::setModified(bool on) { edit()->document()->setModified(on); }

int MultiLineEditControl::selectionStart() const
{
    flushWaiting();
    return static_cast<int>(toSurfaceLines(plainText(edit(), edit()->textCursor().selectionStart())).size());
}

void MultiLineEditControl::moveCaretToEnd()
{
    flushWaiting();
    edit()->moveCursor(QTextCursor::End);
    edit()->ensureCursorVisible();
}

int MultiLineEditControl::lineCount() const
{
    flushWaiting();
    // The plain layout keeps each paragraph's wrapped line count as it lays
    // it out, and the document keeps their sum.
    edit()->document()->documentLayout()->documentSize();
    return std::max(1, edit()->document()->lineCount());
}

void MultiLineEditControl::scrollToEndNow()
{
    // Scrolled by paragraphs: no layout of what is above.
    QScrollBar* bar = edit()->verticalScrollBar();
    bar->setValue(bar->maximum());
}

// --- log view ---------------------------------------------------------------------

LogViewControl::LogViewControl(const ControlTemplate& c, QWidget* parent, ControlHost& host)
    : ViewControl(c.id, newLogView(c, parent, host), host)
{
}

LogView* LogViewControl::view() const { return static_cast<LogView*>(widget()); }

QColor LogViewControl::defaultColour() const
{
    return defaultColour_.value_or(view()->palette().color(QPalette::Text));
}

void LogViewControl::connectSignals(ControlHost& host)
{
    QObject::connect(view(), &LogView::textEdited, view(), [this] { textChanged(); });
    ViewControl::connectSignals(host);
}

std::string LogViewControl::text() const
{
    flushWaiting();
    return std::string(view()->text());
}

void LogViewControl::setText(const std::string& gbk)
{
    dropAppends();
    view()->setText(gbk, defaultColour());
}

void LogViewControl::appendText(const std::string& gbk)
{
    if (gbk.empty())
        return;
    queueAppend(gbk, std::nullopt);
    // The program's append; the user's changes from now on count, also
    // those made before the append goes in.
    view()->setModified(false);
}

void LogViewControl::appendRich(const std::string& gbk, Rgb colour)
{
    if (!gbk.empty())
        queueAppend(gbk, colour);
}

void LogViewControl::insert(const std::string& gbk, std::optional<Rgb> colour)
{
    view()->append(gbk, colour ? toQColor(*colour) : defaultColour());
}

bool LogViewControl::isModified() const { return view()->isModified(); }
void LogViewControl::setModified(bool on) { view()->setModified(on); }

void LogViewControl::revertUserEdits()
{
    // Appends that wait came after the user's changes: they stay.
    flushWaiting();
    view()->revertUserEdits();
}

int LogViewControl::selectionStart() const
{
    flushWaiting();
    return static_cast<int>(view()->selectionStart());
}

void LogViewControl::moveCaretToEnd()
{
    flushWaiting();
    view()->moveCaretToEnd();
}

int LogViewControl::lineCount() const
{
    flushWaiting();
    return view()->rowCount();
}

int LogViewControl::textLength() const
{
    flushWaiting();
    return static_cast<int>(view()->characterCount());
}

void LogViewControl::setDefaultColour(Rgb colour) { defaultColour_ = toQColor(colour); }

void LogViewControl::scrollToEndNow() { view()->scrollToEnd(); }

} // namespace dialog::qt
