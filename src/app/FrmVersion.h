#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about window "バージョン情報": the title, the version and the author with the company.
// Shown without blocking its owner; OK closes it.
//
// Controls (objectName): L_title_0 (title), L_title_1 (version and author), Command1 "OK".
class FrmVersion : public QDialog {
    Q_OBJECT

public:
    explicit FrmVersion(QWidget* owner);

    // Fills the labels and shows the window, centred on the screen.
    void ShowVer(const QString& title);

    // "Ver.2.5.27" from the program's version.
    static QString versionText();
    // The second label: the version, a line break, the author credit and "（company）".
    static QString versionLabelText();

private:
    void centreOnScreen();

    QLabel* L_title[2] = {};
    QPushButton* Command1 = nullptr;
};
