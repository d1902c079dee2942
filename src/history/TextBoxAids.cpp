#include "history/TextBoxAids.h"

#include "base/SqlHighlight.h"
#include "base/TextDrag.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

TextBoxAids::TextBoxAids(QPlainTextEdit* box)
    : QObject(box), box_(box), highlighter_(new SqlHighlighter(box->document())),
      viewport_(nullptr), drag_(std::make_unique<TextDrag>(box))
{
    highlighter_->setDarkBackground(box->palette().color(QPalette::Base).lightness() < 128);
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
        return false;
    }
    if (watched != viewport_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        // After the box has selected the word.
        QTimer::singleShot(0, this, &TextBoxAids::trimSelection);
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
        return drag_->mouseEvent(event);
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        const QMimeData* data = e->mimeData();
        if (box_->isReadOnly() || TextDrag::offersFiles(data) || !data->hasText()) {
            e->ignore();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            drag_->drop(e, data->text());
            return true;
        }
        drag_->dragOver(e, true);
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return true;
    }
    default:
        return false;
    }
}

TextBoxAids::~TextBoxAids() = default;

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
