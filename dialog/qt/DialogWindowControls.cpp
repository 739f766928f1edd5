// The ControlSurface over the window's controls: each call goes to the
// adapter of the control's kind (controls/).

#include "dialog/qt/DialogWindow.h"

#include "dialog/qt/TextConvert.h"

#include <QAbstractScrollArea>

namespace dialog::qt {
namespace {

QRect toQRect(const Rect& r) { return QRect(r.x, r.y, r.w, r.h); }

} // namespace

void DialogWindow::setPainter(int id, const Painter& painter)
{
    if (ControlAdapter* c = find(id))
        c->setPainter(painter);
}

void DialogWindow::redraw(int id)
{
    if (QWidget* w = control(id))
        w->update();
}

void DialogWindow::moveControl(int id, const Rect& rect)
{
    if (QWidget* w = control(id))
        w->setGeometry(toQRect(rect));
}

// --- what every control does -------------------------------------------------

void DialogWindow::enable(int id, bool on)
{
    if (QWidget* w = control(id))
        w->setEnabled(on);
}

bool DialogWindow::isEnabled(int id) const
{
    QWidget* w = control(id);
    return w && w->isEnabled();
}

void DialogWindow::show(int id, bool on)
{
    if (QWidget* w = control(id))
        w->setVisible(on);
}

bool DialogWindow::isShown(int id) const
{
    QWidget* w = control(id);
    return w && !w->isHidden();
}

void DialogWindow::focus(int id)
{
    if (QWidget* w = control(id))
        w->setFocus(Qt::OtherFocusReason);
}

void DialogWindow::setToolTip(int id, const std::string& gbk)
{
    if (QWidget* w = control(id))
        w->setToolTip(fromSurface(gbk));
}

std::optional<std::uint64_t> DialogWindow::changedAt(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->changedAt() : std::nullopt;
}

int DialogWindow::clientHeight(int id) const
{
    if (auto* area = qobject_cast<QAbstractScrollArea*>(control(id)))
        return area->viewport()->height();
    QWidget* w = control(id);
    return w ? w->height() : 0;
}

// --- what the kinds do ---------------------------------------------------------

// The program's change of control id: marked while it runs, so the signals
// it causes are not taken for the user's, and stamped once done. False when
// the table has no such control.
template <class Change> bool DialogWindow::changeByProgram(int id, Change&& change)
{
    ControlAdapter* c = find(id);
    if (!c)
        return false;
    ProgramChange marked(*this);
    change(*c);
    c->markChanged(*this);
    return true;
}

std::string DialogWindow::text(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->text() : std::string();
}

void DialogWindow::setText(int id, const std::string& gbk)
{
    changeByProgram(id, [&](ControlAdapter& c) { c.setText(gbk); });
}

int DialogWindow::check(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->check() : 0;
}

void DialogWindow::setCheck(int id, int state)
{
    changeByProgram(id, [&](ControlAdapter& c) { c.setCheck(state); });
}

void DialogWindow::clearList(int id)
{
    changeByProgram(id, [](ControlAdapter& c) { c.clearList(); });
}

int DialogWindow::insertItem(int id, int pos, const std::string& gbk)
{
    int at = -1;
    changeByProgram(id, [&](ControlAdapter& c) { at = c.insertItem(pos, gbk); });
    return at;
}

int DialogWindow::itemCount(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->itemCount() : 0;
}

std::string DialogWindow::itemText(int id, int pos) const
{
    const ControlAdapter* c = find(id);
    return c ? c->itemText(pos) : std::string();
}

int DialogWindow::selection(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->selection() : -1;
}

void DialogWindow::select(int id, int pos)
{
    changeByProgram(id, [&](ControlAdapter& c) { c.select(pos); });
}

void DialogWindow::setItemToolTip(int id, int pos, const std::string& gbk)
{
    if (ControlAdapter* c = find(id))
        c->setItemToolTip(pos, gbk);
}

void DialogWindow::appendText(int id, const std::string& gbk)
{
    if (!gbk.empty())
        changeByProgram(id, [&](ControlAdapter& c) { c.appendText(gbk); });
}

bool DialogWindow::isModified(int id) const
{
    const ControlAdapter* c = find(id);
    return c && c->isModified();
}

void DialogWindow::setModified(int id, bool on)
{
    if (ControlAdapter* c = find(id))
        c->setModified(on);
}

void DialogWindow::revertUserEdits(int id)
{
    changeByProgram(id, [](ControlAdapter& c) { c.revertUserEdits(); });
}

int DialogWindow::selectionStart(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->selectionStart() : 0;
}

void DialogWindow::moveCaretToEnd(int id)
{
    if (ControlAdapter* c = find(id))
        c->moveCaretToEnd();
}

void DialogWindow::appendRich(int id, const std::string& gbk, Rgb colour)
{
    changeByProgram(id, [&](ControlAdapter& c) { c.appendRich(gbk, colour); });
}

int DialogWindow::lineCount(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->lineCount() : 0;
}

int DialogWindow::textLength(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->textLength() : 0;
}

void DialogWindow::scrollToEnd(int id)
{
    if (ControlAdapter* c = find(id))
        c->scrollToEnd();
}

void DialogWindow::setDefaultColour(int id, Rgb colour)
{
    if (ControlAdapter* c = find(id))
        c->setDefaultColour(colour);
}

} // namespace dialog::qt
