#include "base/EventPump.h"

#include <QCoreApplication>
#include <QEventLoop>

void letEventsRun()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}
