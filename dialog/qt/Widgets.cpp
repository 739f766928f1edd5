#include "dialog/qt/Widgets.h"

#include <QPainter>

namespace dialog::qt {

void PictureWidget::setPainter(Painter painter)
{
    painter_ = std::move(painter);
    update();
}

void PictureWidget::paintEvent(QPaintEvent*)
{
    if (!painter_)
        return;
    QPainter p(this);
    painter_(p, rect());
}

void PaintedButton::setPainter(Painter painter)
{
    painter_ = std::move(painter);
    update();
}

void PaintedButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    if (!painter_)
        return;
    QPainter p(this);
    painter_(p, isDown() ? rect().translated(1, 1) : rect());
}

void RuleWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(0, 0, width(), 1, Qt::black);
}

} // namespace dialog::qt
