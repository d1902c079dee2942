#include "AppFolderForTesting.h"
#include "ScriptEditor.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "WindowPart.h"
#include "app/AppServices.h"
#include "app/QUORVANT.h"
#include "base/AppFolder.h"
#include "base/Settings.h"
#include "editor/FrmEditor.h"
#include "editor/SqlInputArea.h"
#include "odbc/comm/ODBCComm.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

// The real main window in a program folder of its own, with the keyword file and the editor
// command written before it starts.
class KeywordWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        setAppFolderForTesting(dir_.path());
    }
    void TearDown() override
    {
        window_.reset();
        services_.reset();
        setAppFolderForTesting(QString());
    }
    void open(const QByteArray& keywords, const QString& editorCommand = QString())
    {
        QFile f(AppFolder() + QStringLiteral("SQLKYWD.TXT"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(keywords);
        f.close();
        services_ = std::make_unique<AppServices>(prompts_, settings::settingsPath());
        settings::writeEditorCommand(services_->ini(), editorCommand);
        services_->connectAtStart = false;
        window_ = std::make_unique<QUORVANT>(*services_);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    template <typename T> T* child(const char* name) const
    {
        T* found = window_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPlainTextEdit* sql() const { return child<QPlainTextEdit>("TB_SQL"); }
    QListWidget* list() const { return child<QListWidget>("Lst_kwd"); }
    QString selected() const { return sql()->textCursor().selectedText(); }
    int selStart() const { return sql()->textCursor().selectionStart(); }
    void setText(const QString& text, int caret)
    {
        sql()->setPlainText(text);
        QTextCursor c = sql()->textCursor();
        c.setPosition(caret);
        sql()->setTextCursor(c);
    }
    void click(const char* name) { QTest::mouseClick(child<QToolButton>(name), Qt::LeftButton); }
    // Releases a button over the list, as the list sees it, at a row given in lines.
    void releaseAtLine(int line, Qt::MouseButton button)
    {
        const int h = list()->sizeHintForRow(0) > 0 ? list()->sizeHintForRow(0) : 1;
        QTest::mouseRelease(list()->viewport(), button, {}, QPoint(5, line * h + h / 2));
    }

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;
    std::unique_ptr<AppServices> services_;
    std::unique_ptr<QUORVANT> window_;
};

} // namespace

TEST_F(KeywordWindow, ListShowsEveryLineAndInsertsCopiesOrIgnoresTheEmptyOne)
{
    open("SELECT\r\n\r\nFROM\rWHERE\n");
    child<QAction>("mn_disp_kwdlist")->trigger();
    QListWidget* kwd = list();
    ASSERT_EQ(kwd->count(), 4);
    QStringList shown;
    for (int i = 0; i < kwd->count(); ++i)
        shown << kwd->item(i)->text();
    EXPECT_EQ(shown, (QStringList{"SELECT", "", "FROM", "WHERE"}));
    // A row is one line of the font: the line under the pointer is the row under it.
    EXPECT_EQ(kwd->sizeHintForRow(0), QFontMetrics(window_->font()).lineSpacing());
    EXPECT_EQ(kwd->visualItemRect(kwd->item(2)).top(), 2 * kwd->sizeHintForRow(0));

    // Releasing over row 2 selects "FROM"; the right button opens the popup.
    releaseAtLine(2, Qt::LeftButton);
    EXPECT_EQ(kwd->currentRow(), 2);
    auto* popup = child<QMenu>("mn_mouse5");
    releaseAtLine(3, Qt::RightButton);
    EXPECT_EQ(kwd->currentRow(), 3);
    EXPECT_TRUE(popup->isVisible());
    popup->hide();
    // Below the last entry: nothing selected, and no popup.
    releaseAtLine(9, Qt::RightButton);
    EXPECT_TRUE(kwd->selectedItems().isEmpty());
    EXPECT_FALSE(popup->isVisible());

    // Insert in the placeholder mode: the next "?" behind the keyword is selected.
    setText(QStringLiteral(" a = ?"), 0);
    kwd->setCurrentRow(0);
    child<QAction>("mn_kwdcopy_sql")->trigger();
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT a = ?"));
    EXPECT_EQ(selStart(), 11);
    EXPECT_EQ(selected(), QStringLiteral("?"));
    // Double-click and Enter do the same.
    kwd->setCurrentRow(2);
    QTest::keyClick(kwd, Qt::Key_Return);
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT a = FROM"));
    setText(QString(), 0);
    // A real double-click: press and release, then the double-click.
    const QPoint where = kwd->visualItemRect(kwd->item(3)).center();
    QTest::mouseClick(kwd->viewport(), Qt::LeftButton, {}, where);
    QTest::mouseDClick(kwd->viewport(), Qt::LeftButton, {}, where);
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("WHERE"));

    // The empty entry leaves the input area, its selection included, as it was.
    setText(QStringLiteral("SELECT x"), 0);
    QTextCursor c = sql()->textCursor();
    c.setPosition(7);
    c.setPosition(8, QTextCursor::KeepAnchor);
    sql()->setTextCursor(c);
    kwd->setCurrentRow(1);
    child<QAction>("mn_kwdcopy_sql")->trigger();
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT x"));
    EXPECT_EQ(selected(), QStringLiteral("x"));

    kwd->setCurrentRow(3);
    child<QAction>("mn_kwdcopy_clip")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("WHERE"));
    // Nothing selected: the copy commands do nothing.
    kwd->setCurrentRow(-1);
    kwd->clearSelection();
    child<QAction>("mn_kwdcopy_clip")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("WHERE"));
}

