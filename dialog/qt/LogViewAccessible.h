#pragma once
// What accessibility tools see of a receive view.

namespace dialog::qt {

/// Lets accessibility tools read and edit the receive views; once per
/// program, before the first view is shown.
void installLogViewAccessibility();

} // namespace dialog::qt
