#include "app/ShellCommands.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

TEST(ShellCommands, HelpAddressWinsOverTheLocalPage)
{
    EXPECT_EQ(shellcmd::helpDocument(QString(), QStringLiteral("/opt/qv/")),
              "/opt/qv/HELP/index.htm");
    EXPECT_EQ(shellcmd::helpDocument(QStringLiteral("https://example.invalid/qv"),
                                     QStringLiteral("/opt/qv/")),
              "https://example.invalid/qv");
}

// An installed program keeps its files elsewhere: the new instance is the running executable,
// wherever it lies, never a name in the program folder.
TEST(ShellCommands, NewInstanceIsTheRunningExecutable)
{
    EXPECT_EQ(QFileInfo(shellcmd::newInstanceProgram()).canonicalFilePath(),
              QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
}

TEST(ShellCommands, AdministratorOnlyWhenInstalled)
{
    EXPECT_EQ(shellcmd::dataSourceAdministrator(QStringLiteral("/nonexistent/")), QString());
    const QString found = shellcmd::dataSourceAdministrator(QStringLiteral("/usr/bin/"));
    EXPECT_TRUE(found.isEmpty() || found == "/usr/bin/ODBCManageDataSourcesQ5");
}

TEST(ShellCommands, UserDataSourceFileFollowsTheDriverManager)
{
    const QByteArray saved = qgetenv("ODBCINI");
    qputenv("ODBCINI", "/tmp/qv-test/odbc.ini");
    EXPECT_EQ(shellcmd::userDataSourceFile(), "/tmp/qv-test/odbc.ini");
    qunsetenv("ODBCINI");
    EXPECT_EQ(shellcmd::userDataSourceFile(), QDir::homePath() + "/.odbc.ini");
    if (!saved.isNull())
        qputenv("ODBCINI", saved);
}

// Started from the build tree (scripts/run), the program finds the default keyword list beside
// it, as an installed program finds it in its data folder. A list the user edited there stays
// through every rebuild; a missing one comes back.
TEST(ShellCommands, BuiltProgramHasTheDefaultKeywordListAndKeepsAnEditedOne)
{
    const auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QString keywords = QStringLiteral(QV_KEYWORDS_DIR);
    const QByteArray shipped = bytes(keywords + "/SQLKYWD.TXT");
    ASSERT_TRUE(shipped.startsWith("SELECT\r\n"));
    EXPECT_EQ(bytes(QStringLiteral(QV_PROGRAM_DIR "/SQLKYWD.TXT")), shipped);

    QTemporaryDir dir;
    const QString target = dir.filePath("SQLKYWD.TXT");
    const auto build = [&] {
        return QProcess::execute(QStringLiteral(QV_CMAKE),
                                 {"-DSOURCE=" + keywords + "/SQLKYWD.TXT", "-DTARGET=" + target,
                                  "-P", keywords + "/CopyIfMissing.cmake"});
    };
    ASSERT_EQ(build(), 0);
    EXPECT_EQ(bytes(target), shipped);
    QFile edited(target);
    ASSERT_TRUE(edited.open(QIODevice::WriteOnly | QIODevice::Truncate));
    edited.write("MY_KEYWORD\r\n");
    edited.close();
    ASSERT_EQ(build(), 0);
    EXPECT_EQ(bytes(target), "MY_KEYWORD\r\n");
}
