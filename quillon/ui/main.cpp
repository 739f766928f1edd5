// Quillon: starts the main window and ends when it closes.

#include "dialog/Clock.h"
#include "dialog/qt/DialogWindow.h"
#include "dialog/qt/ProgramLook.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"
#include "quillon/ui/QuillonWindow.h"
#include "serial/PortNames.h"

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

// $XDG_CONFIG_HOME/quillon, or ~/.config/quillon when that is unset or not
// absolute (as the XDG rules ask).
std::filesystem::path settingsDir()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (xdg && *xdg && std::filesystem::path(xdg).is_absolute()) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home && *home ? home : ".") / ".config";
    }
    return base / "quillon";
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dialog::qt::applyProgramLook(app);
    // Every window of the program (main window, about box, checksum
    // dialog, message boxes, file dialogs) takes the application's icon.
    app.setWindowIcon(quillon::ui::programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));

    const std::filesystem::path configDir = settingsDir();
    std::error_code ec;
    std::filesystem::create_directories(configDir, ec); // a failure shows later, as a file error at close

    dialog::SystemClock clock;
    quillon::QuillonMainDialog logic(clock, serial::PortNames(serial::defaultLinksDir()), configDir);
    dialog::qt::DialogWindow window(quillon::quillonMainWindowTemplate(), logic);
    quillon::ui::installIndicators(window, logic);
    window.exec();
    return 0;
}
