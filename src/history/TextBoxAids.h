#pragma once

#include <QObject>

class QPlainTextEdit;

// The statement boxes of the history and template windows behave like the input area: Ctrl+A
// selects the whole text, and a double-clicked word is selected without the spaces after it.
class TextBoxAids : public QObject {
    Q_OBJECT

public:
    explicit TextBoxAids(QPlainTextEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void trimSelection();

    QPlainTextEdit* box_;
    // Kept, not asked of the box: events still arrive while it is destroyed.
    QObject* viewport_;
};
