#include "base/MessageBoxPrompts.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace {
QMessageBox::StandardButton toButton(Prompts::Answer a)
{
    switch (a) {
    case Prompts::Answer::Ok:
        return QMessageBox::Ok;
    case Prompts::Answer::Cancel:
        return QMessageBox::Cancel;
    case Prompts::Answer::Yes:
        return QMessageBox::Yes;
    case Prompts::Answer::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}
} // namespace

Prompts::Answer MessageBoxPrompts::ask(QWidget* owner, Icon icon, const QString& title,
                                       const QString& text, Buttons buttons, Answer defaultAnswer)
{
    QMessageBox box(owner);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    switch (buttons) {
    case Buttons::Ok:
        set = QMessageBox::Ok;
        break;
    case Buttons::OkCancel:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case Buttons::YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        break;
    case Buttons::YesNoCancel:
    case Buttons::CommitRollbackCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case Buttons::KeepUndo:
        set = QMessageBox::Yes | QMessageBox::No;
        break;
    }
    box.setStandardButtons(set);
    if (buttons == Buttons::CommitRollbackCancel) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("COMMIT"));
        box.button(QMessageBox::No)->setText(QStringLiteral("ROLLBACK"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    } else if (buttons == Buttons::KeepUndo) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("残す"));
        box.button(QMessageBox::No)->setText(QStringLiteral("取り消す"));
    }
    box.setDefaultButton(toButton(defaultAnswer));
    // Closing the box with Esc or its close button counts as the safe answer.
    box.setEscapeButton(buttons == Buttons::Ok ? QMessageBox::Ok
                        : buttons == Buttons::YesNo || buttons == Buttons::KeepUndo
                            ? QMessageBox::No
                            : QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Ok;
    }
}
