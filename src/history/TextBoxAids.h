#pragma once

#include <QObject>

#include <memory>

class QEvent;
class QPlainTextEdit;
class SqlHighlighter;
class TextDrag;

// The statement boxes of the history and template windows behave like the input area: Ctrl+A
// selects the whole text, a double-clicked word is selected without the spaces after it, and
// text is dragged into, out of and inside the box by the input area's rules: a drag of the
// selection is offered for copying only (another program never takes the text away), a drop of
// the box's own selection moves it, text from elsewhere is inserted, and files are refused. Its
// SQL is coloured as the input area's.
class TextBoxAids : public QObject {
    Q_OBJECT

public:
    explicit TextBoxAids(QPlainTextEdit* box);
    ~TextBoxAids() override;

    SqlHighlighter& highlighter() { return *highlighter_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void trimSelection();

    QPlainTextEdit* box_;
    SqlHighlighter* highlighter_;
    // Kept, not asked of the box: events still arrive while it is destroyed.
    QObject* viewport_;
    std::unique_ptr<TextDrag> drag_;
};
