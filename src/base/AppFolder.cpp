#include "base/AppFolder.h"

#include <QCoreApplication>

namespace {
QString& overrideFolder()
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
    if (!overrideFolder().isEmpty())
        return overrideFolder();
    static const QString folder = folderWithSlash(QCoreApplication::applicationDirPath());
    return folder;
}

void setAppFolderForTesting(const QString& folder)
{
    overrideFolder() = folder.isEmpty() ? QString() : folderWithSlash(folder);
}