TEST_F(KeywordWindow, ModeButtonAndSearchButtonsWalkTheTextInEachMode)
{
    open("select\r\nfrom\r\n");
    auto* mode = child<QToolButton>("Cmd_srch_wd");
    const QColor listColour = list()->palette().color(QPalette::Base);
    struct Step {
        const char* caption;
        QColor colour;
    };
    const Step steps[] = {{"？", Qt::white}, {"ﾄｰｸﾝ", Qt::white}, {"ｷｰﾜｰﾄﾞ", listColour}};
    EXPECT_EQ(mode->text(), QStringLiteral("？"));
    for (int i = 1; i <= 3; ++i) {
        click("Cmd_srch_wd");
        const Step& s = steps[i % 3];
        EXPECT_EQ(mode->text(), QString::fromUtf8(s.caption));
        EXPECT_EQ(mode->palette().color(QPalette::Button), s.colour) << s.caption;
        EXPECT_TRUE(sql()->hasFocus());
    }
    EXPECT_EQ(child<QToolButton>("Cmd_q_0")->toolTip(), QStringLiteral("右をサーチ"));
    EXPECT_EQ(child<QToolButton>("Cmd_q_1")->toolTip(), QStringLiteral("左をサーチ"));

    const QString text = QStringLiteral("SELECT a.b,c FROM t WHERE ? = ？");
    // Placeholder mode: right from 0 finds the half-width "?", left from 0 the full-width one.
    setText(text, 0);
    click("Cmd_q_0");
    EXPECT_EQ(selStart(), 26);
    setText(text, 0);
    click("Cmd_q_1");
    EXPECT_EQ(selected(), QStringLiteral("？"));

    click("Cmd_srch_wd"); // token
    setText(text, 0);
    QStringList tokens;
    for (int i = 0; i < 7; ++i) {
        click("Cmd_q_0");
        tokens << selected();
    }
    EXPECT_EQ(tokens, (QStringList{"SELECT", "a", "b", "c", "FROM", "t", "WHERE"}));
    // An inserted template runs the search of the mode set: its first token here.
    setText(QString(), 0);
    part<SqlInputArea>(*window_).CopyTmpl(QStringLiteral("UPDATE t SET ? = ?"));
    EXPECT_EQ(selected(), QStringLiteral("UPDATE"));

    click("Cmd_srch_wd"); // keyword
    setText(text, 0);
    click("Cmd_q_0");
    EXPECT_EQ(selected(), QStringLiteral("SELECT"));
    click("Cmd_q_0");
    EXPECT_EQ(selected(), QStringLiteral("FROM"));
    click("Cmd_q_0");
    EXPECT_EQ(selected(), QStringLiteral("FROM"));
    click("Cmd_q_1");
    EXPECT_EQ(selected(), QStringLiteral("SELECT"));
    // Blind to case and width.
    setText(QStringLiteral("x ＦＲＯＭ from"), 0);
    click("Cmd_q_0");
    EXPECT_EQ(selected(), QStringLiteral("ＦＲＯＭ"));
    // In the keyword mode an insert leaves the caret behind the inserted text.
    setText(QStringLiteral("x ?"), 0);
    part<SqlInputArea>(*window_).InsertAtCaret(QStringLiteral("y"));
    EXPECT_EQ(selStart(), 1);
    EXPECT_EQ(selected(), QString());
}

