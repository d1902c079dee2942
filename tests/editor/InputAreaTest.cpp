#include "AppFolderForTesting.h"
#include "RecordingDialog.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "WindowPart.h"
#include "app/AppServices.h"
#include "app/QUORVANT.h"
#include "base/AppFolder.h"
#include "base/Composition.h"
#include "base/GetFile.h"
#include "base/Settings.h"
#include "editor/SqlInputArea.h"
#include "history/ShowHist.h"
#include "history/ShowTemp.h"
#include "history/StatementListFile.h"
#include "odbc/comm/ConnectionWork.h"
#include "odbc/comm/ODBCComm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>

#include <memory>

#include <sys/stat.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray records(std::initializer_list<ClassSQL> entries)
{
    QByteArray bytes;
    for (const ClassSQL& e : entries)
        bytes += stmtfile::encodeRecord(e);
    return bytes;
}

// The real main window in a program folder of its own, with history and template files
// written before it starts.
class InputArea : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        setAppFolderForTesting(dir_.path());
        FileDialogBackend::install(&dialog_);
    }
    void TearDown() override
    {
        window_.reset();
        services_.reset();
        FileDialogBackend::install(nullptr);
        setAppFolderForTesting(QString());
    }
    void open()
    {
        services_ = std::make_unique<AppServices>(prompts_, settings::settingsPath());
        services_->connectAtStart = false;
        window_ = std::make_unique<QUORVANT>(*services_);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    void close()
    {
        window_->close();
        window_.reset();
        services_.reset();
    }
    QString file(const char* name) const { return AppFolder() + QLatin1String(name); }

    void connectSqlite()
    {
        QTimer::singleShot(0, window_.get(), [this] {
            auto* dialog = window_->findChild<QDialog*>(QStringLiteral("ConnectDS"));
            ASSERT_NE(dialog, nullptr);
            auto* sources = dialog->findChild<QComboBox*>(QStringLiteral("Combo1"));
            const int index = sources->findText(QString::fromLatin1(testenv::kSqliteDsn) + "(",
                                                Qt::MatchStartsWith);
            if (index < 0) {
                dialog->reject();
                FAIL() << "data source missing";
            }
            sources->setCurrentIndex(index);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Cmd_OK")),
                              Qt::LeftButton);
        });
        window_->findChild<QAction*>(QStringLiteral("mn_connect"))->trigger();
        ASSERT_TRUE(services_->db().DbIsConnected());
        prompts_.clear();
    }

    QPlainTextEdit* sql() const
    {
        return window_->findChild<QPlainTextEdit*>(QStringLiteral("TB_SQL"));
    }
    QTabBar* tabs() const { return window_->findChild<QTabBar*>(QStringLiteral("TabStrip1")); }
    QLabel* position() const { return window_->findChild<QLabel*>(QStringLiteral("L_sql_no")); }
    QColor colour() const { return sql()->palette().color(QPalette::Base); }
    QString selected() const { return sql()->textCursor().selectedText(); }
    int selStart() const { return sql()->textCursor().selectionStart(); }
    void select(int start, int length)
    {
        QTextCursor c = sql()->textCursor();
        c.setPosition(start);
        c.setPosition(start + length, QTextCursor::KeepAnchor);
        sql()->setTextCursor(c);
    }
    void ctrl(Qt::Key key) { QTest::keyClick(sql(), key, Qt::ControlModifier); }

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;
    RecordingDialog dialog_;
    std::unique_ptr<AppServices> services_;
    std::unique_ptr<QUORVANT> window_;
};

} // namespace

