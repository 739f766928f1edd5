#pragma once
// Quillon's real window (offscreen) on a pseudo-terminal pinned as COM1,
// for the benchmarks. Logic may be a subclass of QuillonMainDialog that
// watches its own ticks.

#include "dialog/Clock.h"
#include "dialog/qt/DialogWindow.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"
#include "testing/Pty.h"
#include "testing/TempDir.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

template <class Logic = quillon::QuillonMainDialog> struct QuillonRig {
    test_support::TempDir config{"quillon-bench"};
    test_support::TempDir links{"quillon-ports"};
    dialog::SystemClock clock;
    Logic logic{clock, serial::PortNames(links.path(), [] { return std::vector<std::filesystem::path>{}; }),
                config.path()};
    dialog::qt::DialogWindow window{quillon::quillonMainWindowTemplate(), logic};
    test_support::Pty device{test_support::Pty::Slave::Close};
    const int master = device.master();

    QuillonRig() { std::filesystem::create_symlink(device.slavePath(), links / "COM1"); }
    dialog::ControlSurface& s() { return window; }
    /// Opens COM1 as the user would; a port that does not open ends the run.
    void open()
    {
        s().select(quillon::PortList, 0);
        logic.dispatch(quillon::OpenButton, dialog::Notification::Clicked);
        if (!logic.device().isOpen())
            std::abort();
    }
    /// A counter as its control shows it.
    std::int64_t counter(int id) { return std::stoll(s().text(id)); }
};

} // namespace bench
