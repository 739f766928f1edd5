#include "dialog/qt/QuietScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace dialog::qt {

QuietScrollBar::QuietScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent)
{
    followLater_.setSingleShot(true);
    followLater_.callOnTimeout(this, [this] { updateIfChanged(); });
}

// An append moves the range and then the value: the bar is looked at once
// both are done.
void QuietScrollBar::sliderChange(SliderChange)
{
    if (checkPending_)
        return;
    checkPending_ = true;
    QMetaObject::invokeMethod(
        this, [this] { updateIfChanged(); }, Qt::QueuedConnection);
}

void QuietScrollBar::resizeEvent(QResizeEvent* event)
{
    shownEnds_ = -1;
    QScrollBar::resizeEvent(event);
}

void QuietScrollBar::updateIfChanged()
{
    checkPending_ = false;
    const qint64 sinceMs = shownAt_.isValid() ? shownAt_.elapsed() : kFollowMs;
    const bool held = sinceMs < kFollowMs && !isSliderDown() && !underMouse();
    // Held with the later look already due: whatever changed waits for it,
    // so the style's geometry is not asked at every frame of a feed.
    if (held && followLater_.isActive())
        return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    const int ends = (value() == minimum() ? 1 : 0) | (value() == maximum() ? 2 : 0);
    if (handle == shownHandle_ && ends == shownEnds_)
        return;
    // While a feed grows the range, the handle shrinks by a pixel or so at
    // every frame, and each paint of the style's gradients over the bar's
    // height wakes Qt's paint threads: it follows at most five times a
    // second then. A bar the user drags or points at follows at once.
    // Under a feed the next append looks again; the timer, a little later,
    // is for the last one.
    if (held) {
        followLater_.start(static_cast<int>(kFollowMs - sinceMs + kLastLookMs));
        return;
    }
    followLater_.stop();
    shownHandle_ = handle;
    shownEnds_ = ends;
    shownAt_.start();
    update();
}

} // namespace dialog::qt