TEST_F(InputArea, TabsSetTheUsersTextAsideAndBringItBack)
{
    open();
    const QStringList tips = {"SQLを入力してください", "SQLの履歴を表示します（[Ctrl] +↑↓）",
                              "SQLのﾃﾝﾌﾟﾚｰﾄを表示します（[Ctrl] +↑↓）"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(tabs()->tabToolTip(i), tips[i]);
    EXPECT_FALSE(position()->isEnabled());

    sql()->setPlainText(QStringLiteral("SELECT a FROM t"));
    select(7, 1);
    tabs()->setCurrentIndex(1);
    EXPECT_EQ(sql()->toPlainText(), QString());
    EXPECT_EQ(position()->text(), QStringLiteral("0/0"));
    EXPECT_TRUE(position()->isEnabled());
    EXPECT_TRUE(window_->findChild<QToolButton*>(QStringLiteral("Cmd_updwn_1"))->isEnabled());
    EXPECT_EQ(colour(), QToolTip::palette().color(QPalette::ToolTipBase));
    sql()->setPlainText(QStringLiteral("typed on the history tab"));
    tabs()->setCurrentIndex(2);
    EXPECT_EQ(colour(), SqlInputArea::templateColour());
    tabs()->setCurrentIndex(0);
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT a FROM t"));
    EXPECT_EQ(selStart(), 7);
    EXPECT_EQ(selected(), QStringLiteral("a"));
    EXPECT_FALSE(position()->isEnabled());
    EXPECT_FALSE(window_->findChild<QToolButton*>(QStringLiteral("Cmd_updwn_0"))->isEnabled());

    // Already on "sql": a template goes into the text being typed, not into an older one.
    sql()->setPlainText(QStringLiteral("typed now"));
    select(0, 0);
    part<SqlInputArea>(*window_).CopyTmpl(QStringLiteral("WHERE ? = ? "));
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("WHERE ? = ? typed now"));
    EXPECT_EQ(selStart(), 6);
    EXPECT_EQ(selected(), QStringLiteral("?"));
    // In the placeholder mode an insert replaces that "?" and selects the next one.
    part<SqlInputArea>(*window_).InsertAtCaret(QStringLiteral("col"));
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("WHERE col = ? typed now"));
    EXPECT_EQ(selStart(), 12);

    ctrl(Qt::Key_A);
    EXPECT_EQ(selected(), sql()->toPlainText());
    QTest::mouseClick(window_->findChild<QToolButton*>(QStringLiteral("Cmd_clear")),
                      Qt::LeftButton);
    EXPECT_EQ(sql()->toPlainText(), QString());
}

TEST_F(InputArea, BrowsesHistoryAndTemplatesWithLabelsColoursAndNoMoreTexts)
{
    writeFile(file("SQLHIST.TXT"), records({{"26/12/01 10:00:00 DSN=a", "one"},
                                            {"26/12/01 10:00:01 DSN=a", "two"},
                                            {"26/12/01 10:00:02 DSN=a", "three"}}));
    writeFile(file("SQLTMPL.TXT"),
              records({{"b", "SELECT b"}, {"A", "SELECT * FROM t WHERE ? = ?"}}));
    open();
    tabs()->setCurrentIndex(1);
    const struct {
        Qt::Key key;
        const char* label;
        const char* text;
    } walk[] = {
        {Qt::Key_Down, "3/3", "three"}, {Qt::Key_Down, "2/3", "two"},
        {Qt::Key_Down, "1/3", "one"},   {Qt::Key_Down, "0/3", "/* これ以上履歴はありません */"},
        {Qt::Key_Down, "3/3", "three"}, {Qt::Key_Up, "0/3", "/* これ以上履歴はありません */"},
        {Qt::Key_Up, "1/3", "one"}};
    for (const auto& step : walk) {
        ctrl(step.key);
        EXPECT_EQ(position()->text(), QString::fromLatin1(step.label));
        EXPECT_EQ(sql()->toPlainText(), QString::fromUtf8(step.text));
        const bool none = QString::fromLatin1(step.label).startsWith('0');
        EXPECT_EQ(colour(), none ? QApplication::palette().color(QPalette::Button)
                                 : QToolTip::palette().color(QPalette::ToolTipBase))
            << step.label;
    }

    tabs()->setCurrentIndex(2);
    EXPECT_EQ(position()->text(), QStringLiteral("0/2"));
    QTest::mouseClick(window_->findChild<QToolButton*>(QStringLiteral("Cmd_updwn_1")),
                      Qt::LeftButton);
    EXPECT_EQ(position()->text(), QStringLiteral("1/2"));
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT * FROM t WHERE ? = ?"));
    EXPECT_EQ(selStart(), 22);
    EXPECT_EQ(selected(), QStringLiteral("?"));
    EXPECT_EQ(colour(), SqlInputArea::templateColour());
    ctrl(Qt::Key_Up);
    ctrl(Qt::Key_Up);
    EXPECT_EQ(position()->text(), QStringLiteral("2/2"));
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT b"));
    ctrl(Qt::Key_Down);
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("/* これ以上テンプレートはありません */"));
}

