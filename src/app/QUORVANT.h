#pragma once

#include "app/MainLayout.h"
#include "app/MainWindowUi.h"
#include "editor/Completion.h"
#include "sql/SqlLexer.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>

#include <functional>

class AppServices;
class ConnectDS;
class ConnectionState;
class FrmEditor;
class FrmVersion;
class KeywordList;
class LoadCSV;
class PendingWindow;
class ObjectCommands;
class ObjectSearch;
class ObjectTree;
class ResultGridCommands;
class SaveCSV;
class ShowHist;
class ShowTemp;
class SqlInputArea;
class GridEditor;
class SqlRunner;

// The main window of the workbench: the start and end of the program, the panes placed by the
// twips rules of MainLayout, the drag bars, the display options and the commands. Its widgets,
// menus and toolbar are built by MainWindowUi; it composes one controller per feature and hands
// each its part of the widgets. Features that are not there yet are marked as extension points
// below.
//
// Every pane, menu item and toolbar action carries its control name as objectName. Members of a
// control array are named <name>_<index> ("L_fetch_0", "mn_quick_sqlstmt_3"). Toolbar actions
// are named "tb_" + key and carry the key in the property "key".
struct ResultGridSource;

class QUORVANT : public QMainWindow {
    Q_OBJECT

public:
    // Builds the window and runs its load steps; the connect dialog opens once the event loop
    // runs, unless services.connectAtStart is off.
    explicit QUORVANT(AppServices& services, QWidget* parent = nullptr);
    ~QUORVANT() override;

    // Lays out the panes for the current size; nothing happens while minimised.
    void Resize();
    // Fills the keyword list from the keyword file and sizes it.
    void FillKeywordList();

    // The toolbar's click, dispatched by the button's key; an unknown key does nothing.
    void toolbarCommand(const QString& key);

    // Shell commands of the menu bar.
    void exitCommand();
    void helpCommand();
    void dataSourceAdminCommand();
    void newInstanceCommand();
    void aboutCommand();
    // Opens the load window with the table and synonym names of the last catalog read.
    void loadCsvCommand();

    // Closes the window for a signal or a log-out: the usual unload, without questions, and
    // uncommitted work is rolled back, as a lost session's would be, since nobody confirmed
    // it. True when the window has closed or closes once its work has unwound.
    bool closeWithoutQuestions();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void takeDesignSizes();
    void wireConnection();
    // The SQL boxes read their text by the connected database's rules.
    void applyDialect();
    void wireObjectTree();
    void wireSqlRunner();
    void wireCompletion();
    void wirePendingWork();
    void showPendingPanel();
    // With the question set and statements uncommitted, asks whether to COMMIT or ROLLBACK
    // before a disconnect or exit; false when the user cancels (or the COMMIT failed).
    bool settlePendingWork();
    // The SQL input area and the history and template windows it browses.
    void wireInputArea();
    void layOutSqlNav();
    // "ｷｰﾜｰﾄﾞリスト編集(&K)": the list in the editor, then filled again and laid out.
    void editKeywordsCommand();
    // The export window: saving the grid's rows and execute-and-save.
    void wireSaveCSV();
    void saveGridCommand();
    // The grid as the export reads it.
    ResultGridSource gridSource();
    ResultGridSource fetchedRowsSource();
    void wireCommands();
    // Runs the command of a menu item, popup item or toolbar button; index is the item's place
    // in its control array (-1 for none).
    void runCommand(const QString& name, int index = -1);
    void moveSearchHeaderToBottom();

    void load();
    void unload();
    void applyLayout();
    // The fetch strip again after its row counter changed width (a filter's "n / m").
    void fitFetchStrip();
    // A stored placement that is unusable on this screen is brought back onto it.
    void keepOnScreen();
    void applyConnectionBand();
    void showDisplayOption(const MainWindowUi::DisplayOption& option, bool on);
    void displayOptionChanged(const MainWindowUi::DisplayOption& option);
    bool dragEvent(QObject* bar, QEvent* event);
    void resetFetchStrip();
    double clientWidth() const;
    double clientHeight() const;

    // Extension points: work of features that the load, unload and command steps call. Each
    // does nothing until its feature is built.
    QStringList readKeywordFile();  // keyword list: the keywords of SQLKYWD.TXT
    void readTemplatesAndHistory(); // templates and history: read their files
    void readEditorCommand();       // external editor: read its command line
    void saveTemplatesAndHistory(); // templates, then history: save when changed
    void loadObjectTree();          // object tree: fill after a connect
    void closeFetch();
    // The run command's work: the statements of sql, one after another.
    void runStatements(const QString& sql); // result grid: end a suspended fetch

    // Every command whose enabled state depends on the connection, set from the connection's
    // work state in this one place.
    void updateCommandStates();

    AppServices& services_;
    MainLayout layout_;
    QString helpAddress_;
    QString mainPlacement_;
    QString histPlacement_;
    QString tempPlacement_;
    QStringList keywords_;
    int lineHeight_ = 0;
    bool dragging_ = false;
    double grabX_ = 0;
    double grabY_ = 0;
    bool unloaded_ = false;
    std::function<void(const QString& sql)> historySink_;
    // The window was closed while work ran: it closes when the work has ended.
    bool closeAfterWork_ = false;
    // Ended by a signal or a log-out: no question may hold the ending up.
    bool endingWithoutQuestions_ = false;
    QTimer* pendingClock_ = nullptr;
    PendingWindow* pendingWindow_ = nullptr;
    CompletionCatalog completionCatalog_;
    CompletionPopup* completion_ = nullptr;
    // How the connected database reads SQL, asked whenever the connection or its work changes
    // (a run may change MariaDB's sql_mode).
    std::function<sql::Dialect()> connectionDialect_;

    ConnectDS* connectDS_ = nullptr;
    ConnectionState* connection_ = nullptr;
    ObjectTree* objectTree_ = nullptr;
    ObjectSearch* objectSearch_ = nullptr;
    ObjectCommands* objectCommands_ = nullptr;
    SqlRunner* sqlRunner_ = nullptr;
    GridEditor* gridEditor_ = nullptr;
    ResultGridCommands* resultGrid_ = nullptr;
    SqlInputArea* inputArea_ = nullptr;
    KeywordList* keywordList_ = nullptr;
    FrmEditor* frmEditor_ = nullptr;
    ShowHist* showHist_ = nullptr;
    ShowTemp* showTemp_ = nullptr;
    SaveCSV* saveCSV_ = nullptr;
    FrmVersion* frmVersion_ = nullptr;
    LoadCSV* loadCSV_ = nullptr;

    QWidget* client_ = nullptr;
    MainWindowUi ui_;
    // Command name (a menu item's objectName) to its work. Menu items, popup items and toolbar
    // buttons all run through it; a command without an entry belongs to a feature still to
    // come and does nothing.
    QHash<QString, std::function<void()>> commands_;
    // Commands of control arrays whose items share one name, by the item's index.
    QHash<QString, std::function<void(int)>> arrayCommands_;
};
