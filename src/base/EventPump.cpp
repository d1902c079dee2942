#include "base/EventPump.h"

#include <QCoreApplication>

void letEventsRun()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}
