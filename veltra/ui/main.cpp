// Veltra: starts the main window and ends when it closes.

#include "dialog/Clock.h"
#include "dialog/StoredSwitch.h"
#include "dialog/qt/DialogWindow.h"
#include "dialog/qt/ProgramLook.h"
#include "serial/PortNames.h"
#include "veltra/app/VeltraMainDialog.h"
#include "veltra/app/VeltraTemplates.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dialog::qt::applyProgramLook(app);
    // Every window of the program (main window, about box, message boxes,
    // file dialogs) takes the application's icon.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/veltra/icons/veltra-%1.png").arg(size), QSize(size, size));
    app.setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("veltra"));

    dialog::SystemClock clock;
    veltra::VeltraMainDialog logic(clock, serial::PortNames(serial::defaultLinksDir()), dialog::configFolder("veltra"));
    dialog::qt::DialogWindow window(veltra::veltraMainWindowTemplate(), logic);
    window.exec();
    return 0;
}
