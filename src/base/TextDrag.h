#pragma once

#include <QPoint>
#include <QtGlobal>

#include <cstdint>

class QDropEvent;
class QEvent;
class QMimeData;
class QPlainTextEdit;
class QString;

// Text dragged into, out of and inside a text box, as the SQL input area and the statement
// boxes of the history and template windows do it: a drag of the selection is offered for
// copying only (another program never takes the text away), a drop of the box's own selection
// moves it, and text from elsewhere is inserted where it is dropped.
class TextDrag {
public:
    explicit TextDrag(QPlainTextEdit* box) : box_(box) {}

    // Files dragged from a file manager; a link dragged from a browser (an address that is no
    // local file, beside its text) is text.
    static bool offersFiles(const QMimeData* data);
    // Where the box's own dragged text lands. The dragged range is removed first, so a drop
    // behind it moves left by its length; a drop inside it changes nothing (-1).
    static qsizetype moveInsertPosition(qsizetype dropAt, qsizetype dragStart,
                                        qsizetype dragLength);

    // A mouse press or move on the box's viewport: a press on the selection, then a move of
    // the start distance with the button held, starts the drag of the selection. True when a
    // drag ran (the event is used).
    bool mouseEvent(const QEvent* event);
    // A drag that enters or moves over the box: one the box started by itself counts as its
    // own, from its selection; for text from elsewhere the caret follows the pointer.
    void dragOver(const QDropEvent* event, bool followPointer);
    // Drops text at the pointer: the own selection moves there (nothing when dropped inside
    // it), other text is inserted. The drag ends and the box gets the focus.
    void drop(QDropEvent* event, const QString& text);

    // The box's own drag in progress, and its selection when it started.
    bool own_drag = false;
    std::int32_t drag_sel_start = 0;
    std::int32_t drag_sel_length = 0;

private:
    bool startOwnDrag();

    QPlainTextEdit* box_;
    QPoint pressPos_;
    bool pressOnSelection_ = false;
};
