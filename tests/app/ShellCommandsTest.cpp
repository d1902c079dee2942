#include "app/ShellCommands.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

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
