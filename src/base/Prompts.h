#pragma once

#include <QString>

class QWidget;

// Every modal message box of the program goes through this interface, so that tests can
// answer boxes from a script and see what was shown. There is no program-wide instance: main()
// creates the message-box one and every window and controller receives it in its constructor.
class Prompts {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    // CommitRollbackCancel: Yes is "COMMIT", No "ROLLBACK"; KeepUndo: Yes is "残す", No "取り消す".
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, CommitRollbackCancel, KeepUndo };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompts() = default;

    // Shows one modal box and returns the button pressed. defaultAnswer is the button that
    // Enter presses (Cancel where going on is the risky choice).
    virtual Answer ask(QWidget* owner, Icon icon, const QString& title, const QString& text,
                       Buttons buttons, Answer defaultAnswer) = 0;

    // A single OK button.
    void tell(QWidget* owner, Icon icon, const QString& title, const QString& text)
    {
        ask(owner, icon, title, text, Buttons::Ok, Answer::Ok);
    }
};