TEST_F(KeywordWindow, KeywordEditReloadsAndWidensTheListAndSqlEditComesBackUndoable)
{
    ScriptEditor ed(dir_, "kw.sh",
                    "case \"$1\" in *SQLKYWD.TXT) printf 'A_MUCH_LONGER_KEYWORD\\r\\n' >> \"$1\";; "
                    "*) printf -- '\\r\\n-- edited' >> \"$1\";; esac");
    open("SELECT\r\n", ed.command());
    child<QAction>("mn_disp_kwdlist")->trigger();
    const int listWidth = list()->width();
    const int sqlWidth = sql()->width();
    child<QAction>("mn_kwd_edit")->trigger();
    ASSERT_EQ(list()->count(), 2);
    EXPECT_EQ(list()->item(1)->text(), QStringLiteral("A_MUCH_LONGER_KEYWORD"));
    EXPECT_GT(list()->width(), listWidth);
    EXPECT_LT(sql()->width(), sqlWidth);
    // The keyword search looks for the new list.
    click("Cmd_srch_wd");
    click("Cmd_srch_wd"); // keyword
    setText(QStringLiteral("x a_much_longer_keyword"), 0);
    click("Cmd_q_0");
    EXPECT_EQ(selected(), QStringLiteral("a_much_longer_keyword"));

    setText(QStringLiteral("SELECT 1"), 0);
    child<QAction>("mn_sql_edit")->trigger();
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT 1\n-- edited"));
    sql()->undo();
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT 1"));
    EXPECT_TRUE(prompts_.boxes().isEmpty());

    // The settings window is the main window's.
    child<QAction>("mn_set_editor")->trigger();
    EXPECT_TRUE(part<FrmEditor>(*window_).isVisible());
    EXPECT_TRUE(part<FrmEditor>(*window_).isModal());
    QTest::mouseClick(part<FrmEditor>(*window_).Cmd_cancel, Qt::LeftButton);
}

TEST_F(KeywordWindow, TextCp932WouldChangeMakesTheEditRoundTripAndRunsAsEdited)
{
    ScriptEditor ed(dir_, "ed.sh", "printf ', 2 AS two' >> \"$1\"");
    open("", ed.command());
    QTimer::singleShot(0, window_.get(), [this] {
        auto* dialog = window_->findChild<QDialog*>(QStringLiteral("ConnectDS"));
        ASSERT_NE(dialog, nullptr);
        auto* sources = dialog->findChild<QComboBox*>(QStringLiteral("Combo1"));
        const int index =
            sources->findText(QString::fromLatin1(testenv::kSqliteDsn) + "(", Qt::MatchStartsWith);
        if (index < 0) {
            dialog->reject();
            FAIL() << "data source missing";
        }
        sources->setCurrentIndex(index);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Cmd_OK")),
                          Qt::LeftButton);
    });
    child<QAction>("mn_connect")->trigger();
    ASSERT_TRUE(services_->db().DbIsConnected());
    prompts_.clear();

    // "〜" and "é" come back from the edit file as they were typed, and run so; a value that
    // begins with U+FEFF keeps it in the grid.
    setText(QStringLiteral("SELECT '\uFEFF〜José' AS name"), 0);
    child<QAction>("mn_sql_edit")->trigger();
    EXPECT_EQ(sql()->toPlainText(), QStringLiteral("SELECT '\uFEFF〜José' AS name, 2 AS two"));
    EXPECT_TRUE(ed.ran());
    EXPECT_TRUE(prompts_.boxes().isEmpty());
    child<QAction>("mn_sql_go")->trigger();
    const QAbstractItemModel* grid = child<QTableView>("ListView1")->model();
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->data(grid->index(0, 1)).toString(), QStringLiteral("\uFEFF〜José"));
    EXPECT_EQ(grid->data(grid->index(0, 2)).toString(), QStringLiteral("2"));
}

TEST_F(KeywordWindow, HugeKeywordFileWithNulBytesLoadsAndTheAdministratorFileOpensInTheEditor)
{
    QByteArray bytes;
    static const char raw[] = "KW\0ONE\r\n\0\0\r\x81\n";
    const QByteArray chunk(raw, sizeof raw - 1);
    while (bytes.size() < 5 * 1024 * 1024)
        bytes += chunk;
    ScriptEditor ed(dir_, "admin.sh", "true");
    QElapsedTimer timer;
    timer.start();
    open(bytes, ed.command());
    EXPECT_EQ(list()->count(), 3 * (bytes.size() / chunk.size()));
    EXPECT_EQ(list()->item(0)->text(), QStringLiteral("KWONE"));
    EXPECT_LT(timer.elapsed(), 60000);
    // In a scrolled list the line under the pointer counts from the first row shown.
    child<QAction>("mn_disp_kwdlist")->trigger();
    list()->scrollToItem(list()->item(1000), QAbstractItemView::PositionAtTop);
    releaseAtLine(2, Qt::LeftButton);
    EXPECT_EQ(list()->currentRow(), 1002);

    if (QFileInfo::exists(QStringLiteral("/usr/bin/ODBCManageDataSourcesQ5")))
        GTEST_SKIP() << "the graphical administrator is installed";
    const QByteArray saved = qgetenv("ODBCINI");
    const QString userFile = dir_.path() + QStringLiteral("/user odbc.ini");
    qputenv("ODBCINI", userFile.toLocal8Bit());
    child<QAction>("mn_kick_dsnadmin")->trigger();
    qputenv("ODBCINI", saved);
    QElapsedTimer wait;
    wait.start();
    while (!ed.ran() && wait.elapsed() < 10000)
        QTest::qWait(50);
    EXPECT_EQ(ed.arguments(), QStringList{userFile});
    EXPECT_TRUE(prompts_.boxes().isEmpty());
}
