#include "base/Composition.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>

namespace {

bool isHeldKey(const QKeyEvent* key)
{
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    switch (key->key()) {
    case Qt::Key_A:
    case Qt::Key_J:
    case Qt::Key_I:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return ctrl;
    case Qt::Key_F3:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}

class Watcher : public QObject {
public:
    QHash<const QObject*, QString> preedits;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::InputMethod: {
            const QString text = static_cast<QInputMethodEvent*>(event)->preeditString();
            if (text.isEmpty()) {
                preedits.remove(watched);
            } else {
                if (!preedits.contains(watched))
                    connect(watched, &QObject::destroyed, this,
                            [this](QObject* gone) { preedits.remove(gone); });
                preedits.insert(watched, text);
            }
            return false;
        }
        case QEvent::ShortcutOverride:
            // Taken by the composing widget: no menu shortcut fires, and the key goes on to
            // the widget as an ordinary key press.
            if (preedits.contains(watched)) {
                event->accept();
                return true;
            }
            return false;
        case QEvent::KeyPress:
            return preedits.contains(watched) && isHeldKey(static_cast<QKeyEvent*>(event));
        default:
            return false;
        }
    }
};

Watcher* watcher()
{
    static Watcher* instance = nullptr;
    if (instance == nullptr && QCoreApplication::instance() != nullptr) {
        instance = new Watcher;
        instance->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(instance);
    }
    return instance;
}

} // namespace

namespace composition {

void install()
{
    watcher();
}

bool composing(const QObject* object)
{
    Watcher* w = watcher();
    return w != nullptr && w->preedits.contains(object);
}

QString preedit(const QObject* object)
{
    Watcher* w = watcher();
    return w != nullptr ? w->preedits.value(object) : QString();
}

void commit(QObject* object)
{
    if (!composing(object))
        return;
    // A desktop input method commits its own preedit here when object has the focus.
    QGuiApplication::inputMethod()->commit();
    const QString text = preedit(object);
    if (text.isEmpty())
        return;
    QInputMethodEvent done;
    done.setCommitString(text);
    QCoreApplication::sendEvent(object, &done);
    // Forgotten by the input method, so that it never commits the same text a second time.
    QGuiApplication::inputMethod()->reset();
}

} // namespace composition
