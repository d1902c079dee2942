#include "base/TextDrag.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QUrl>

bool TextDrag::offersFiles(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls())
        return false;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

qsizetype TextDrag::moveInsertPosition(qsizetype dropAt, qsizetype dragStart, qsizetype dragLength)
{
    if (dropAt > dragStart && dropAt < dragStart + dragLength)
        return -1;
    return dragStart < dropAt ? dropAt - dragLength : dropAt;
}

bool TextDrag::mouseEvent(const QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* e = static_cast<const QMouseEvent*>(event);
        const QTextCursor sel = box_->textCursor();
        const int at = box_->cursorForPosition(e->position().toPoint()).position();
        pressPos_ = e->position().toPoint();
        pressOnSelection_ = e->button() == Qt::LeftButton && sel.hasSelection() &&
                            at >= sel.selectionStart() && at < sel.selectionEnd();
        return false;
    }
    if (event->type() != QEvent::MouseMove || !pressOnSelection_)
        return false;
    const auto* e = static_cast<const QMouseEvent*>(event);
    if (!(e->buttons() & Qt::LeftButton)) {
        pressOnSelection_ = false;
        return false;
    }
    if ((e->position().toPoint() - pressPos_).manhattanLength() < QApplication::startDragDistance())
        return false;
    return startOwnDrag();
}

bool TextDrag::startOwnDrag()
{
    pressOnSelection_ = false;
    const QTextCursor sel = box_->textCursor();
    if (!sel.hasSelection())
        return false;
    drag_sel_start = sel.selectionStart();
    drag_sel_length = sel.selectionEnd() - sel.selectionStart();
    own_drag = true;
    auto* data = new QMimeData;
    // Paragraph ends of the selection are line breaks to other programs.
    data->setText(sel.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
    auto* drag = new QDrag(box_);
    drag->setMimeData(data);
    // Offered for copying only: text dragged to another program stays here as well.
    if (drag->exec(Qt::CopyAction) == Qt::IgnoreAction && own_drag) {
        QTextCursor c = box_->textCursor();
        c.setPosition(drag_sel_start);
        c.setPosition(drag_sel_start + drag_sel_length, QTextCursor::KeepAnchor);
        box_->setTextCursor(c);
    }
    own_drag = false;
    return true;
}

void TextDrag::dragOver(const QDropEvent* event, bool followPointer)
{
    if (!own_drag && (event->source() == box_ || event->source() == box_->viewport())) {
        const QTextCursor sel = box_->textCursor();
        drag_sel_start = sel.selectionStart();
        drag_sel_length = sel.selectionEnd() - sel.selectionStart();
        own_drag = true;
    }
    // The caret follows the pointer, so the drop lands where it is shown.
    if (followPointer && !own_drag)
        box_->setTextCursor(box_->cursorForPosition(event->position().toPoint()));
}

void TextDrag::drop(QDropEvent* event, const QString& text)
{
    const int at = box_->cursorForPosition(event->position().toPoint()).position();
    QTextCursor c = box_->textCursor();
    if (own_drag) {
        const qsizetype to = moveInsertPosition(at, drag_sel_start, drag_sel_length);
        c.setPosition(drag_sel_start);
        c.setPosition(drag_sel_start + drag_sel_length, QTextCursor::KeepAnchor);
        // Dropped inside itself nothing moves and the selection stays.
        if (to >= 0) {
            c.beginEditBlock();
            c.removeSelectedText();
            c.setPosition(static_cast<int>(to));
            c.insertText(text);
            c.endEditBlock();
        }
    } else {
        c.setPosition(at);
        c.insertText(text);
    }
    box_->setTextCursor(c);
    own_drag = false;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    box_->setFocus();
}
