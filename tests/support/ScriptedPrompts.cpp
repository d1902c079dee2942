#include "ScriptedPrompts.h"

Prompts::Answer ScriptedPrompts::ask(QWidget*, Icon icon, const QString& title, const QString& text,
                                     Buttons buttons, Answer defaultAnswer)
{
    const Answer answer = answers_.isEmpty() ? defaultAnswer : answers_.dequeue();
    boxes_.append(Box{icon, title, text, buttons, defaultAnswer, answer});
    return answer;
}
