#include "dialog/qt/controls/EditControls.h"

#include "dialog/qt/TextConvert.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace dialog::qt {
namespace {

QLineEdit* newLineEdit(const ControlTemplate& c, QWidget* parent)
{
    auto* w = new QLineEdit(fromSource(c.caption), parent);
    w->setReadOnly(c.styles & style::ReadOnly);
    if (c.styles & style::Number)
        w->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), w));
    if (c.styles & style::AlignRight)
        w->setAlignment(Qt::AlignRight);
    w->setAccessibleName(fromSource(c.accessibleName.empty() ? c.caption : c.accessibleName));
    return w;
}

} // namespace

void lineEdit::appendText(QLineEdit& edit, const std::string& gbk)
{
    // setText() puts the caret at the end; the user's caret and selection
    // stay where they were (a caret at the end stays at the end).
    const int caret = edit.cursorPosition();
    const int start = edit.selectionStart();
    const int length = edit.selectionLength();
    const bool atEnd = start < 0 && caret == edit.text().size();
    edit.setText(edit.text() + fromSurface(gbk));
    if (atEnd)
        return;
    if (start < 0)
        edit.setCursorPosition(caret);
    else if (caret == start)
        edit.setSelection(start + length, -length);
    else
        edit.setSelection(start, length);
}

int lineEdit::selectionStart(const QLineEdit& edit)
{
    const int pos = edit.hasSelectedText() ? edit.selectionStart() : edit.cursorPosition();
    return static_cast<int>(toSurface(edit.text().left(pos)).size());
}

LineEditControl::LineEditControl(const ControlTemplate& c, QWidget* parent, ControlHost& host)
    : ControlAdapter(c.id, newLineEdit(c, parent)), host_(host)
{
}

QLineEdit* LineEditControl::edit() const { return static_cast<QLineEdit*>(widget()); }

void LineEditControl::connectSignals(ControlHost& host)
{
    QObject::connect(edit(), &QLineEdit::textEdited, edit(),
                     [&host, id = id()] { host.notify(id, Notification::TextEdited); });
}

bool LineEditControl::connectChanges(ControlHost& host)
{
    QObject::connect(edit(), &QLineEdit::textChanged, edit(), [this, &host] { markChanged(host); });
    return true;
}

std::string LineEditControl::text() const { return shown_ ? *shown_ : converted_.of(edit()->text()); }

void LineEditControl::setText(const std::string& gbk)
{
    // The counters change at every tick that moves data; what the user
    // cannot type into shows its last text at the end of the frame.
    if (edit()->isReadOnly()) {
        shown_ = gbk;
        host_.countWaiting(id());
        return;
    }
    shown_.reset();
    edit()->setText(fromSurface(gbk));
}

void LineEditControl::flushWaiting() const
{
    if (!shown_)
        return;
    const std::string gbk = std::move(*shown_);
    shown_.reset();
    ProgramChange change(host_);
    edit()->setText(fromSurface(gbk));
}

void LineEditControl::appendText(const std::string& gbk)
{
    flushWaiting();
    lineEdit::appendText(*edit(), gbk);
}

bool LineEditControl::isModified() const { return edit()->isModified(); }
void LineEditControl::setModified(bool on) { edit()->setModified(on); }

int LineEditControl::selectionStart() const
{
    flushWaiting();
    return lineEdit::selectionStart(*edit());
}

void LineEditControl::moveCaretToEnd()
{
    flushWaiting();
    edit()->end(false);
}

} // namespace dialog::qt
