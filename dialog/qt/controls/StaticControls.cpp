#include "dialog/qt/controls/StaticControls.h"

#include "dialog/qt/TextConvert.h"

#include <QGroupBox>
#include <QLabel>

#include <utility>

namespace dialog::qt {
namespace {

Qt::Alignment labelAlignment(unsigned styles)
{
    Qt::Alignment h = Qt::AlignLeft;
    if (styles & style::Centre)
        h = Qt::AlignHCenter;
    else if (styles & style::AlignRight)
        h = Qt::AlignRight;
    return h | Qt::AlignVCenter;
}

QLabel* newLabel(const ControlTemplate& c, QWidget* parent)
{
    const QString caption = fromSource(c.caption);
    auto* w = new QLabel(caption, parent);
    w->setTextFormat(Qt::PlainText);
    w->setAlignment(labelAlignment(c.styles));
    w->setWordWrap(true);
    w->setAccessibleName(caption);
    return w;
}

QGroupBox* newGroupBox(const ControlTemplate& c, QWidget* parent)
{
    auto* w = new QGroupBox(fromSource(c.caption), parent);
    w->setFocusPolicy(Qt::NoFocus);
    w->setAccessibleName(withoutMnemonic(w->title()));
    return w;
}

PictureWidget* newPicture(const ControlTemplate& c, QWidget* parent)
{
    auto* w = new PictureWidget(parent);
    w->setAccessibleName(fromSource(c.accessibleName.empty() ? c.caption : c.accessibleName));
    return w;
}

} // namespace

LabelControl::LabelControl(const ControlTemplate& c, QWidget* parent, ControlHost& host)
    : ControlAdapter(c.id, newLabel(c, parent)), host_(host)
{
}

QLabel* LabelControl::label() const { return static_cast<QLabel*>(widget()); }

std::string LabelControl::text() const { return shown_ ? *shown_ : toSurface(label()->text()); }

void LabelControl::setText(const std::string& gbk)
{
    // Veltra's counters are labels, set at every poll that moves data: a
    // label shows its last text at the end of the frame.
    shown_ = gbk;
    if (label()->isVisible())
        host_.countWaiting(id());
    else
        flushWaiting();
}

void LabelControl::flushWaiting() const
{
    if (!shown_)
        return;
    const QString caption = fromSurface(*shown_);
    shown_.reset();
    if (caption == label()->text())
        return;
    label()->setText(caption);
    // The accessible names were fixed at creation: follow the caption, so
    // accessibility tools read what the window shows, also for the control
    // the label names.
    label()->setAccessibleName(label()->text());
    if (QWidget* buddy = label()->buddy())
        setAccessibleNames(buddy, label()->text());
}

GroupBoxControl::GroupBoxControl(const ControlTemplate& c, QWidget* parent)
    : ControlAdapter(c.id, newGroupBox(c, parent))
{
}

QGroupBox* GroupBoxControl::box() const { return static_cast<QGroupBox*>(widget()); }

std::string GroupBoxControl::text() const { return toSurface(box()->title()); }

void GroupBoxControl::setText(const std::string& gbk)
{
    box()->setTitle(fromSurface(gbk));
    box()->setAccessibleName(withoutMnemonic(fromSurface(gbk)));
}

PictureControl::PictureControl(const ControlTemplate& c, QWidget* parent) : ControlAdapter(c.id, newPicture(c, parent))
{
}

void PictureControl::setPainter(const Painter& painter) { static_cast<PictureWidget*>(widget())->setPainter(painter); }

} // namespace dialog::qt
