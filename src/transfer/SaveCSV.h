#pragma once

#include "base/Prompts.h"
#include "transfer/ExportJob.h"
#include "transfer/RowSinks.h"
#include "transfer/RowSources.h"
#include "transfer/SpreadsheetFile.h"

#include <QByteArray>
#include <QChar>
#include <QDialog>
#include <QString>
#include <QVector>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class ODBCComm;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

// Work of other features that the export window starts. Empty functions are skipped.
struct SaveCSVHooks {
    // Records a statement in the SQL history (which names the connection itself).
    std::function<void(const QString& sql)> AddHist;
    // Ends a suspended grid fill before execute-and-save takes the cursor.
    std::function<void()> endGridResult;
    // For the rest of the grid's result: every row the grid read, in fetch order whatever its
    // sort and filter, the rows it read but does not show, and its open cursor freed of the
    // grid's cap; false when the rest cannot be read without executing the statement again.
    // endGridResult ends the result afterwards.
    std::function<bool(ResultGridSource& read, std::vector<QVector<QString>>& held)> takeGridRest;
    // The statement reads only, so execute-and-save may run it in autocommit mode when
    // nothing is pending (ODBCComm::DbOpenResultToStream); unset: never.
    std::function<bool(const QString& sql)> readsOnly;
    // Opens an exported file in the external editor.
    std::function<void(const QString& path)> EditFile;
};

// The export window: saves the rows of the result grid as delimited text, to the clipboard or
// as a spreadsheet file (ShowOption), or runs a SELECT straight into a delimited file
// (Show4SelectOut). Created once and hidden, not destroyed, so its choices last. The window
// collects the choices and shows progress and the outcome; the export itself is an ExportJob,
// work on the connection: while it runs, commands that would change the grid or take the
// cursor wait, and Cancel (or closing the window, or the connection's cancelAll) stops it
// before the next row.
class SaveCSV : public QDialog {
    Q_OBJECT

public:
    enum Output { TextFile = 0, Clipboard = 1, Spreadsheet = 2 };

    SaveCSV(ODBCComm& db, Prompts& prompts, SaveCSVHooks hooks, QWidget* owner);

    // Saving the grid's rows; nothing when the window is already open.
    void ShowOption(const ResultGridSource& grid);
    // Execute-and-save of the SQL text; nothing when the window is already open.
    void Show4SelectOut(const QString& sql);
    // The rows of the grid's open result (see takeGridRest) into a text file or a workbook,
    // without executing the statement again; nothing when the window is already open.
    void ShowRest();

    void Opt_out_Click(int index);
    void Command1_Click();
    // Cancel: stops a running export before its next row and hides the window.
    void Command2_Click();
    // The file chosen in the last save dialog.
    const QString& outputPath() const { return outputPath_; }
    // Data rows per worksheet of a workbook before the next sheet begins.
    std::int64_t sheetRows = SpreadsheetFile::kSheetDataRows;

    QRadioButton* Opt_out[3] = {};
    QLabel* L_txt_dlm = nullptr;
    QComboBox* CB_txt_dlm = nullptr;
    QLabel* L_kakomi = nullptr;
    QComboBox* CB_kakomi = nullptr;
    QCheckBox* Chk_head = nullptr;
    // NULL written as nothing, an empty text as two quotes, so that a load tells them apart.
    QCheckBox* Chk_null = nullptr;
    // The text file's encoding (FileEncoding order).
    QLabel* L_code = nullptr;
    QComboBox* CB_code = nullptr;
    QCheckBox* Chk_edit_csv = nullptr;
    QCheckBox* Chk_open_exel = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QFrame* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* L_cnt = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildControls();
    // Shows the window in one of its two modes: saving the grid, or execute-and-save.
    void showInMode(bool selectOut);
    void showWindow();
    QWidget* boxOwner();
    void tell(Prompts::Icon icon, const QString& title, const QString& text);
    QString initialPath(const QString& name) const;
    bool takeSettings();
    ExportSettings settings() const;
    void writeFailed(const QString& errorText);
    // The end of an export whose file did not receive every row (kept as <name>.partial): the
    // box says why and how many rows it holds.
    void tellIncomplete(Prompts::Icon icon, const QString& why, const ExportOutcome& outcome);
    // The boxes of a text file's export that did not complete; false when it completed.
    bool tellTextFileEnd(const ExportOutcome& outcome);
    // The grid's text file, and the rest of a result after it.
    QString askTextFilePath();
    QString askSpreadsheetPath();
    // The boxes of a workbook's export that did not complete; false when it completed.
    bool tellSpreadsheetEnd(const ExportOutcome& outcome);
    // Whether a Show command must not (re)open the window now: it is open, or work runs (then
    // refused with the busy box).
    bool refusedNow(const QString& title);
    // The grid's rows into the chosen output.
    void saveGrid();
    void selectOut();
    void saveRest();
    // The busy marker and counter of an export whose row count is unknown, at 0.
    void startMarker();
    void advanceMarker(std::int64_t rows);
    // The boxes at the end of an export into a text file or a workbook: what did not complete,
    // or the completion (with the "?" warning), then the editor or spreadsheet program.
    // The rows into the file at path, a workbook or delimited text, and the outcome shown.
    void writeFile(RowSource& rows, const QString& path, bool book);
    void endTextFile(const QString& path, const ExportOutcome& outcome);
    void endSpreadsheet(const QString& path, const ExportOutcome& outcome);

    ODBCComm& db_;
    Prompts& prompts_;
    SaveCSVHooks hooks_;
    ResultGridSource grid_;
    bool selectOutMode_ = false;
    bool restMode_ = false;
    int output_ = TextFile;
    QString statement_;
    QString delimiter_;
    QString quote_;
    QString outputPath_;
    std::optional<ExportJob> job_;
    bool placed_ = false;
    std::int64_t markerRows_ = 0;
    int markerCounter_ = 0;
    int markerLeft_ = 0;
};
