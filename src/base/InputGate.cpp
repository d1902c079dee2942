#include "base/InputGate.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QWidget>

#include <algorithm>

namespace {

InputGate& gate()
{
    static InputGate* instance = new InputGate;
    return *instance;
}

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

} // namespace

void InputGate::allow(QObject* widget)
{
    InputGate& g = gate();
    std::erase_if(g.allowed_, [](const QPointer<QObject>& p) { return p.isNull(); });
    if (widget != nullptr)
        g.allowed_.emplace_back(widget);
}

bool InputGate::isClosed()
{
    return gate().depth_ > 0;
}

void InputGate::letClosesThrough()
{
    gate().closesThrough_ = true;
}

void InputGate::wait(QEventLoop& loop, bool strict)
{
    const Closed gate(strict);
    loop.exec();
}

void InputGate::runPending()
{
    if (QCoreApplication::instance() == nullptr)
        return;
    const Closed gate;
    // All that is pending, timers included, not one pass: a pass may serve only the next
    // posted event.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

InputGate::Closed::Closed(bool strict) : strict_(strict)
{
    InputGate& g = gate();
    if (strict_)
        ++g.strictDepth_;
    if (g.depth_++ == 0 && qApp != nullptr)
        qApp->installEventFilter(&g);
}

InputGate::Closed::~Closed()
{
    InputGate& g = gate();
    if (strict_)
        --g.strictDepth_;
    if (--g.depth_ == 0 && qApp != nullptr)
        qApp->removeEventFilter(&g);
}

bool InputGate::letsThrough(QObject* target) const
{
    for (QObject* o = target; o != nullptr; o = o->parent()) {
        if (strictDepth_ == 0 &&
            (qobject_cast<QMenuBar*>(o) != nullptr || qobject_cast<QMenu*>(o) != nullptr ||
             qobject_cast<QToolBar*>(o) != nullptr))
            return true;
        if (std::any_of(allowed_.begin(), allowed_.end(),
                        [o](const QPointer<QObject>& p) { return p == o; }))
            return true;
    }
    return false;
}

bool InputGate::eventFilter(QObject* watched, QEvent* event)
{
    if (depth_ == 0)
        return false;
    // Strictly closed, not even a command's shortcut or a close of a window acts.
    if (strictDepth_ > 0 && (event->type() == QEvent::Shortcut ||
                             (event->type() == QEvent::Close && !closesThrough_))) {
        event->ignore();
        return true;
    }
    if (!watched->isWidgetType() || !isUserInput(event->type()))
        return false;
    if (letsThrough(watched))
        return false;
    // A swallowed drag must be refused, or the source would show it as accepted.
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
        event->type() == QEvent::Drop)
        event->ignore();
    return true;
}
