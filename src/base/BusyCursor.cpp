#include "base/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

BusyCursor::BusyCursor()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    // Under a busy pointer already shown (an enclosing guard) nothing changes: per-row guards
    // inside a fill would otherwise push and pop the pointer of every window for each row.
    const QCursor* shown = QGuiApplication::overrideCursor();
    if (shown != nullptr && shown->shape() == Qt::WaitCursor)
        return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    active_ = true;
}

BusyCursor::~BusyCursor()
{
    if (active_)
        QGuiApplication::restoreOverrideCursor();
}
