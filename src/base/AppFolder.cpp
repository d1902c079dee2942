#include "base/AppFolder.h"
#include "base/AppFolderSeam.h"

#include <QCoreApplication>

namespace {
QString& replacedFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString folderWithSlash(const QString& folder)
{
    QString f = folder;
    while (f.size() > 1 && f.endsWith(QLatin1Char('/')) && f.at(f.size() - 2) == QLatin1Char('/'))
        f.chop(1);
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}

QString AppFolder()
{
    if (!replacedFolder().isEmpty())
        return replacedFolder();
    static const QString folder = folderWithSlash(QCoreApplication::applicationDirPath());
    return folder;
}

void appfolder::replaceFolder(const QString& folder)
{
    replacedFolder() = folder.isEmpty() ? QString() : folderWithSlash(folder);
}
