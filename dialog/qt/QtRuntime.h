#pragma once
// How Qt runs under the programs' ticks, chosen before QApplication exists.

namespace dialog::qt {

/// Call first in main(). Picks Qt's own event loop over GLib's, which
/// wakes itself once more each time a descriptor watch is turned on or
/// off (every rest and wake of a poll), and sends window updates as
/// requests instead of through shared memory, where each paint over a
/// region still on its way waits for a round trip to the X server. The
/// programs paint a few rows a frame and scroll on the server, so the
/// requests stay small. QT_NO_GLIB or QT_XCB_NO_MITSHM set by the user
/// stand as set.
void chooseQtRuntime();

} // namespace dialog::qt
