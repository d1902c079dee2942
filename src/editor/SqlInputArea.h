#pragma once

#include "base/TextDrag.h"
#include "editor/TokenSearch.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class Prompts;
class QLabel;
class SqlHighlighter;
class QPlainTextEdit;
class QTabBar;
class QToolButton;
class QWidget;

// The main window's widgets of the SQL input area. The main window keeps ownership.
struct SqlInputAreaUi {
    QWidget* owner = nullptr; // owner of the file dialog
    QPlainTextEdit* TB_SQL = nullptr;
    QTabBar* TabStrip1 = nullptr;
    QLabel* L_sql_no = nullptr;
    QToolButton* Cmd_updwn[2] = {}; // 0 steps up, 1 steps down
    QToolButton* Cmd_clear = nullptr;
    QToolButton* Cmd_srch_wd = nullptr; // its caption is the search mode
    QToolButton* Cmd_q[2] = {};         // 0 searches right, 1 searches left
    QWidget* Lst_kwd = nullptr;         // its background is the keyword mode's colour
};

// The history and templates the area browses, and the run command; wired by the main window.
struct SqlInputAreaHooks {
    std::function<QString(std::int16_t&)> GetHistCurr;
    std::function<QString(std::int16_t&)> GetHistNext;
    std::function<QString(std::int16_t&)> GetHistBack;
    std::function<int()> GetHistNum;
    std::function<QString(std::int16_t&)> GetTempCurr;
    std::function<QString(std::int16_t&)> GetTempNext;
    std::function<QString(std::int16_t&)> GetTempBack;
    std::function<int()> GetTempNum;
    // Runs these statements, as the run command runs the input area's.
    std::function<void(const QString& statements)> runBatch;
    // The text after the external editor had it; the text itself when nothing was edited.
    std::function<QString(const QString&)> editSql;
    // Where the area's boxes go (a refused SQL file); without it the refusal is silent.
    Prompts* prompts = nullptr;
};

// The SQL input area: TB_SQL under the tabs "sql" (the user's text), "hist" and "tmpl" (one
// stored statement at a time, browsed with Ctrl+Up / Ctrl+Down or the arrow buttons), the
// operations that put text into it, loading an SQL file, clearing, and dropping text and files.
class SqlInputArea : public QObject {
    Q_OBJECT

public:
    SqlInputArea(const SqlInputAreaUi& ui, SqlInputAreaHooks hooks, QObject* parent = nullptr);

    // Replaces the area's text on the "sql" tab and runs it.
    void PostSQL(const QString& SQLstmt);
    // The statements the run command runs: the text of the tab shown. Text an input method is
    // still composing is committed into it first, so that what runs is what the user sees.
    QString statements();
    // Replaces the area's text on the "sql" tab.
    void InputHist(const QString& HistSql);
    // Inserts a template at the caret of the "sql" tab and selects its first placeholder.
    void CopyTmpl(const QString& TmplSql);
    // Replaces the selection by text; in the placeholder mode the next "?" is selected.
    void InsertAtCaret(const QString& text);
    // Replaces the area's text with the file's on the "sql" tab. A file that cannot be opened
    // changes nothing, silently; one that is not a regular file or is too large is refused with
    // a box and changes nothing either.
    void LoadSqlFile(const QString& path);
    // "SQLの読込(&O)": the open dialog, then LoadSqlFile.
    void openFileCommand();
    // "ｸﾘｱ".
    void clearCommand();
    // Ctrl+Up (down false) / Ctrl+Down (down true) on the "hist" and "tmpl" tabs.
    void browse(bool down);
    // Search right / left in the current mode: the next "?", token or keyword behind / before
    // the selection. Nothing changes when none is found.
    void searchRight();
    void searchLeft();
    // "？" -> "ﾄｰｸﾝ" -> "ｷｰﾜｰﾄﾞ" -> "？", with the button's colour.
    void cycleSearchMode();
    void setSearchMode(tokensearch::Mode mode);
    tokensearch::Mode searchMode() const;
    // The keywords the keyword mode looks for and the colouring shows.
    void setKeywords(const QStringList& keywords);
    // The colouring of TB_SQL.
    SqlHighlighter& highlighter() { return *highlighter_; }
    // "SQL編集(&E)": the text through the external editor; the box is changed only when the
    // text came back changed, as one edit that undo takes back.
    void editCommand();
    // Selects the "sql" tab; the leave and enter steps run only when the tab changes.
    void selectSqlTab();

    // Key of the selected tab: "sql", "hist" or "tmpl".
    QString currentKey() const;

    // State of the area, named as the window always had it.
    QString saved_sql;
    std::int32_t saved_sel_start = 0;
    std::int32_t saved_sel_length = 0;
    std::int16_t hist_no = 0;
    std::int16_t temp_no = 0;
    QString last_sql_file;

private:
    // Declared before the drag's state below, which is its.
    TextDrag textDrag_;

public:
    bool& own_drag = textDrag_.own_drag;
    std::int32_t& drag_sel_start = textDrag_.drag_sel_start;
    std::int32_t& drag_sel_length = textDrag_.drag_sel_length;

    // Background colours of the area's states.
    static QColor templateColour();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tabChanged(int index);
    void setColour(const QColor& colour);
    void setBrowseEnabled(bool on);
    void showPosition(std::int16_t pos, int count);
    bool placeholderMode() const;
    void selectHit(const tokensearch::Hit& hit);
    // True while an input method composes in TB_SQL.
    bool composing() const;
    void trimDoubleClickSelection();
    bool dragEvent(QEvent* event);

    SqlInputAreaUi ui_;
    SqlInputAreaHooks hooks_;
    int shownIndex_ = 0;
    QWidget* viewport_ = nullptr;
    tokensearch::KeywordSet keywords_;
    SqlHighlighter* highlighter_ = nullptr;
};
