#include "base/AppFolder.h"
#include "base/AppFolderSeam.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString& replacedFolder()
{
    static QString folder;
    return folder;
}

const ProgramFolders& startFolders()
{
    static const ProgramFolders folders =
        chooseProgramFolders(QCoreApplication::applicationDirPath(),
                             qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
    return folders;
}

// Creates every missing folder of path with mode 0700: the data folder holds connection strings
// with passwords, so no other user may list it.
bool makePrivateFolder(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString at;
    for (const QString& part : parts) {
        at += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(at);
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return QFileInfo(clean).isDir() &&
           ::access(QFile::encodeName(clean).constData(), W_OK | X_OK) == 0;
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

QString installedDataFolder(const QString& exeFolder)
{
    return folderWithSlash(
        QDir::cleanPath(folderWithSlash(exeFolder) + QStringLiteral(QV_DATA_FROM_BIN)));
}

ProgramFolders chooseProgramFolders(const QString& exeFolder, const QString& xdgDataHome,
                                    const QString& home)
{
    ProgramFolders f;
    const QString exe = folderWithSlash(exeFolder);
    const QString shipped = installedDataFolder(exe);
    // An installation is shared by every user of the machine, so even a user who may write
    // there (root, the owner of /opt) keeps his files in his own data folder.
    f.installed = ::access(QFile::encodeName(exe).constData(), W_OK | X_OK) != 0 ||
                  QFileInfo(shipped).isDir();
    if (!f.installed) {
        f.appFolder = exe;
        f.installedFolder = exe;
        return f;
    }
    // The base folder must be absolute; a relative $XDG_DATA_HOME is ignored.
    const QString dataHome = QDir::isAbsolutePath(xdgDataHome)
                                 ? xdgDataHome
                                 : folderWithSlash(home) + QStringLiteral(".local/share");
    f.appFolder = folderWithSlash(folderWithSlash(dataHome) + QStringLiteral("quorvant"));
    f.installedFolder = shipped;
    f.usable = makePrivateFolder(f.appFolder);
    // The keyword list is the user's to edit: he gets his own copy of the default one.
    const QString keywords = QStringLiteral("SQLKYWD.TXT");
    if (f.usable && !QFileInfo::exists(f.appFolder + keywords))
        QFile::copy(shipped + keywords, f.appFolder + keywords);
    return f;
}

QString AppFolder()
{
    if (!replacedFolder().isEmpty())
        return replacedFolder();
    return startFolders().appFolder;
}

QString InstalledFilesFolder()
{
    if (!replacedFolder().isEmpty())
        return replacedFolder();
    return startFolders().installedFolder;
}

bool AppFolderUsable()
{
    return !replacedFolder().isEmpty() || startFolders().usable;
}

void appfolder::replaceFolder(const QString& folder)
{
    replacedFolder() = folder.isEmpty() ? QString() : folderWithSlash(folder);
}
