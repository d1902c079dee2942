#include "base/AppFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

int modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A machine of its own: a home folder and an installation root with bin/ and share/quorvant/.
class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    void TearDown() override
    {
        // A read-only folder must be writable again to be removed.
        QFile::setPermissions(bin(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString home() const { return dir_.path() + "/home"; }
    QString bin() const { return dir_.path() + "/usr/bin"; }
    QString shared() const { return dir_.path() + "/usr/share/quorvant/"; }
    QString dataFolder() const { return home() + "/.local/share/quorvant/"; }
    void install()
    {
        writeFile(shared() + "SQLKYWD.TXT", "SELECT\r\nFROM\r\n");
        writeFile(shared() + "HELP/index.htm", "<html></html>");
    }
    QTemporaryDir dir_;
};

} // namespace

// A folder the user may write is the program folder, as it always was: nothing is made in home.
TEST_F(ProgramFolderTest, WritableFolderKeepsEveryFileBesideTheExecutable)
{
    ASSERT_TRUE(QDir().mkpath(bin()));
    ASSERT_TRUE(QDir().mkpath(home()));
    const ProgramFolders f = chooseProgramFolders(bin(), QString(), home());
    EXPECT_FALSE(f.installed);
    EXPECT_TRUE(f.usable);
    EXPECT_EQ(f.appFolder, bin() + "/");
    EXPECT_EQ(f.installedFolder, bin() + "/");
    EXPECT_FALSE(QFileInfo::exists(home() + "/.local"));
}

// Root may write into any folder: the read-only case then runs in a child process as the user
// nobody, as an ordinary user meets an installed program.
TEST_F(ProgramFolderTest, ReadOnlyFolderKeepsFilesInTheUsersDataFolder)
{
    ASSERT_TRUE(QDir().mkpath(bin()));
    ASSERT_TRUE(QDir().mkpath(home()));
    ASSERT_TRUE(QFile::setPermissions(bin(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                 QFile::ExeGroup | QFile::ReadOther |
                                                 QFile::ExeOther));
    const auto check = [this] {
        const ProgramFolders f = chooseProgramFolders(bin(), QString(), home());
        return f.installed && f.usable && f.appFolder == dataFolder() &&
               QFileInfo(dataFolder()).isDir() && f.installedFolder == shared();
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(check());
        return;
    }
    const uid_t nobody = 65534;
    ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0755), 0);
    ASSERT_EQ(::chown(QFile::encodeName(home()).constData(), nobody, nobody), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(20); // never hang the suite
        const bool ok = ::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 &&
                        ::setuid(nobody) == 0 &&
                        ::access(QFile::encodeName(bin()).constData(), W_OK) != 0 && check();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

// An installation (a data folder beside bin/) is shared, even when this user may write into it:
// the files go to the data folder, made private, with a copy of the default keyword list.
TEST_F(ProgramFolderTest, InstallationUsesThePrivateDataFolder)
{
    install();
    ASSERT_TRUE(QDir().mkpath(bin()));
    const ProgramFolders f = chooseProgramFolders(bin(), QString(), home());
    EXPECT_TRUE(f.installed);
    EXPECT_TRUE(f.usable);
    EXPECT_EQ(f.appFolder, dataFolder());
    EXPECT_EQ(f.installedFolder, shared());
    EXPECT_EQ(modeOf(dataFolder()), 0700);
    EXPECT_EQ(contentOf(dataFolder() + "SQLKYWD.TXT"), "SELECT\r\nFROM\r\n");
    EXPECT_EQ(QDir(bin()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

    // The user's own list is never replaced by the default one.
    writeFile(dataFolder() + "SQLKYWD.TXT", "MINE\r\n");
    chooseProgramFolders(bin(), QString(), home());
    EXPECT_EQ(contentOf(dataFolder() + "SQLKYWD.TXT"), "MINE\r\n");
}

TEST_F(ProgramFolderTest, DataHomeIsTakenOnlyWhenAbsolute)
{
    install();
    ASSERT_TRUE(QDir().mkpath(bin()));
    const struct {
        QString xdg;
        QString expected;
    } cases[] = {
        {dir_.path() + "/xdg", dir_.path() + "/xdg/quorvant/"},
        {dir_.path() + "/xdg/", dir_.path() + "/xdg/quorvant/"},
        {QStringLiteral("relative/data"), dataFolder()},
        {QString(), dataFolder()},
    };
    for (const auto& c : cases) {
        const ProgramFolders f = chooseProgramFolders(bin(), c.xdg, home());
        EXPECT_EQ(f.appFolder, c.expected) << c.xdg.toStdString();
        EXPECT_TRUE(QFileInfo(c.expected).isDir()) << c.xdg.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(bin() + "/relative"));
}

// A file where the data folder belongs: the program still has its folders, says they cannot be
// kept, and the file is left as it was.
TEST_F(ProgramFolderTest, DataFolderThatCannotBeMadeIsUnusableAndTouchesNothing)
{
    install();
    ASSERT_TRUE(QDir().mkpath(bin()));
    const QString blockers[] = {home() + "/.local/share/quorvant", home() + "/.local"};
    for (const QString& blocker : blockers) {
        QDir(home()).removeRecursively();
        writeFile(blocker, "not a folder");
        const ProgramFolders f = chooseProgramFolders(bin(), QString(), home());
        EXPECT_FALSE(f.usable) << blocker.toStdString();
        EXPECT_EQ(f.appFolder, dataFolder());
        EXPECT_EQ(contentOf(blocker), "not a folder");
    }
}
