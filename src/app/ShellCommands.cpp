#include "app/ShellCommands.h"

#include <QDir>
#include <QFileInfo>

namespace shellcmd {

QString helpDocument(const QString& helpUrl, const QString& appFolder)
{
    return helpUrl.isEmpty() ? appFolder + QStringLiteral("HELP/index.htm") : helpUrl;
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

QString newInstanceProgram(const QString& appFolder)
{
    return appFolder + QStringLiteral("quorvant");
}

} // namespace shellcmd
