#include "dialog/qt/QtRuntime.h"

#include <QByteArray>
#include <QtGlobal>

namespace dialog::qt {

void chooseQtRuntime()
{
    for (const char* name : {"QT_NO_GLIB", "QT_XCB_NO_MITSHM"})
        if (!qEnvironmentVariableIsSet(name))
            qputenv(name, QByteArray("1"));
}

} // namespace dialog::qt
