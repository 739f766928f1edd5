#include "quillon/ui/QuillonWindow.h"

#include "dialog/qt/DialogWindow.h"
#include "dialog/qt/ProgramLook.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quillon::ui {
namespace {

const QColor kStatusOpen(255, 0, 0);
const QColor kStatusClosed(0, 0, 0);
const QColor kStatusWaiting(255, 160, 0);
const QColor kLampIdle(0, 70, 0);
const QColor kLampLit(0, 255, 0);
const QColor kToggleNormal(0, 255, 0);
const QColor kToggleOnTop(255, 0, 0);
const QColor kToggleLetter(5, 3, 2);

// A box given as (left, top)-(right, bottom) with the right and bottom
// edges outside it, as the lamp geometry is written; Qt's outlined shapes
// cover one pixel more than their rectangle, hence the -1.
QRect box(const QPoint& origin, int left, int top, int right, int bottom)
{
    return QRect(origin.x() + left, origin.y() + top, right - left - 1, bottom - top - 1);
}

// A filled circle with the default one-pixel black outline.
void lamp(QPainter& p, const QRect& r, const QColor& fill)
{
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(fill);
    p.drawEllipse(r);
}

// The white highlight: the arc of the ellipse in r running counter-clockwise
// from the ray through `from` to the ray through `to`.
void highlight(QPainter& p, const QRect& r, const QPointF& from, const QPointF& to)
{
    const QPointF c = QRectF(r).center();
    const auto angle = [&c](const QPointF& q) {
        return std::atan2(c.y() - q.y(), q.x() - c.x()) * 180.0 / std::numbers::pi;
    };
    double start = angle(from);
    double span = angle(to) - start;
    if (span < 0)
        span += 360.0;
    p.setPen(QPen(Qt::white, 1, Qt::SolidLine));
    p.setBrush(Qt::NoBrush);
    p.drawArc(r, static_cast<int>(std::lround(start * 16)), static_cast<int>(std::lround(span * 16)));
}

} // namespace

void paintStatusLamp(QPainter& p, const QRect& r, bool portOpen, bool waiting)
{
    const QPoint o = r.topLeft();
    p.fillRect(QRect(o, QSize(13, 13)), dialog::qt::kProgramBackground);
    lamp(p, box(o, 0, 0, 13, 13), waiting ? kStatusWaiting : portOpen ? kStatusOpen : kStatusClosed);
    highlight(p, box(o, 2, 2, 11, 11), o + QPointF(5, 3), o + QPointF(3, 5));
}

void paintTrafficLamps(QPainter& p, const QRect& r, bool txLit, bool rxLit)
{
    const QPoint o = r.topLeft();
    p.fillRect(QRect(o, QSize(60, 20)), dialog::qt::kProgramBackground);
    lamp(p, box(o, 5, 5, 18, 18), txLit ? kLampLit : kLampIdle);
    lamp(p, box(o, 35, 5, 48, 18), rxLit ? kLampLit : kLampIdle);
    highlight(p, box(o, 6, 6, 17, 17), o + QPointF(10, 7), o + QPointF(7, 10));
    highlight(p, box(o, 36, 6, 47, 17), o + QPointF(40, 7), o + QPointF(37, 10));
}

void paintTopmostToggle(QPainter& p, const QRect& r, bool onTop)
{
    // The face leaves the button's outer line, so that its frame shows
    // pressed, or inactive.
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(onTop ? kToggleOnTop : kToggleNormal);
    p.drawRect(r.adjusted(1, 1, -2, -2));
    p.setPen(kToggleLetter);
    p.drawText(r.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
               onTop ? QStringLiteral("定") : QStringLiteral("活"));
}

void installIndicators(dialog::qt::DialogWindow& window, const std::function<IndicatorState()>& state)
{
    window.setPainter(StatusLamp, [state](QPainter& p, const QRect& r) {
        const IndicatorState s = state();
        paintStatusLamp(p, r, s.portOpen, s.waiting);
    });
    window.setPainter(TrafficLamps, [state](QPainter& p, const QRect& r) {
        const IndicatorState s = state();
        paintTrafficLamps(p, r, s.txLit, s.rxLit);
    });
    window.setPainter(TopmostToggle, [state](QPainter& p, const QRect& r) { paintTopmostToggle(p, r, state().onTop); });
}

void installIndicators(dialog::qt::DialogWindow& window, const QuillonMainDialog& logic)
{
    installIndicators(window, [&logic] {
        const QuillonMainDialog::Lamps& lamps = logic.lamps();
        return IndicatorState{lamps.portOpen, lamps.txLit, lamps.rxLit, logic.onTop(), lamps.waiting};
    });
}

qreal fittingScale(const QSize& windowSize, const QSize& available, qreal devicePixelRatio, const QSize& frameReserve)
{
    // The manager draws its frame in device pixels, whatever the scale.
    const auto fits = [&](qreal scale) {
        return windowSize.width() * scale + frameReserve.width() <= available.width() * devicePixelRatio &&
               windowSize.height() * scale + frameReserve.height() <= available.height() * devicePixelRatio;
    };
    if (devicePixelRatio <= 1 || fits(devicePixelRatio))
        return devicePixelRatio;
    qreal scale = std::floor(devicePixelRatio * 4 - 1e-9) / 4;
    while (scale > 1 && !fits(scale))
        scale -= 0.25;
    return std::max<qreal>(scale, 1);
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/quillon/icons/quillon-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace quillon::ui