TEST_F(InputArea, StatementsRunReachTheHistoryAndOneRunFromItsWindowRunsAgain)
{
    open();
    // The history window runs only when the main window can.
    auto* runNow = part<ShowHist>(*window_).findChild<QPushButton*>(QStringLiteral("Command2"));
    EXPECT_FALSE(runNow->isEnabled());
    connectSqlite();
    EXPECT_TRUE(runNow->isEnabled());
    {
        ConnectionWork::Scope busy(services_->db().work(), ConnectionWork::Kind::Execute);
        EXPECT_FALSE(runNow->isEnabled());
    }
    EXPECT_TRUE(runNow->isEnabled());
    sql()->setPlainText(QStringLiteral("SELECT 41 + 1"));
    window_->findChild<QAction*>(QStringLiteral("mn_sql_go"))->trigger();
    ShowHist& hist = part<ShowHist>(*window_);
    ASSERT_EQ(hist.log().GetHistNum(), 1);
    EXPECT_EQ(hist.log().entries()[0].SQLstmt, QStringLiteral("SELECT 41 + 1"));

    // A failed statement is kept only when the user says so.
    prompts_.queueAnswer(Prompts::Answer::Ok);
    prompts_.queueAnswer(Prompts::Answer::Cancel);
    sql()->setPlainText(QStringLiteral("SELECT * FROM no_such_table"));
    window_->findChild<QAction*>(QStringLiteral("mn_sql_go"))->trigger();
    EXPECT_EQ(prompts_.boxes().last().text, QStringLiteral("SQLを履歴に追加しますか？"));
    EXPECT_EQ(hist.log().GetHistNum(), 1);

    window_->findChild<QToolBar*>(QStringLiteral("Toolbar1"))
        ->findChild<QAction*>(QStringLiteral("tb_hist"))
        ->trigger();
    ASSERT_TRUE(hist.isVisible());
    auto* list = hist.findChild<QTreeWidget*>(QStringLiteral("ListView1"));
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("SELECT 41 + 1"));
    // A new row leaves the statement box alone until the row is clicked.
    auto* text1 = hist.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    EXPECT_EQ(text1->toPlainText(), QString());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->topLevelItem(0)).center());
    EXPECT_EQ(text1->toPlainText(), QStringLiteral("SELECT 41 + 1"));
    tabs()->setCurrentIndex(2);
    prompts_.clear();
    QTest::mouseClick(hist.findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
    EXPECT_FALSE(hist.isVisible());
    EXPECT_EQ(tabs()->currentIndex(), 0);
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT 41 + 1"));
    ASSERT_FALSE(prompts_.boxes().isEmpty());
    EXPECT_EQ(prompts_.boxes().last().title, QStringLiteral("QUORVANT - ＳＱＬ正常終了"));
    EXPECT_EQ(hist.log().GetHistNum(), 2);
    EXPECT_FALSE(INIfile_IO(settings::settingsPath())
                     .ReadIniValue(QStringLiteral("WINDOW"), QStringLiteral("HIST"))
                     .isEmpty());
}

