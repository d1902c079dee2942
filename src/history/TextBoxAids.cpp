#include "history/TextBoxAids.h"

#include "base/SqlHighlight.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>

namespace {

// Files dragged from a file manager; a link dragged from a browser (an address that is no
// local file, beside its text) is text.
bool offersFiles(const QMimeData* data)
{
    if (!data->hasUrls())
        return false;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

} // namespace

TextBoxAids::TextBoxAids(QPlainTextEdit* box)
    : QObject(box), box_(box), highlighter_(new SqlHighlighter(box->document())), viewport_(nullptr)
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
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        const QTextCursor sel = box_->textCursor();
        const int at = box_->cursorForPosition(e->position().toPoint()).position();
        pressPos_ = e->position().toPoint();
        pressOnSelection_ = e->button() == Qt::LeftButton && sel.hasSelection() &&
                            at >= sel.selectionStart() && at < sel.selectionEnd();
        return false;
    }
    case QEvent::MouseMove: {
        if (!pressOnSelection_)
            return false;
        const auto* e = static_cast<QMouseEvent*>(event);
        if (!(e->buttons() & Qt::LeftButton)) {
            pressOnSelection_ = false;
            return false;
        }
        if ((e->position().toPoint() - pressPos_).manhattanLength() <
            QApplication::startDragDistance())
            return false;
        return startOwnDrag();
    }
    default:
        return dragEvent(event);
    }
}

bool TextBoxAids::startOwnDrag()
{
    pressOnSelection_ = false;
    const QTextCursor sel = box_->textCursor();
    if (!sel.hasSelection())
        return false;
    dragStart_ = sel.selectionStart();
    dragLength_ = sel.selectionEnd() - sel.selectionStart();
    ownDrag_ = true;
    auto* data = new QMimeData;
    data->setText(sel.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
    auto* drag = new QDrag(box_);
    drag->setMimeData(data);
    if (drag->exec(Qt::CopyAction) == Qt::IgnoreAction && ownDrag_) {
        QTextCursor c = box_->textCursor();
        c.setPosition(dragStart_);
        c.setPosition(dragStart_ + dragLength_, QTextCursor::KeepAnchor);
        box_->setTextCursor(c);
    }
    ownDrag_ = false;
    return true;
}

bool TextBoxAids::dragEvent(QEvent* event)
{
    if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove &&
        event->type() != QEvent::Drop)
        return false;
    auto* e = static_cast<QDropEvent*>(event);
    const QMimeData* data = e->mimeData();
    if (box_->isReadOnly() || offersFiles(data) || !data->hasText()) {
        e->ignore();
        return true;
    }
    const int at = box_->cursorForPosition(e->position().toPoint()).position();
    if (event->type() != QEvent::Drop) {
        if (!ownDrag_)
            box_->setTextCursor(box_->cursorForPosition(e->position().toPoint()));
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return true;
    }
    QTextCursor c = box_->textCursor();
    if (ownDrag_) {
        c.setPosition(dragStart_);
        c.setPosition(dragStart_ + dragLength_, QTextCursor::KeepAnchor);
        // Dropped inside itself nothing moves; behind it, the removed text shifts the place.
        if (at < dragStart_ || at > dragStart_ + dragLength_) {
            c.beginEditBlock();
            c.removeSelectedText();
            c.setPosition(at > dragStart_ ? at - dragLength_ : at);
            c.insertText(data->text());
            c.endEditBlock();
        }
    } else {
        c.setPosition(at);
        c.insertText(data->text());
    }
    box_->setTextCursor(c);
    ownDrag_ = false;
    e->setDropAction(Qt::CopyAction);
    e->accept();
    box_->setFocus();
    return true;
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
