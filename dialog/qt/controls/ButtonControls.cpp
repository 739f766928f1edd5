#include "dialog/qt/controls/ButtonControls.h"

#include "dialog/qt/TextConvert.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include <utility>

namespace dialog::qt {
namespace {

QPushButton* newPushButton(const ControlTemplate& c, QWidget* parent)
{
    const QString caption = fromSource(c.caption);
    QPushButton* w = c.kind == ControlKind::Button ? new QPushButton(caption, parent) : new PaintedButton(parent);
    // Enter presses the focused button or the template's default one
    // (the window decides), never one the focus merely passed.
    w->setAutoDefault(false);
    w->setDefault(c.styles & style::Default);
    w->setAccessibleName(withoutMnemonic(caption));
    return w;
}

QAbstractButton* newCheckable(const ControlTemplate& c, QWidget* parent, QButtonGroup*& radioGroup)
{
    const QString caption = fromSource(c.caption);
    QAbstractButton* w = nullptr;
    if (c.kind == ControlKind::RadioButton) {
        // Auto-exclusive stays on although the group decides: without it
        // accessibility tools see a check box.
        w = new QRadioButton(caption, parent);
        if (!radioGroup) {
            radioGroup = new QButtonGroup(parent);
            radioGroup->setExclusive(true);
        }
        radioGroup->addButton(w);
    } else {
        w = new QCheckBox(caption, parent);
    }
    w->setAccessibleName(withoutMnemonic(caption));
    return w;
}

} // namespace

ButtonControl::ButtonControl(const ControlTemplate& c, QWidget* parent)
    : ButtonControl(c.id, newPushButton(c, parent), c.kind == ControlKind::OwnerDrawButton)
{
}

ButtonControl::ButtonControl(int id, QAbstractButton* button, bool ownerDrawn)
    : ControlAdapter(id, button), ownerDrawn_(ownerDrawn)
{
}

QAbstractButton* ButtonControl::button() const { return static_cast<QAbstractButton*>(widget()); }

void ButtonControl::connectSignals(ControlHost& host)
{
    // clicked() comes from the user only, never from setChecked().
    QObject::connect(button(), &QAbstractButton::clicked, button(),
                     [&host, id = id()] { host.notify(id, Notification::Clicked); });
}

std::string ButtonControl::text() const { return toSurface(button()->text()); }

void ButtonControl::setText(const std::string& gbk)
{
    button()->setText(fromSurface(gbk));
    // An owner-drawn button's painter draws the face; the text names it to
    // accessibility tools as it is.
    button()->setAccessibleName(ownerDrawn_ ? fromSurface(gbk) : withoutMnemonic(fromSurface(gbk)));
}

void ButtonControl::setPainter(const Painter& painter)
{
    if (auto* painted = qobject_cast<PaintedButton*>(button()))
        painted->setPainter(painter);
}

CheckableControl::CheckableControl(const ControlTemplate& c, QWidget* parent, QButtonGroup*& radioGroup)
    : ButtonControl(c.id, newCheckable(c, parent, radioGroup), false), radio_(c.kind == ControlKind::RadioButton)
{
}

void CheckableControl::connectSignals(ControlHost& host)
{
    QAbstractButton* b = button();
    QObject::connect(b, &QAbstractButton::clicked, b, [this, &host] {
        toggledUnclicked_ = false;
        host.notify(id(), Notification::Clicked);
    });
    // An assistive tool's "toggle" action changes the state without a
    // click, and the logic would never hear of it. A click emits its
    // toggle first and its clicked() at once after, so a toggle still
    // unclaimed once control is back in the event loop was no click.
    QObject::connect(b, &QAbstractButton::toggled, b, [this, &host](bool on) {
        if (host.programChanging() || (radio_ && !on))
            return; // the program's own change, or the radio a group unchecked
        toggledUnclicked_ = true;
        QMetaObject::invokeMethod(
            button(),
            [this, &host] {
                if (std::exchange(toggledUnclicked_, false))
                    host.notify(id(), Notification::Clicked);
            },
            Qt::QueuedConnection);
    });
}

bool CheckableControl::connectChanges(ControlHost& host)
{
    QAbstractButton* b = button();
    QObject::connect(b, &QAbstractButton::toggled, b, [this, &host] { markChanged(host); });
    // Checked and indeterminate are both "on": only the state tells them apart.
    if (auto* box = qobject_cast<QCheckBox*>(b))
        QObject::connect(box, &QCheckBox::stateChanged, box, [this, &host] { markChanged(host); });
    return true;
}

int CheckableControl::check() const
{
    if (!radio_) {
        switch (static_cast<QCheckBox*>(button())->checkState()) {
        case Qt::Checked: return 1;
        case Qt::PartiallyChecked: return 2;
        default: return 0;
        }
    }
    return button()->isChecked() ? 1 : 0;
}

void CheckableControl::setCheck(int state)
{
    if (!radio_) {
        auto* box = static_cast<QCheckBox*>(button());
        if (state == 2)
            box->setTristate(true);
        box->setCheckState(state == 2 ? Qt::PartiallyChecked : state ? Qt::Checked : Qt::Unchecked);
        return;
    }
    // An exclusive group refuses to uncheck its checked button; the program
    // may still clear a radio button.
    QButtonGroup* group = button()->group();
    if (group && !state)
        group->setExclusive(false);
    button()->setChecked(state != 0);
    if (group && !state)
        group->setExclusive(true);
}

} // namespace dialog::qt
