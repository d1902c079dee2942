#pragma once

#include "base/Prompts.h"

// Prompts shown as QMessageBox.
class MessageBoxPrompts : public Prompts {
public:
    Answer ask(QWidget* owner, Icon icon, const QString& title, const QString& text,
               Buttons buttons, Answer defaultAnswer) override;
};
