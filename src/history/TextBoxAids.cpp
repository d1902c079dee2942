#include "history/TextBoxAids.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

TextBoxAids::TextBoxAids(QPlainTextEdit* box) : QObject(box), box_(box), viewport_(nullptr)
{
    box_->installEventFilter(this);
    viewport_ = box_->viewport();
    viewport_->installEventFilter(this);
}

bool TextBoxAids::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == box_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & Qt::ControlModifier) && key->key() == Qt::Key_A) {
            box_->selectAll();
            return true;
        }
    } else if (watched == viewport_ && event->type() == QEvent::MouseButtonDblClick) {
        // After the box has selected the word.
        QTimer::singleShot(0, this, &TextBoxAids::trimSelection);
    }
    return QObject::eventFilter(watched, event);
}

void TextBoxAids::trimSelection()
{
    QTextCursor c = box_->textCursor();
    if (!c.hasSelection())
        return;
    const QString text = c.selectedText();
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == QLatin1Char(' '))
        --n;
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(start + static_cast<int>(n), QTextCursor::KeepAnchor);
    box_->setTextCursor(c);
}
