#include "base/EventPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMetaObject>
#include <QThread>

#include <thread>

void letEventsRun()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void runWhileEventsRun(const std::function<void()>& work)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (qobject_cast<QGuiApplication*>(app) == nullptr ||
        QThread::currentThread() != app->thread()) {
        work();
        return;
    }
    QEventLoop loop;
    // The quit is queued to the loop, so it takes effect inside exec() even when the work ends
    // before exec() starts.
    std::thread worker([&work, &loop] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}
