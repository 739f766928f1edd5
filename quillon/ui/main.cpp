// Quillon: starts the main window and ends when it closes.

#include "dialog/Clock.h"
#include "dialog/StoredSwitch.h"
#include "dialog/qt/DialogWindow.h"
#include "dialog/qt/ProgramLook.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"
#include "quillon/ui/QuillonWindow.h"
#include "serial/PortNames.h"

#include <QApplication>
#include <QScreen>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace {

// The window has a fixed size: at a scale that makes it larger than the
// screen's work area (2 on a 1920 x 1080 screen), the program starts again
// at the largest quarter step that fits. Qt takes the scale only at start.
void startAgainAtAFittingScale(char** argv)
{
    constexpr const char* kFitted = "QUILLON_SCALE_FITTED";
    if (std::getenv(kFitted))
        return;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const qreal ratio = screen->devicePixelRatio();
    const dialog::WindowTemplate layout = quillon::quillonMainWindowTemplate();
    const qreal scale =
        quillon::ui::fittingScale(QSize(layout.width, layout.height), screen->availableGeometry().size(), ratio);
    if (scale >= ratio)
        return;
    const char* given = std::getenv("QT_SCALE_FACTOR");
    const double factor = (given && std::atof(given) > 0 ? std::atof(given) : 1.0) * scale / ratio;
    setenv("QT_SCALE_FACTOR", std::to_string(factor).c_str(), 1);
    setenv(kFitted, "1", 1);
    execv("/proc/self/exe", argv);
}

} // namespace

int main(int argc, char** argv)
{
    // QApplication takes its own options out of argv; a new start gets them.
    std::vector<char*> given(argv, argv + argc + 1);
    QApplication app(argc, argv);
    startAgainAtAFittingScale(given.data());
    unsetenv("QUILLON_SCALE_FITTED");
    dialog::qt::applyProgramLook(app);
    // Every window of the program (main window, about box, checksum
    // dialog, message boxes, file dialogs) takes the application's icon.
    app.setWindowIcon(quillon::ui::programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));

    const std::filesystem::path configDir = dialog::configFolder("quillon");
    std::error_code ec;
    std::filesystem::create_directories(configDir, ec); // a failure shows later, as a file error at close

    dialog::SystemClock clock;
    quillon::QuillonMainDialog logic(clock, serial::PortNames(serial::defaultLinksDir()), configDir);
    dialog::qt::DialogWindow window(quillon::quillonMainWindowTemplate(), logic);
    quillon::ui::installIndicators(window, logic);
    window.exec();
    return 0;
}
