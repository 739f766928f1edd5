#pragma once
// How Qt runs under the programs' ticks, chosen before QApplication exists.

namespace dialog::qt {

/// Call first in main(). Picks Qt's own event loop over GLib's, which
/// wakes itself once more each time a descriptor watch is turned on or
/// off (every rest and wake of a poll). QT_NO_GLIB set by the user stands
/// as set.
void chooseQtRuntime();

} // namespace dialog::qt
