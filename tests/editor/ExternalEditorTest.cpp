#include "editor/ExternalEditor.h"
#include "RecordingDialog.h"
#include "ScriptEditor.h"
#include "ScriptedPrompts.h"
#include "base/GetFile.h"
#include "base/INIfile_IO.h"
#include "base/Settings.h"
#include "base/basApiCall.h"
#include "editor/FrmEditor.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstring>

using namespace exteditor;

namespace {

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ini_ = std::make_unique<INIfile_IO>(dir_.filePath("QUORVANT.INI"));
        keywordFile_ = dir_.filePath("SQLKYWD.TXT");
    }
    FrmEditor& editor(const QString& command)
    {
        settings::writeEditorCommand(*ini_, command);
        if (!frm_)
            frm_ = std::make_unique<FrmEditor>(*ini_, prompts_, keywordFile_);
        frm_->GetEditorCommand();
        return *frm_;
    }
    QString lastBoxText() const
    {
        return prompts_.boxes().isEmpty() ? QString() : prompts_.boxes().last().text;
    }

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;
    std::unique_ptr<INIfile_IO> ini_;
    QString keywordFile_;
    std::unique_ptr<FrmEditor> frm_;
};

} // namespace

TEST(ExternalEditor, CommandSplitsFirstThenTheFirstPlaceholderTakesTheRawPath)
{
    struct Case {
        const char* name;
        QString command;
        QString path;
        QString program;
        QStringList arguments;
    };
    const QString nasty = QStringLiteral("/tmp/a b/q\"1 $(rm -rf x);`id`'.csv");
    const Case cases[] = {
        {"plain", "gedit %p", "/d/x.sql", "gedit", {"/d/x.sql"}},
        {"upper case, first only", "ed --a=%P %p -b", "/d/x", "ed", {"--a=/d/x", "%p", "-b"}},
        {"quoted placeholder", "ed \"%p\"", "/d/x", "ed", {"/d/x"}},
        {"path with quotes and shell characters", "ed %p", nasty, "ed", {nasty}},
        {"program with a blank",
         "'/opt/my ed/bin/ed' -n %p",
         "/x",
         "/opt/my ed/bin/ed",
         {"-n", "/x"}},
        {"no placeholder: started as it is", "ed -n", "/x", "ed", {"-n"}},
    };
    for (const Case& c : cases) {
        const EditorCommand built = buildCommand(c.command, c.path);
        EXPECT_EQ(built.program, c.program) << c.name;
        EXPECT_EQ(built.arguments, c.arguments) << c.name;
    }
    EXPECT_TRUE(hasPlaceholder(QStringLiteral("vi %P")));
    EXPECT_FALSE(hasPlaceholder(QStringLiteral("vi % p")));

    // A chosen program path comes back as one word whatever it holds.
    for (const QString& path :
         {QStringLiteral("/usr/bin/gedit"), QStringLiteral("/opt/My Editor/ed"),
          QStringLiteral("/opt/it's \"q\" $HOME `x` \\ed")}) {
        EXPECT_EQ(splitCommandLine(quoteProgramPath(path) + QStringLiteral(" %p")),
                  (QStringList{path, QStringLiteral("%p")}))
            << path.toStdString();
    }
    EXPECT_EQ(quoteProgramPath(QStringLiteral("/usr/bin/gedit")), QStringLiteral("/usr/bin/gedit"));
}