// Text an input method composes is the user's until it is committed: no shortcut fires and no
// key of the program moves the caret away from it (the commit would replace what they
// selected), a run commits it first, and the candidate window follows the caret the program
// moves.
TEST_F(InputArea, AnInputMethodsCompositionIsNeverLost)
{
    open();
    window_->windowHandle()->requestActivate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_->windowHandle()));
    sql()->setFocus();
    sql()->setPlainText(QStringLiteral("SELECT x FROM (SELECT 1 AS x) WHERE x = ?"));
    QSignalSpy caretMoved(QGuiApplication::inputMethod(), &QInputMethod::cursorRectangleChanged);
    part<SqlInputArea>(*window_).searchRight();
    ASSERT_EQ(selected(), QStringLiteral("?"));
    EXPECT_GT(caretMoved.count(), 0);
    const QRect caret = sql()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(
        sql()->cursorForPosition(sql()->viewport()->mapFrom(sql(), caret.center())).position(),
        sql()->textCursor().position());
    EXPECT_EQ(QGuiApplication::inputMethod()->cursorRectangle().toRect(),
              QRect(sql()->mapTo(window_.get(), caret.topLeft()), caret.size()));

    connectSqlite();
    // The connect dialog, hidden, stays the focus window offscreen; shortcuts need the main one.
    QApplication::setActiveWindow(window_.get());
    sql()->setFocus();
    QInputMethodEvent composing(QStringLiteral("'あ'"), {});
    QApplication::sendEvent(sql(), &composing);
    const QString typed = sql()->toPlainText();
    const int at = sql()->textCursor().position();
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
        {Qt::Key_A, Qt::ControlModifier},    {Qt::Key_Up, Qt::ControlModifier},
        {Qt::Key_Down, Qt::ControlModifier}, {Qt::Key_J, Qt::ControlModifier},
        {Qt::Key_I, Qt::ControlModifier},    {Qt::Key_F3, Qt::NoModifier},
        {Qt::Key_Return, Qt::NoModifier}};
    for (const auto& [key, modifiers] : keys) {
        QTest::keyClick(sql(), key, modifiers);
        EXPECT_EQ(sql()->toPlainText(), typed) << key;
        EXPECT_EQ(sql()->textCursor().position(), at) << key;
        EXPECT_EQ(sql()->textCursor().block().layout()->preeditAreaText(), QStringLiteral("'あ'"))
            << key;
    }
    EXPECT_TRUE(prompts_.boxes().isEmpty());
    ShowHist& hist = part<ShowHist>(*window_);
    EXPECT_EQ(hist.log().GetHistNum(), 0);

    const QString statement = QStringLiteral("SELECT x FROM (SELECT 1 AS x) WHERE x = 'あ'");
    window_->findChild<QAction*>(QStringLiteral("mn_sql_go"))->trigger();
    EXPECT_FALSE(composition::composing(sql()));
    EXPECT_EQ(sql()->toPlainText(), statement);
    ASSERT_EQ(hist.log().GetHistNum(), 1);
    EXPECT_EQ(hist.log().entries()[0].SQLstmt, statement);
    ASSERT_FALSE(prompts_.boxes().isEmpty());
    EXPECT_EQ(prompts_.boxes().last().title, QStringLiteral("QUORVANT - ＳＱＬ正常終了"));

    // Committed, the keys are the program's again.
    sql()->setFocus();
    ctrl(Qt::Key_I);
    EXPECT_EQ(hist.log().GetHistNum(), 2);
    ctrl(Qt::Key_A);
    EXPECT_EQ(selected(), statement);
}

