#pragma once

#include "transfer/CsvImport.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class LoadJob;
class ODBCComm;
class Prompts;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollBar;

// The window "ファイルからTABLEへ登録": a delimited text file is previewed and loaded into a
// chosen table as one INSERT per line, committing every 1, 10, ... 10000 rows. Created on first
// use and only hidden afterwards, so the file, delimiter, options and interval stay until the
// program ends.
//
// The load itself is a LoadJob; this window collects its options, follows its counts and shows
// its outcome. Its Cancel takes clicks while the load holds the program's input, and is seen
// before the next line.
class LoadCSV : public QWidget {
    Q_OBJECT

public:
    LoadCSV(ODBCComm& db, Prompts& prompts, QWidget* owner);
    ~LoadCSV() override;

    // Fills the target list with the tables and synonyms the tree has read and shows the
    // window; nothing happens while it is visible.
    void ShowOption(const QStringList& TblName, const QStringList& SynmName);

    // OK: runs the load; hides the window when it completed.
    void Command1_Click();
    // Cancel (also Escape): a running load stops before its next line; the window hides.
    void Command2_Click();
    // Reads the preview; false when the file cannot be read.
    bool readPreview();

    // The statement last sent, whole (L_sql shows its beginning).
    const QString& lastStatement() const { return lastSql_; }

    QLineEdit* TB_file = nullptr;
    QPushButton* Cmd_ref = nullptr;
    QPushButton* Cmd_read = nullptr;
    QComboBox* CB_txt_dlm = nullptr;
    QCheckBox* Chk_head = nullptr;
    QGroupBox* Frm_head = nullptr;
    QCheckBox* Chk_head_col = nullptr;
    // The file's encoding (FileEncoding order).
    QComboBox* CB_code = nullptr;
    // A line break inside a quoted value is part of the value, as the export writes it.
    QCheckBox* Chk_quoted_lf = nullptr;
    QPlainTextEdit* TB_file_cont = nullptr;
    QComboBox* ImCB_table = nullptr;
    QLabel* L_commit_int = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QLabel* L_cnt = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* L_sql = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Cmd_ref_Click();
    // How the file is read, as the options say.
    csvimport::FileFormat fileFormat() const;
    // Runs the load; true when it completed (the end message was shown).
    bool load();
    void showStatement(const QString& sql);
    void showCount(qint64 inserted, qint64 total);
    void warn(const QString& title, const QString& text);
    ODBCComm& db_;
    Prompts& prompts_;
    QStringList listed_;
    QString filePath_;
    qint64 lineCount_ = 0;
    QString lastSql_;
    bool placed_ = false;
    // The load running, for Cancel.
    LoadJob* job_ = nullptr;
};