// The edit file is UTF-8 behind a mark: every character comes back, also those code page 932
// would change (〜 − — ‖ ¢ ¬) or lacks, and text whose CP932 bytes happen to be valid UTF-8.
TEST(ExternalEditor, EditFileIsUtf8WithAMarkAndEveryCharacterComesBack)
{
    QByteArray bytes;
    EditorError error;
    QString text;
    for (const QString& sql :
         {QStringLiteral("select '〜' as wave, '−' as minus, 'José' as jose"),
          QStringLiteral("SELECT 'ﾃｽ' FROM t"), QStringLiteral("— ‖ ¢ ¬ 😀 한\nFROM 表"),
          QStringLiteral("\uFEFFSELECT 1")}) {
        ASSERT_TRUE(encodeForEdit(sql, bytes, &error)) << sql.toStdString();
        EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << sql.toStdString();
        ASSERT_TRUE(decodeEdited(bytes, text, &error));
        EXPECT_EQ(text, sql);
    }
    EXPECT_EQ(bytes, QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFSELECT 1"));

    // Half a surrogate pair has no UTF-8 form: refused, naming where it is.
    EXPECT_FALSE(
        encodeForEdit(QStringLiteral("SELECT 1\nWHERE x = '") + QChar(0xD800) + QLatin1Char('\''),
                      bytes, &error));
    EXPECT_EQ(error.number, EILSEQ);
    EXPECT_TRUE(error.description.contains(QStringLiteral("2行 12文字目")))
        << error.description.toStdString();

    // What an editor saved without the mark: UTF-8 when valid, else code page 932.
    ASSERT_TRUE(decodeEdited(QByteArray("A\x95\x5C\r\nB"), text, &error));
    EXPECT_EQ(text, QStringLiteral("A表\nB"));
    ASSERT_TRUE(decodeEdited(QByteArray("Jos\xC3\xA9\n"), text, &error));
    EXPECT_EQ(text, QStringLiteral("José\n"));
    text = QStringLiteral("kept");
    EXPECT_FALSE(decodeEdited(QByteArray("A\x81\x20\xFF"), text, &error));
    EXPECT_FALSE(decodeEdited(QByteArray("\xEF\xBB\xBF\x95\x5C"), text, &error));
    EXPECT_EQ(error.number, EILSEQ);
    EXPECT_EQ(text, QStringLiteral("kept"));
}

TEST_F(EditorWindow, SqlMakesTheRoundTripThroughItsOwnFileWhileEventsRun)
{
    ScriptEditor ed(dir_, "append.sh", "sleep 0.5; printf -- '-- edited\\r\\n' >> \"$1\"");
    FrmEditor& frm = editor(ed.command());
    int ticks = 0;
    bool typed = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(5);
    QLineEdit other;
    other.show();
    // Typing while the editor runs reaches no window.
    QTimer::singleShot(100, &other, [&other, &typed] {
        QTest::keyClicks(&other, "typed");
        typed = true;
    });
    const QString edited = frm.editSql(QStringLiteral("SELECT '表'\nFROM t"));
    EXPECT_EQ(edited, QStringLiteral("SELECT '表'\nFROM t-- edited\n"));
    EXPECT_TRUE(prompts_.boxes().isEmpty()) << lastBoxText().toStdString();
    // The window kept running its events, but took no input.
    EXPECT_TRUE(typed);
    EXPECT_GT(ticks, 10);
    EXPECT_EQ(other.text(), QString());
    EXPECT_FALSE(frm.editing());

    // The editor got one argument: the raw path of the edit file, parentheses and blank intact.
    const QStringList args = ed.arguments();
    ASSERT_EQ(args.size(), 1);
    EXPECT_TRUE(args[0].endsWith(QStringLiteral("/SQL(temporary edit).sql")));
    EXPECT_EQ(QFile::permissions(args[0]) & 0x0077, QFileDevice::Permissions());

    // An editor that saves nothing gives the text back exactly, a lone CR included.
    ScriptEditor idle(dir_, "idle.sh", "true");
    FrmEditor& same = editor(idle.command());
    EXPECT_EQ(same.editSql(QStringLiteral("a\rb\n")), QStringLiteral("a\rb\n"));

    // A second instance has a file of its own.
    FrmEditor second(*ini_, prompts_, keywordFile_);
    second.GetEditorCommand();
    EXPECT_EQ(second.editSql(QStringLiteral("other")), QStringLiteral("other"));
    const QStringList both = idle.arguments();
    ASSERT_EQ(both.size(), 2);
    EXPECT_NE(both[0], both[1]);
    EXPECT_EQ(QFileInfo(both[0]).fileName(), QFileInfo(both[1]).fileName());
}

TEST_F(EditorWindow, FailuresKeepTheUsersTextAndSaySo)
{
    const QString original =
        QStringLiteral("SELECT * FROM t WHERE name = 'Jos") + QChar(0xD800) + QLatin1Char('\'');
    ScriptEditor ed(dir_, "append.sh", "printf 'x' >> \"$1\"");
    FrmEditor& frm = editor(ed.command());

    // Text the file cannot hold: the editor is not started.
    EXPECT_EQ(frm.editSql(original), original);
    EXPECT_FALSE(ed.ran());
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_EQ(prompts_.boxes()[0].icon, Prompts::Icon::Critical);
    EXPECT_EQ(prompts_.boxes()[0].title, QStringLiteral("QUORVANT"));
    EXPECT_TRUE(lastBoxText().startsWith(
        QStringLiteral("エディタ起動に失敗しました。\nError:%1 ").arg(EILSEQ)));

    // The edit file cannot be written (a folder stands in its place): not started either.
    prompts_.clear();
    EXPECT_EQ(frm.editSql(QStringLiteral("SELECT 1")), QStringLiteral("SELECT 1x"));
    const QString editFile = ed.arguments().value(0);
    ASSERT_TRUE(QFile::remove(editFile));
    ASSERT_TRUE(QDir().mkdir(editFile));
    EXPECT_EQ(frm.editSql(QStringLiteral("SELECT 2")), QStringLiteral("SELECT 2"));
    EXPECT_EQ(ed.arguments().size(), 1);
    EXPECT_TRUE(lastBoxText().startsWith(
        QStringLiteral("エディタ起動に失敗しました。\nError:%1 ").arg(EISDIR)));
    ASSERT_TRUE(QDir().rmdir(editFile));

    // A missing program.
    prompts_.clear();
    FrmEditor& missing = editor(QStringLiteral("/nonexistent/editor-qv %p"));
    EXPECT_EQ(missing.editSql(QStringLiteral("SELECT 3")), QStringLiteral("SELECT 3"));
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_TRUE(lastBoxText().startsWith(
        QStringLiteral("エディタ起動に失敗しました。\nError:%1 ").arg(ENOENT)));
    EXPECT_TRUE(lastBoxText().contains(QStringLiteral("/nonexistent/editor-qv")));

    // A program that exists but cannot be started (a script without "#!"): the system's error
    // of the start, not the kind QProcess gives it.
    prompts_.clear();
    const QString script = dir_.filePath("no-interpreter.sh");
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("exit 0\n");
        f.setPermissions(f.permissions() | QFile::ExeOwner);
    }
    EXPECT_EQ(editor(script + " %p").editSql(QStringLiteral("SELECT 5")),
              QStringLiteral("SELECT 5"));
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_TRUE(lastBoxText().startsWith(QStringLiteral("エディタ起動に失敗しました。\nError:%1 %2")
                                             .arg(ENOEXEC)
                                             .arg(QString::fromLocal8Bit(std::strerror(ENOEXEC)))))
        << lastBoxText().toStdString();
    EXPECT_TRUE(lastBoxText().contains(script));

    // An editor that deletes the file, and one that writes bytes of no known encoding.
    for (const char* action : {"rm -f \"$1\"", "printf '\\201\\040\\377' > \"$1\""}) {
        prompts_.clear();
        ScriptEditor bad(dir_, "bad.sh", QString::fromLatin1(action));
        FrmEditor& frmBad = editor(bad.command());
        EXPECT_EQ(frmBad.editSql(QStringLiteral("SELECT 4")), QStringLiteral("SELECT 4")) << action;
        ASSERT_EQ(prompts_.boxes().size(), 1) << action;
        EXPECT_EQ(prompts_.boxes()[0].icon, Prompts::Icon::Critical);
        EXPECT_TRUE(lastBoxText().startsWith(QStringLiteral("編集したSQLを読み込めませんでした。")))
            << action;
        QFile::remove(bad.log);
    }

    // An editor that saved the file as UTF-8: its text is taken.
    prompts_.clear();
    ScriptEditor utf8(dir_, "utf8.sh", "printf 'Jos\\303\\251' > \"$1\"");
    EXPECT_EQ(editor(utf8.command()).editSql(QStringLiteral("x")), QStringLiteral("José"));
    EXPECT_TRUE(prompts_.boxes().isEmpty());
}

