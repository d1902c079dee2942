#include "ConnectTestSupport.h"
#include "ConnectedWindow.h"
#include "TestEnv.h"

#include "WindowPart.h"
#include "connect/ConnStrItems.h"
#include "connect/Keyring.h"

#include <QDirIterator>
#include <QListWidget>
#include <QProcess>

using namespace conntest;

namespace {

const QString kNoKeyring =
    "パスワードを保存できるキーリングがありません。パスワードは保存されません。";

} // namespace

// Passwords of the history over the private keyring of the test environment, with a driver that
// needs one: the keywords come from the driver form, because no Linux driver prompts.
class KeyringRoundTrip : public ConnectedWindow {
protected:
    void openWindow()
    {
        setAppFolderForTesting(dir_.path());
        services_ = std::make_unique<AppServices>(prompts_, settings::settingsPath());
        services_->connectAtStart = false;
        window_ = std::make_unique<QUORVANT>(*services_);
    }
    // As the user closes it: the history and the settings are written.
    void closeWindow()
    {
        window_->close();
        window_.reset();
        services_.reset();
    }
    void connectWith(const std::function<void()>& script)
    {
        whileOpen(part<ConnectDS>(*window_), script, [&] { action("mn_connect")->trigger(); });
        ASSERT_TRUE(services_->db().DbIsConnected())
            << (prompts_.boxes().isEmpty() ? "" : prompts_.boxes().last().text.toStdString());
    }
    // The completed connection string the driver handed back, as the program keeps it.
    QString keptConnection()
    {
        return QString::fromStdString(services_->odbc().keptConnectionString());
    }
    QString ini(const char* key) const
    {
        return INIfile_IO(settings::settingsPath()).ReadIniValue("CONNHIST", key);
    }
};

