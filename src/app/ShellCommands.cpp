#include "app/ShellCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace shellcmd {

QString helpDocument(const QString& helpUrl, const QString& installedFolder)
{
    return helpUrl.isEmpty() ? installedFolder + QStringLiteral("HELP/index.htm") : helpUrl;
}

QString dataSourceAdministrator(const QString& systemFolder)
{
    const QString program = systemFolder + QStringLiteral("ODBCManageDataSourcesQ5");
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable() ? program : QString();
}

QString userDataSourceFile()
{
    // unixODBC reads the user's data sources from $ODBCINI when it is set.
    const QString fromEnv = qEnvironmentVariable("ODBCINI");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QDir::homePath() + QStringLiteral("/.odbc.ini");
}

QString newInstanceProgram()
{
    // The program folder may be the user's data folder; the program itself is where it runs.
    return QCoreApplication::applicationFilePath();
}

} // namespace shellcmd