TEST_F(EditorWindow, KeywordEditWaitsAndFileEditReturnsAtOnce)
{
    ScriptEditor slow(dir_, "slow.sh", "sleep 1; printf 'NEWKW\\r\\n' >> \"$1\"");
    FrmEditor& frm = editor(slow.command());
    frm.EditKeyWord();
    EXPECT_EQ(readAll(keywordFile_), QByteArray("NEWKW\r\n"));
    EXPECT_EQ(slow.arguments(), QStringList{keywordFile_});

    const QString exported = dir_.filePath(QStringLiteral("q\"1 $x.csv"));
    QFile f(exported);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QElapsedTimer timer;
    timer.start();
    frm.EditFile(exported);
    EXPECT_LT(timer.elapsed(), 900);
    EXPECT_TRUE(readAll(exported).isEmpty());
    // It did start: the file changes once the editor gets to it.
    QElapsedTimer wait;
    wait.start();
    while (readAll(exported).isEmpty() && wait.elapsed() < 10000)
        QTest::qWait(50);
    EXPECT_EQ(readAll(exported), QByteArray("NEWKW\r\n"));
    EXPECT_TRUE(prompts_.boxes().isEmpty());

    // The free function the export window uses reports a missing program.
    EXPECT_FALSE(
        exteditor::EditFile(nullptr, prompts_, QStringLiteral("no-such-editor-qv %p"), exported));
    EXPECT_TRUE(lastBoxText().startsWith(
        QStringLiteral("エディタ起動に失敗しました。\nError:%1 ").arg(ENOENT)));
}

