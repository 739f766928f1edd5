// Veltra: starts the main window and ends when it closes.

#include "dialog/Clock.h"
#include "dialog/qt/DialogWindow.h"
#include "dialog/qt/ProgramLook.h"
#include "serial/PortNames.h"
#include "veltra/app/VeltraMainDialog.h"
#include "veltra/app/VeltraTemplates.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dialog::qt::applyProgramLook(app);

    dialog::SystemClock clock;
    veltra::VeltraMainDialog logic(clock, serial::PortNames(serial::defaultLinksDir()));
    dialog::qt::DialogWindow window(veltra::veltraMainWindowTemplate(), logic);
    window.exec();
    return 0;
}
