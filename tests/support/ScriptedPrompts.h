#pragma once

#include "base/Prompts.h"

#include <QList>
#include <QQueue>

// Prompts for tests: records every box and answers from a queue. When the queue is empty the
// default button is pressed.
class ScriptedPrompts : public Prompts {
public:
    struct Box {
        Icon icon;
        QString title;
        QString text;
        Buttons buttons;
        Answer defaultAnswer;
        Answer answered;
    };

    Answer ask(QWidget* owner, Icon icon, const QString& title, const QString& text,
               Buttons buttons, Answer defaultAnswer) override;

    void queueAnswer(Answer answer) { answers_.enqueue(answer); }
    const QList<Box>& boxes() const { return boxes_; }
    void clear()
    {
        boxes_.clear();
        answers_.clear();
    }

private:
    QList<Box> boxes_;
    QQueue<Answer> answers_;
};
