#pragma once
// Quillon's Qt side: the drawing of the lamps and of the always-on-top
// toggle, and the program's icon. What the indicators show comes from a
// state provider, so the drawing knows nothing of the logic.

#include <QIcon>
#include <QRect>
#include <QSize>

#include <functional>

class QPainter;

namespace dialog::qt {
class DialogWindow;
}

namespace quillon {
class QuillonMainDialog;
}

namespace quillon::ui {

/// What the indicators show at the moment they are drawn.
struct IndicatorState {
    bool portOpen = false;
    bool txLit = false;
    bool rxLit = false;
    bool onTop = false;
    /// The port is in use and waits for its device to come back.
    bool waiting = false;
};

/// The 13 x 13 status lamp: red while the port is open, amber while it
/// waits for its device, black otherwise.
void paintStatusLamp(QPainter& p, const QRect& r, bool portOpen, bool waiting = false);
/// The 60 x 20 send and receive lamps: bright green when lit, dark green idle.
void paintTrafficLamps(QPainter& p, const QRect& r, bool txLit, bool rxLit);
/// The face of the toggle: green with "活", or red with "定" while on top.
void paintTopmostToggle(QPainter& p, const QRect& r, bool onTop);

/// Installs the three painters on the main window; state() is asked at
/// every paint.
void installIndicators(dialog::qt::DialogWindow& window, const std::function<IndicatorState()>& state);
/// The same, showing what logic (which must outlive the window) decided at
/// its last lamp tick and toggle click.
void installIndicators(dialog::qt::DialogWindow& window, const QuillonMainDialog& logic);

/// The scale the fixed window of windowSize (logical pixels) is shown at
/// on a screen of devicePixelRatio whose work area is available (logical
/// pixels): the ratio itself when the window and the manager's frame
/// (frameReserve, device pixels) fit, otherwise the largest quarter step
/// below it that fits, but never below 1.
qreal fittingScale(const QSize& windowSize, const QSize& available, qreal devicePixelRatio,
                   const QSize& frameReserve = QSize(8, 32));

/// Icon 128, the program's icon, in the sizes the desktop asks for.
QIcon programIcon();

} // namespace quillon::ui