TEST_F(EditorWindow, SettingsWindowStoresOnlyACommandWithPlaceholder)
{
    FrmEditor& frm = editor(QString());
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("外部エディタ設定"));
    EXPECT_EQ(frm.Label2->text(), QStringLiteral("外部エディタの実行コマンドを入力してください"));
    EXPECT_EQ(frm.Label1[0]->text(), QStringLiteral("ex.  notepad %p"));
    EXPECT_EQ(frm.Label1[1]->text(), QStringLiteral("（%P : 編集ﾌｧｲﾙ）"));
    EXPECT_EQ(frm.Cmd_fileref->text(), QStringLiteral("参照"));

    // No editor yet: the SQL stays, the user is told and gets the window.
    EXPECT_EQ(frm.editSql(QStringLiteral("SELECT 1")), QStringLiteral("SELECT 1"));
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_EQ(prompts_.boxes()[0].icon, Prompts::Icon::Information);
    EXPECT_EQ(prompts_.boxes()[0].title, QStringLiteral("外部エディタ設定"));
    EXPECT_EQ(prompts_.boxes()[0].text, QStringLiteral("外部エディタを設定してください"));
    EXPECT_TRUE(frm.isVisible());
    EXPECT_FALSE(frm.isModal());

    // Blanks only: nothing happens.
    prompts_.clear();
    frm.Text1->setText(QStringLiteral("   "));
    QTest::mouseClick(frm.Cmd_OK, Qt::LeftButton);
    EXPECT_TRUE(prompts_.boxes().isEmpty());
    EXPECT_TRUE(frm.isVisible());
    // Without "%p": asked for, nothing stored.
    frm.Text1->setText(QStringLiteral("gedit"));
    QTest::mouseClick(frm.Cmd_OK, Qt::LeftButton);
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_EQ(prompts_.boxes()[0].text,
              QStringLiteral("編集ファイル置換用の %p を入力してください"));
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(settings::readEditorCommand(*ini_), QString());

    // The chosen program is quoted when it holds a blank; the user adds "%P".
    RecordingDialog dialog;
    dialog.answer = QStringLiteral("/opt/My Editor/ed");
    FileDialogBackend::install(&dialog);
    QTest::mouseClick(frm.Cmd_fileref, Qt::LeftButton);
    FileDialogBackend::install(nullptr);
    EXPECT_EQ(dialog.last.title, QStringLiteral("外部エディタ"));
    EXPECT_EQ(frm.Text1->text(), QStringLiteral("'/opt/My Editor/ed'"));
    frm.Text1->setText(frm.Text1->text() + QStringLiteral(" %P  "));
    QTest::mouseClick(frm.Cmd_OK, Qt::LeftButton);
    EXPECT_FALSE(frm.isVisible());
    EXPECT_EQ(frm.editorCommand(), QStringLiteral("'/opt/My Editor/ed' %P"));
    EXPECT_EQ(settings::readEditorCommand(*ini_), QStringLiteral("'/opt/My Editor/ed' %P"));

    // Cancel changes nothing stored; the typed text stays in the box.
    frm.showSettings();
    EXPECT_TRUE(frm.isModal());
    frm.Text1->setText(QStringLiteral("vi %p"));
    QTest::mouseClick(frm.Cmd_cancel, Qt::LeftButton);
    EXPECT_FALSE(frm.isVisible());
    EXPECT_EQ(frm.editorCommand(), QStringLiteral("'/opt/My Editor/ed' %P"));
    EXPECT_EQ(frm.Text1->text(), QStringLiteral("vi %p"));
}
