#pragma once

#include "history/HistoryLog.h"

#include <QWidget>

#include <functional>

class ConnectionWork;
class INIfile_IO;
class Prompts;
class QAction;
class QFrame;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class SqlHighlighter;
class TextBoxAids;
class QTreeWidget;
class QTreeWidgetItem;

// What the history window hands back to the SQL input area.
struct ShowHistHooks {
    std::function<void(const QString&)> InputHist; // into the input area
    std::function<void(const QString&)> PostSQL;   // into the input area, and run
};

// The history window "SQL入力履歴": the list of entries newest first, the statement of the
// chosen one, and the commands that hand it back. Created once with the main window and only
// hidden, never closed, so its list and sort order last until the program ends. It owns the
// history (HistoryLog) and its append timer. A run asked for while work runs on the connection
// is refused before anything changes, so the window and the input area stay as they were.
class ShowHist : public QWidget {
    Q_OBJECT

public:
    // The header data role of a column's sort image ("SortASC", "SortDESC" or empty), which
    // the list's header draws.
    static constexpr int kSortImageRole = Qt::UserRole + 2;

    ShowHist(INIfile_IO& ini, ConnectionWork& work, Prompts& prompts, ShowHistHooks hooks,
             QWidget* owner);

    // The placement read with the main window's, applied at the first showing.
    void setPlacement(const QString& placement) { placement_ = placement; }

    // ReadHist: the history of SQLHIST.TXT in the list; starts the append timer.
    void ReadHist();
    // AddHist: a new entry on top; the rows of entries dropped for room go.
    void AddHist(const QString& dsn, const QString& sql);
    // SaveHist: pending entries written, then the file cut to the capacity.
    void SaveHist();
    bool Changed() const { return log_.Changed(); }
    // Shows the window (placed from the settings the first time) and brings it to the front.
    void showWindow();
    // The colouring of Text1.
    SqlHighlighter& highlighter();
    // The run command is available only when the main window's is.
    void setRunEnabled(bool on);

    HistoryLog& log() { return log_; }
    const HistoryLog& log() const { return log_; }

    // Column click: "SQL" never sorts; another column sorts descending, then ascending, then
    // the list returns to newest first.
    void columnClick(int column);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Timer1_Timer();
    QTreeWidgetItem* makeRow(const ClassSQL& entry, quint64 serial) const;
    void rowClicked(QTreeWidgetItem* row);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void hideSaving();
    void layOut(double splitTop);
    void showSortImages();

    INIfile_IO& ini_;
    ConnectionWork& work_;
    Prompts& prompts_;
    QString placement_;
    bool placed_ = false;
    ShowHistHooks hooks_;
    HistoryLog log_;
    QMenuBar* menu_ = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QFrame* L_split = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    TextBoxAids* textAids_ = nullptr;
    QWidget* Picture1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QAction* mn_sql_exec = nullptr;
    QTimer* Timer1 = nullptr;
    int sortColumn_ = -1; // -1: newest first, no image
    Qt::SortOrder sortOrder_ = Qt::DescendingOrder;
    double splitTop_ = -1; // twips below the menu bar; -1 until laid out
    bool dragging_ = false;
};
