#pragma once
// The few widgets the standard set lacks: areas and buttons the program
// paints, a thin rule, and the coloured text view.

#include <QPushButton>
#include <QTextEdit>
#include <QWidget>

#include <functional>

class QMenu;

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

/// The coloured text view: plain-text paste only, and a context menu that
/// the window extends with its own entries.
class RichTextView : public QTextEdit {
    Q_OBJECT
public:
    using MenuExtender = std::function<void(QMenu&)>;
    explicit RichTextView(QWidget* parent);
    void setMenuExtender(MenuExtender extender) { extender_ = std::move(extender); }
    /// The standard edit menu followed by the window's entries; the caller
    /// owns it.
    QMenu* createContextMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    MenuExtender extender_;
};

} // namespace dialog::qt