TEST_F(InputArea, HistoryAndTemplatesAreReadAtStartAndWrittenAtExitOnlyWhenChanged)
{
    QByteArray many;
    for (int i = 0; i < 25; ++i)
        many += records({{QStringLiteral("26/12/01 10:00:%1 x").arg(i, 2, 10, QLatin1Char('0')),
                          QStringLiteral("S%1").arg(i)}});
    writeFile(file("SQLHIST.TXT"), many);
    writeFile(file("SQLTMPL.TXT"), records({{"t", "SELECT 1"}}));
    QFile::setPermissions(file("SQLTMPL.TXT"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ReadGroup);
    open();
    EXPECT_EQ(part<ShowHist>(*window_).log().GetHistNum(), 20);
    EXPECT_EQ(part<ShowTemp>(*window_).store().GetTempNum(), 1);
    close();
    // Nothing added: the file keeps its 25 records, the templates are not rewritten.
    QByteArray bytes;
    stmtfile::readFile(file("SQLHIST.TXT"), bytes);
    EXPECT_EQ(stmtfile::splitRecords(bytes).size(), 25);
    EXPECT_TRUE(QFile::permissions(file("SQLTMPL.TXT")) & QFileDevice::ReadGroup);

    open();
    part<ShowHist>(*window_).AddHist(QStringLiteral("DSN=x;"), QStringLiteral("added"));
    part<ShowTemp>(*window_).store().add({QStringLiteral("new"), QStringLiteral("SELECT 2")});
    close();
    stmtfile::readFile(file("SQLHIST.TXT"), bytes);
    const QList<ClassSQL> hist = stmtfile::decodeRecords(stmtfile::splitRecords(bytes));
    ASSERT_EQ(hist.size(), 20);
    EXPECT_EQ(hist.last().SQLstmt, QStringLiteral("added"));
    stmtfile::readFile(file("SQLTMPL.TXT"), bytes);
    EXPECT_EQ(stmtfile::splitRecords(bytes).size(), 2);
    // A file the program replaces keeps the mode it had.
    EXPECT_TRUE(QFile::permissions(file("SQLTMPL.TXT")) & QFileDevice::ReadGroup);
}

TEST_F(InputArea, SqlFilesOpenThroughTheDialogAndByDropping)
{
    const QString utf8 = dir_.filePath(QStringLiteral("utf8.sql"));
    const QString cp932 = dir_.filePath(QStringLiteral("cp932.sql"));
    writeFile(utf8, "SELECT '表'\r\nFROM t");
    writeFile(cp932, "SELECT '\x95\x5C'");
    open();
    tabs()->setCurrentIndex(1);
    dialog_.answer = utf8;
    QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialog_.calls, 1);
    EXPECT_EQ(dialog_.last.title, QStringLiteral("SQLﾌｧｲﾙ読込み"));
    EXPECT_EQ(dialog_.last.initialFolder, AppFolder());
    EXPECT_EQ(dialog_.last.filters, QStringList({"SQLﾌｧｲﾙ(*.sql)", "すべてのﾌｧｲﾙ(*.*)"}));
    EXPECT_EQ(tabs()->currentIndex(), 0);
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT '表'\nFROM t"));
    EXPECT_EQ(part<SqlInputArea>(*window_).last_sql_file, utf8);

    // The dialog starts at the file opened last; cancelling changes nothing.
    dialog_.answer.clear();
    window_->findChild<QAction*>(QStringLiteral("mn_open_file"))->trigger();
    EXPECT_EQ(dialog_.last.initialName, QStringLiteral("utf8.sql"));
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT '表'\nFROM t"));

    auto drop = [this](const QList<QUrl>& urls, const QString& text) {
        QMimeData data;
        if (!urls.isEmpty())
            data.setUrls(urls);
        if (!text.isNull())
            data.setText(text);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(sql()->viewport(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                           Qt::NoModifier);
        QApplication::sendEvent(sql()->viewport(), &dropped);
        return true;
    };
    EXPECT_TRUE(drop({QUrl::fromLocalFile(cp932)}, QString()));
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT '表'"));
    EXPECT_EQ(part<SqlInputArea>(*window_).last_sql_file, utf8);
    EXPECT_FALSE(drop({QUrl::fromLocalFile(cp932), QUrl::fromLocalFile(utf8)}, QString()));
    EXPECT_FALSE(drop({QUrl::fromLocalFile(dir_.path())}, QString()));
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT '表'"));
    // Text from elsewhere is inserted where it is dropped.
    EXPECT_TRUE(drop({}, QStringLiteral("-- ")));
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("-- SELECT '表'"));
    // A link dragged from a browser (its address beside its text) is text, not a file.
    EXPECT_TRUE(drop({QUrl(QStringLiteral("https://example.com/q"))}, QStringLiteral("/*x*/")));
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("/*x*/-- SELECT '表'"));

    // Text dragged inside the area (the drag started on "SELECT a" of "SELECT a FROM t"):
    // dropped inside itself nothing changes, dropped behind it the text moves.
    auto ownDrop = [this](int at) {
        SqlInputArea& input = part<SqlInputArea>(*window_);
        input.own_drag = true;
        input.drag_sel_start = 0;
        input.drag_sel_length = 8;
        QTextCursor c = sql()->textCursor();
        c.setPosition(at);
        const QPoint p = sql()->cursorRect(c).center();
        QMimeData data;
        data.setText(QStringLiteral("SELECT a"));
        QDragEnterEvent enter(p, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sql()->viewport(), &enter);
        QDropEvent dropped(p, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sql()->viewport(), &dropped);
        EXPECT_FALSE(input.own_drag);
    };
    sql()->setPlainText(QStringLiteral("SELECT a FROM t"));
    ownDrop(3);
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT a FROM t"));
    EXPECT_EQ(selected(), QStringLiteral("SELECT a"));
    ownDrop(15);
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral(" FROM tSELECT a"));

    // A file that cannot be read still shows the SQL tab with its text.
    tabs()->setCurrentIndex(2);
    part<SqlInputArea>(*window_).LoadSqlFile(dir_.filePath(QStringLiteral("missing.sql")));
    EXPECT_EQ(tabs()->currentIndex(), 0);
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral(" FROM tSELECT a"));
    // A FIFO nobody writes to is refused at once; the text stays.
    const QString fifo = dir_.filePath(QStringLiteral("fifo.sql"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(drop({QUrl::fromLocalFile(fifo)}, QString()));
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral(" FROM tSELECT a"));
}
