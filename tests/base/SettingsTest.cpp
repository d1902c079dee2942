#include "base/Settings.h"
#include "AppFolderForTesting.h"
#include "base/AppFolder.h"
#include "base/INIfile_IO.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

TEST(AppFolder, EndsInExactlyOneSlash)
{
    EXPECT_EQ(folderWithSlash("/opt/quorvant"), "/opt/quorvant/");
    EXPECT_EQ(folderWithSlash("/opt/quorvant/"), "/opt/quorvant/");
    EXPECT_EQ(folderWithSlash("/opt/quorvant//"), "/opt/quorvant/");
    EXPECT_EQ(folderWithSlash("/"), "/");
    EXPECT_TRUE(AppFolder().endsWith('/'));
    EXPECT_FALSE(AppFolder().endsWith("//"));
}

TEST(AppFolder, SettingsFileLivesInTheProgramFolder)
{
    QTemporaryDir dir;
    setAppFolderForTesting(dir.path());
    EXPECT_EQ(settings::settingsPath(), dir.path() + "/QUORVANT.INI");
    setAppFolderForTesting(QString());
    EXPECT_EQ(settings::settingsPath(), AppFolder() + "QUORVANT.INI");
}

TEST(Settings, MaxHistIsTwentyUnlessWithinRange)
{
    const struct {
        const char* text;
        int expected;
    } cases[] = {{"", 20},     {"5", 20},   {"19", 20},   {"20", 20},  {"21", 21}, {"999", 999},
                 {"1000", 20}, {"abc", 20}, {" 50 ", 50}, {"50x", 20}, {"-30", 20}};
    for (const auto& c : cases)
        EXPECT_EQ(settings::maxHistFromText(c.text), c.expected) << c.text;
}

TEST(Settings, OnlyUpperCaseOnIsOnAndOptionsWriteBackUpperCase)
{
    QTemporaryDir dir;
    INIfile_IO ini(QDir(dir.path()).filePath("QUORVANT.INI"));
    EXPECT_FALSE(settings::readOnOff(ini, settings::kWindow, settings::kToolBar));
    ini.WriteIniValue("WINDOW", "ToolBar", "on");
    EXPECT_FALSE(settings::readOnOff(ini, settings::kWindow, settings::kToolBar));
    ini.WriteIniValue("WINDOW", "ToolBar", "ON");
    EXPECT_TRUE(settings::readOnOff(ini, settings::kWindow, settings::kToolBar));
    settings::writeOnOff(ini, settings::kWindow, settings::kStatusBar, false);
    EXPECT_EQ(ini.ReadIniValue("WINDOW", "StatusBar"), "OFF");
}

TEST(Settings, ConnectionHistoryWritesAllTwentyKeysAndSkipsBlanks)
{
    QTemporaryDir dir;
    INIfile_IO ini(QDir(dir.path()).filePath("QUORVANT.INI"));
    settings::writeConnHist(ini, {"DSN=a;", "DSN=b;UID=u;PWD=p;"}, true);
    EXPECT_EQ(ini.ReadIniValue("CONNHIST", "SAVE"), "ON");
    EXPECT_EQ(ini.ReadIniValue("CONNHIST", "2"), "DSN=b;UID=u;PWD=p;");
    EXPECT_EQ(ini.ReadIniValue("CONNHIST", "20"), "");
    ini.WriteIniValue("CONNHIST", "5", "   ");
    ini.WriteIniValue("CONNHIST", "7", "DSN=c;");
    EXPECT_EQ(settings::readConnHist(ini), QStringList({"DSN=a;", "DSN=b;UID=u;PWD=p;", "DSN=c;"}));
}
