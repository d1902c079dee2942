#pragma once

#include "editor/ExternalEditor.h"

#include <QDialog>
#include <QString>

class INIfile_IO;
class Prompts;
class QLabel;
class QLineEdit;
class QPushButton;

// "外部エディタ設定": the user's editor command, in which "%p" stands for the file to edit, and
// the three ways the program opens files in it. Created once and only hidden afterwards.
class FrmEditor : public QDialog {
    Q_OBJECT

public:
    // keywordFile is the keyword list EditKeyWord opens.
    FrmEditor(INIfile_IO& ini, Prompts& prompts, const QString& keywordFile,
              QWidget* parent = nullptr);
    ~FrmEditor() override;

    // Reads the command from the settings into editor_command and Text1.
    void GetEditorCommand();
    // The text after editing it in the editor (waits for the editor to end); org_sql itself
    // when there is no editor, it cannot be started, or the result cannot be read back.
    QString editSql(const QString& org_sql);
    // Opens the keyword list in the editor and waits for it to end.
    void EditKeyWord();
    // Opens a file in the editor without waiting.
    void EditFile(const QString& file_path);
    // "外部エディタの設定(&E)...": the window, modal to its owner.
    void showSettings();

    const QString& editorCommand() const { return editor_command; }
    // True while an edit waits for the editor.
    bool editing() const { return editing_; }

    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label1[2] = {};
    QPushButton* Cmd_fileref = nullptr;
    QPushButton* Cmd_OK = nullptr;
    QPushButton* Cmd_cancel = nullptr;

protected:
    void reject() override;

private:
    // False, after telling the user and showing this window, when no editor is configured.
    bool editorCheck();
    void showWindow(Qt::WindowModality modality);
    void fileRefCommand();
    void okCommand();
    void cancelCommand();

    INIfile_IO& ini_;
    Prompts& prompts_;
    QString keywordFile_;
    QString editor_command;
    exteditor::EditFileFolder editFolder_;
    bool editing_ = false;
};
