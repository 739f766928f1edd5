#pragma once
// Quillon's Qt side: the drawing of the lamps and of the always-on-top
// toggle. What they show comes from a state provider, so the logic can
// drive them later without the drawing knowing it.

#include <QRect>

#include <functional>

class QPainter;

namespace dialog::qt {
class DialogWindow;
}

namespace quillon::ui {

/// What the indicators show at the moment they are drawn.
struct IndicatorState {
    bool portOpen = false;
    bool txLit = false;
    bool rxLit = false;
    bool onTop = false;
};

/// The 13 x 13 status lamp: red while the port is open, black otherwise.
void paintStatusLamp(QPainter& p, const QRect& r, bool portOpen);
/// The 60 x 20 send and receive lamps: bright green when lit, dark green idle.
void paintTrafficLamps(QPainter& p, const QRect& r, bool txLit, bool rxLit);
/// The face of the toggle: green with "活", or red with "定" while on top.
void paintTopmostToggle(QPainter& p, const QRect& r, bool onTop);

/// Installs the three painters on the main window; state() is asked at
/// every paint.
void installIndicators(dialog::qt::DialogWindow& window, std::function<IndicatorState()> state);

} // namespace quillon::ui
