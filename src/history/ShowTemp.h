#pragma once

#include "history/TemplateStore.h"

#include <QWidget>

#include <cstdint>
#include <functional>

class INIfile_IO;
class Prompts;
class QComboBox;
class QFrame;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class SqlHighlighter;
class TextBoxAids;

// The template window "SQLﾃﾝﾌﾟﾚｰﾄ": the templates in a sorted combo list, the text of the chosen
// one, adding, modifying and deleting, and the copy into the input area. Created once with the
// main window and only hidden, so an edit in progress is found again when it is shown.
class ShowTemp : public QWidget {
    Q_OBJECT

public:
    ShowTemp(INIfile_IO& ini, Prompts& prompts, std::function<void(const QString&)> CopyTmpl,
             QWidget* owner);

    // The placement read with the main window's, applied at the first showing.
    void setPlacement(const QString& placement) { placement_ = placement; }

    void ReadTmpl();
    void SaveTmpl();
    bool Changed() const { return store_.Changed(); }
    void showWindow();
    // The colouring of Text1.
    SqlHighlighter& highlighter();

    TemplateStore& store() { return store_; }
    const TemplateStore& store() const { return store_; }
    bool editing() const { return editMode_ != EditMode::None; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class EditMode { None, Add, Modify };

    void chooseEntry(int index);
    void Cmd_add_Click();
    void Cmd_mod_Click();
    void Cmd_del_Click();
    void Cmd_OK_Click();
    void Cmd_Cancel_Click();
    void Command1_Click();
    void Command2_Click();
    void enterEditing(EditMode mode);
    void leaveEditing();
    void fillCombo();
    void layOut();

    INIfile_IO& ini_;
    Prompts& prompts_;
    QString placement_;
    bool placed_ = false;
    std::function<void(const QString&)> copyTmpl_;
    TemplateStore store_;
    QComboBox* CB_hdr = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    TextBoxAids* textAids_ = nullptr;
    QWidget* Picture1 = nullptr;
    QFrame* Frm_tmpl = nullptr;
    QFrame* Frm_ok_cancel = nullptr;
    QPushButton* Cmd_add = nullptr;
    QPushButton* Cmd_del = nullptr;
    QPushButton* Cmd_mod = nullptr;
    QPushButton* Cmd_OK = nullptr;
    QPushButton* Cmd_Cancel = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QTimer* Timer1 = nullptr;
    std::int16_t cur_tmpl_index = -1;
    EditMode editMode_ = EditMode::None;
    // The template that OK replaces, fixed when 修正 was pressed.
    int modIndex_ = -1;
    // The title typed while editing, put back when a list choice overwrites the field.
    QString typedTitle_;
};
