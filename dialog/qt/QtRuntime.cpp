#include "dialog/qt/QtRuntime.h"

#include <QByteArray>
#include <QtGlobal>

namespace dialog::qt {

void chooseQtRuntime()
{
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", QByteArray("1"));
}

} // namespace dialog::qt