TEST_P(KeyringRoundTrip, PasswordsLiveInTheKeyringAndNeverInAFile)
{
    const bool pg = QString(GetParam()).startsWith("QV_PG");
    const QString driver = pg ? "PostgreSQL ANSI" : "MariaDB Unicode";
    connstr::DriverFields fields;
    fields.server = "127.0.0.1";
    fields.port = QString::number(pg ? testenv::pgPort() : testenv::myPort());
    fields.database = "qvtest";
    fields.uid = pg ? testenv::kPgUser : testenv::kMyUser;
    fields.pwd = pg ? testenv::kPgPassword : testenv::kMyPassword;
    // An entry written by an earlier version, password in the file.
    const QString old = QString("DSN=QV_OLD_%1;UID=u;PWD=old-secret;").arg(GetParam());
    ASSERT_TRUE(dir_.isValid());
    setAppFolderForTesting(dir_.path());
    settings::writeConnHist(*std::make_unique<INIfile_IO>(settings::settingsPath()), {old}, true);

    openWindow();
    connectWith([&] { chooseDriver(part<ConnectDS>(*window_), driver, fields); });
    const QString completed = keptConnection();
    EXPECT_TRUE(completed.startsWith("DRIVER=")) << completed.toStdString();
    EXPECT_TRUE(connstr::hasPassword(completed)) << completed.toStdString();
    // Moved when the dialog first opened.
    EXPECT_EQ(ini("1"), connstr::withoutPasswords(old));
    run("SELECT 1");
    closeWindow();

    // Every file the program wrote: the settings, the SQL history, ...
    QStringList written;
    for (QDirIterator it(dir_.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_FALSE(bytes.contains(fields.pwd.toUtf8())) << file.fileName().toStdString();
        EXPECT_FALSE(bytes.contains("old-secret")) << file.fileName().toStdString();
        written << QFileInfo(file).fileName();
    }
    EXPECT_TRUE(written.contains("QUORVANT.INI") && written.contains("SQLHIST.TXT"))
        << written.join(' ').toStdString();
    EXPECT_EQ(ini("1"), connstr::withoutPasswords(completed));
    EXPECT_EQ(ini("2"), connstr::withoutPasswords(old));
    QString kept;
    EXPECT_EQ(Keyring(ConnectDS::kKeyringService).read(ini("2"), kept), Keyring::Result::Done);
    EXPECT_EQ(kept, old);

    // The next run connects from the history with the password the keyring gives back.
    prompts_.clear();
    openWindow();
    connectWith([&] {
        ConnectDS& dialog = part<ConnectDS>(*window_);
        click(&dialog, "Option1_2");
        auto* list = child<QListWidget>(&dialog, "Lst_conn_hist");
        list->setCurrentRow(0);
        click(&dialog, "Cmd_OK");
    });
    // (An empty database's object tree asks whether to read it without the owner.)
    for (const auto& box : prompts_.boxes())
        EXPECT_FALSE(box.title == "CONNECT エラー" || box.text == kNoKeyring)
            << box.text.toStdString();
    EXPECT_EQ(keptConnection(), completed);
    closeWindow();

    // An entry whose password no keyring kept: the server needs one, so it is asked for.
    ASSERT_EQ(Keyring(ConnectDS::kKeyringService).remove(ini("1")), Keyring::Result::Done);
    prompts_.clear();
    openWindow();
    QString askedUid;
    connectWith([&] { askedUid = chooseEntry(part<ConnectDS>(*window_), 0, fields.pwd); });
    EXPECT_EQ(askedUid, fields.uid);
    // MariaDB's driver completes with the items in the order given, the password now last.
    const QString asked = keptConnection();
    EXPECT_EQ(connstr::withoutPasswords(asked), connstr::withoutPasswords(completed));
    EXPECT_TRUE(connstr::hasPassword(asked)) << asked.toStdString();
    closeWindow();
    setAppFolderForTesting(QString());
}

INSTANTIATE_TEST_SUITE_P(Drivers, KeyringRoundTrip,
                         ::testing::Values(testenv::kPgDsn, testenv::kMyDsn), dsnDriverName);

class NoKeyring : public ConnectFixture {};

TEST_F(NoKeyring, KeepsNoPasswordLeavesOldEntriesAndSaysSoOnce)
{
    // The session bus is taken once per process: the case runs again in a process of its own,
    // on a bus that does not exist.
    if (!qEnvironmentVariableIsSet("QV_NO_KEYRING")) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QV_NO_KEYRING", "1");
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir_.path() + "/no-bus");
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        child.start(QCoreApplication::applicationFilePath(),
                    {QString("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QString out = QString::fromUtf8(child.readAll());
        EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
        return;
    }

    const QString old = "DSN=old;UID=u;PWD=old-pw;";
    writeHistory({"DSN=kept;UID=u;", old}, true);
    auto dialog = makeDialog();
    // An entry with a user ID and no password asks for the password.
    QString askedUid;
    const Answer a = runDialog(*dialog, [&] { askedUid = chooseEntry(*dialog, 0, "p;w"); });
    EXPECT_EQ(askedUid, "u");
    EXPECT_EQ(a.connStr, "DSN=kept;UID=u;PWD={p;w};");
    dialog->SetDataSrcTag("DSN=new;UID=u;PWD=new-pw;");
    dialog->SetDataSrcTag("DSN=new2;PWD=x;");
    ASSERT_EQ(prompts.boxes().size(), 1);
    EXPECT_EQ(prompts.boxes().first().text, kNoKeyring);
    EXPECT_EQ(prompts.boxes().first().icon, Prompts::Icon::Warning);
    dialog->SaveHist();
    // New passwords are not kept; the old entry stays as it was, so nothing is lost.
    EXPECT_EQ(iniValue("1"), "DSN=new2;");
    EXPECT_EQ(iniValue("2"), "DSN=new;UID=u;");
    EXPECT_EQ(iniValue("3"), "DSN=kept;UID=u;");
    EXPECT_EQ(iniValue("4"), old);
}
