#pragma once
// The few widgets the standard set lacks: areas and buttons the program
// paints, and a thin rule.

#include <QPushButton>
#include <QWidget>

#include <functional>

namespace dialog::qt {

using Painter = std::function<void(QPainter&, const QRect&)>;

/// An area whose content the program paints; empty until it has a painter.
class PictureWidget : public QWidget {
    Q_OBJECT
public:
    explicit PictureWidget(QWidget* parent) : QWidget(parent) {}
    void setPainter(Painter painter);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Painter painter_;
};

/// A push button whose face the program paints over the standard frame.
/// The painter gets the button's rectangle, shifted by one pixel down and
/// right while the button is held down.
class PaintedButton : public QPushButton {
    Q_OBJECT
public:
    explicit PaintedButton(QWidget* parent) : QPushButton(parent) {}
    void setPainter(Painter painter);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Painter painter_;
};

/// A thin black horizontal line across the widget's width.
class RuleWidget : public QWidget {
    Q_OBJECT
public:
    explicit RuleWidget(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override;
};

} // namespace dialog::qt
