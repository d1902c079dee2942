#include "base/INIfile_IO.h"
#include "text/CodePage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class IniFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = QDir(dir.path()).filePath("QUORVANT.INI");

    void writeRaw(const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readRaw()
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    static QByteArray cp932(const char* utf8)
    {
        return QByteArray::fromStdString(codepage::utf8ToCp932(utf8));
    }
};

TEST_F(IniFile, MissingFileSectionOrKeyReadsEmpty)
{
    INIfile_IO ini(path);
    EXPECT_EQ(ini.ReadIniValue("WINDOW", "MAIN"), "");
    writeRaw("[WINDOW]\r\nMAIN=1,2,3,4\r\n");
    EXPECT_EQ(ini.ReadIniValue("SET", "MAIN"), "");
    EXPECT_EQ(ini.ReadIniValue("WINDOW", "HIST"), "");
    EXPECT_EQ(ini.ReadIniValue("WINDOW", "MAIN"), "1,2,3,4");
}

TEST_F(IniFile, SectionsAndKeysMatchCaseInsensitivelyAndBlanksAreIgnored)
{
    writeRaw("garbage line\r\n[ window ]\r\n  toolbar  =  ON  \r\nKey=first\r\nkey=second\r\n");
    INIfile_IO ini(path);
    EXPECT_EQ(ini.ReadIniValue("WINDOW", "ToolBar"), "ON");
    // A repeated key: the first one counts, as private-profile files do.
    EXPECT_EQ(ini.ReadIniValue("Window", "KEY"), "first");
}

TEST_F(IniFile, WriteKeepsOtherLinesAndReplacesInPlace)
{
    writeRaw("; comment\r\ngarbage\r\n[WINDOW]\r\nMAIN=1\r\n\r\n[SET]\r\nEDITOR=vi %p\r\n");
    INIfile_IO ini(path);
    ASSERT_TRUE(ini.WriteIniValue("window", "main", "2,2,2,2"));
    ASSERT_TRUE(ini.WriteIniValue("WINDOW", "ToolBar", "ON"));
    ASSERT_TRUE(ini.WriteIniValue("CONNHIST", "1", "DSN=a;"));
    EXPECT_EQ(readRaw(), QByteArray("; comment\r\ngarbage\r\n[WINDOW]\r\nmain=2,2,2,2\r\n"
                                    "ToolBar=ON\r\n\r\n[SET]\r\nEDITOR=vi %p\r\n"
                                    "[CONNHIST]\r\n1=DSN=a;\r\n"));
    EXPECT_EQ(ini.ReadIniValue("SET", "EDITOR"), "vi %p");
}

TEST_F(IniFile, EmptyValueWritesKeyEqualsAndKeepsTheKey)
{
    INIfile_IO ini(path);
    ASSERT_TRUE(ini.WriteIniValue("CONNHIST", "3", "x"));
    ASSERT_TRUE(ini.WriteIniValue("CONNHIST", "3", ""));
    EXPECT_EQ(readRaw(), QByteArray("[CONNHIST]\r\n3=\r\n"));
    EXPECT_EQ(ini.ReadIniValue("CONNHIST", "3"), "");
}

TEST_F(IniFile, NewFileIsPrivateToTheOwner)
{
    INIfile_IO ini(path);
    ASSERT_TRUE(ini.WriteIniValue("CONNHIST", "1", "DSN=x;UID=u;PWD=secret;"));
    struct stat st {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(IniFile, ValuesAreCp932OnDiskAndCutAt1023Bytes)
{
    INIfile_IO ini(path);
    ASSERT_TRUE(ini.WriteIniValue("SET", "EDITOR", "メモ帳 %p"));
    EXPECT_TRUE(readRaw().contains(cp932("EDITOR=メモ帳 %p")));
    EXPECT_EQ(ini.ReadIniValue("SET", "EDITOR"), "メモ帳 %p");

    const QString longValue(5000, QLatin1Char('x'));
    ASSERT_TRUE(ini.WriteIniValue("SET", "LONG", longValue));
    EXPECT_EQ(ini.ReadIniValue("SET", "LONG"), longValue.left(1023));

    // 1 + 511 double-byte characters = 1023 bytes; one more would split a character.
    const QString jp = QStringLiteral("x") + QString(600, QChar(0x3042));
    ASSERT_TRUE(ini.WriteIniValue("SET", "JP", jp));
    EXPECT_EQ(ini.ReadIniValue("SET", "JP"), jp.left(512));
}

// A text that code page 932 would not give back exactly takes the whole file over to UTF-8
// with a mark, its other lines converted; values read as before, cut at the same place.
TEST_F(IniFile, TextCp932WouldChangeTakesTheFileOverToUtf8)
{
    writeRaw(cp932("[CONNHIST]\r\n1=DSN=表;\r\n[SET]\r\nEDITOR=vi\r\n"));
    INIfile_IO ini(path);
    ASSERT_TRUE(ini.WriteIniValue("SET", "EDITOR", "vim %p"));
    EXPECT_EQ(readRaw(), cp932("[CONNHIST]\r\n1=DSN=表;\r\n[SET]\r\nEDITOR=vim %p\r\n"));

    const QString conn = QStringLiteral("DSN=a;PWD=〜−—‖¢¬José😀;");
    ASSERT_TRUE(ini.WriteIniValue("CONNHIST", "2", conn));
    EXPECT_EQ(readRaw(), QByteArray("\xEF\xBB\xBF[CONNHIST]\r\n1=DSN=表;\r\n2=") + conn.toUtf8() +
                             "\r\n[SET]\r\nEDITOR=vim %p\r\n");
    EXPECT_EQ(ini.ReadIniValue("CONNHIST", "2"), conn);
    EXPECT_EQ(ini.ReadIniValue("CONNHIST", "1"), QStringLiteral("DSN=表;"));

    ASSERT_TRUE(ini.WriteIniValue("x😀", "k😀", QStringLiteral("\uFEFFnew")));
    EXPECT_EQ(ini.ReadIniValue("x😀", "k😀"), QStringLiteral("\uFEFFnew"));
    const QString jp = QStringLiteral("x") + QString(600, QChar(0x3042));
    ASSERT_TRUE(ini.WriteIniValue("SET", "JP", jp));
    EXPECT_EQ(ini.ReadIniValue("SET", "JP"), jp.left(512));
    EXPECT_TRUE(readRaw().startsWith("\xEF\xBB\xBF[CONNHIST]"));
}

TEST_F(IniFile, BytesThatAreNotCp932ReadAsReplacementCharacters)
{
    writeRaw("[SET]\r\nEDITOR=a\xA0\x82\r\n");
    INIfile_IO ini(path);
    EXPECT_EQ(ini.ReadIniValue("SET", "EDITOR"), QString::fromUtf8("a\uFFFD\uFFFD"));
}

// Bytes that are not CP932 read the same before and after a write takes the file over to UTF-8:
// a pair that is no character (0x85 0x5D) does not hide its "]", and a name holding them is
// found by U+FFFD in either coding.
TEST_F(IniFile, BytesThatAreNotCp932ReadTheSameAfterTheFileWentOverToUtf8)
{
    // The last one also cuts the same at 1023 bytes: 0x85 alone, 0x81 0x40 is "　".
    writeRaw("[A\x85]B]\r\nK=1\r\n[S]\r\n\xFF\\:[=\xAE\xAE\xEE\r\nV=" + QByteArray(1021, 'x') +
             "\x85\x81\x40\r\n");
    INIfile_IO ini(path);
    const struct {
        QString section, key;
    } names[] = {{QStringLiteral("A\uFFFD"), "K"},
                 {QStringLiteral("A\uFFFD]B"), "K"},
                 {"S", QStringLiteral("\uFFFD\\:[")},
                 {"S", "V"}};
    QStringList before;
    for (const auto& n : names)
        before << ini.ReadIniValue(n.section, n.key);
    EXPECT_EQ(before.at(0), "1");
    EXPECT_EQ(before.at(2), QStringLiteral("ｮｮ\uFFFD"));
    EXPECT_EQ(before.at(3), QString(1021, QLatin1Char('x')) + QChar::ReplacementCharacter);
    ASSERT_TRUE(ini.WriteIniValue("S", "NEW", QStringLiteral("é")));
    ASSERT_TRUE(readRaw().startsWith("\xEF\xBB\xBF"));
    for (std::size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(ini.ReadIniValue(names[i].section, names[i].key), before.at(i)) << i;
}

TEST_F(IniFile, LineBreaksInAValueCannotInjectKeys)
{
    INIfile_IO ini(path);
    ASSERT_TRUE(ini.WriteIniValue("SET", "EDITOR", "vi\r\n[WINDOW]\nToolBar=ON"));
    EXPECT_EQ(ini.ReadIniValue("WINDOW", "ToolBar"), "");
    EXPECT_EQ(ini.ReadIniValue("SET", "EDITOR"), "vi  [WINDOW] ToolBar=ON");
}

TEST_F(IniFile, UnwritableFolderFailsQuietlyAndReadsEmpty)
{
    INIfile_IO missing(QDir(dir.path()).filePath("no/such/folder/QUORVANT.INI"));
    EXPECT_FALSE(missing.WriteIniValue("SET", "EDITOR", "x"));
    EXPECT_EQ(missing.ReadIniValue("SET", "EDITOR"), "");

    writeRaw("[SET]\r\nEDITOR=kept\r\n");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    INIfile_IO ini(path);
    const bool wrote = ini.WriteIniValue("SET", "EDITOR", "changed");
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!wrote) // root may write anyway; then the new value must be complete
        EXPECT_EQ(ini.ReadIniValue("SET", "EDITOR"), "kept");
    else
        EXPECT_EQ(ini.ReadIniValue("SET", "EDITOR"), "changed");
}

struct NameCase {
    const char* name;
    const char* before; // file text (UTF-8, written as CP932)
    const char* section;
    const char* key;
    const char* after; // file text after writing key=new
};

void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << c.name;
}

class IniNames : public IniFile, public testing::WithParamInterface<NameCase> {};

// Names are compared as text: a trail byte that equals "]" or "=" is part of its character,
// and only ASCII letters fold.
TEST_P(IniNames, WriteReplacesOnlyItsOwnLineAndReadsBack)
{
    const NameCase& c = GetParam();
    writeRaw(cp932(c.before));
    INIfile_IO ini(path);
    ASSERT_TRUE(ini.WriteIniValue(QString::fromUtf8(c.section), QString::fromUtf8(c.key), "new"));
    EXPECT_EQ(readRaw(), cp932(c.after));
    EXPECT_EQ(ini.ReadIniValue(QString::fromUtf8(c.section), QString::fromUtf8(c.key)), "new");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniNames,
    testing::Values(
        NameCase{"TrailByteIsNoBracket", "[ゾーン]\r\nキー=old\r\n", "ゾーン", "キー",
                 "[ゾーン]\r\nキー=new\r\n"},
        NameCase{"TrailByteIsNoBracketInAKey", "[S]\r\n[ゾ=old\r\n", "S", "[ゾ",
                 "[S]\r\n[ゾ=new\r\n"},
        NameCase{"SecondBytesDoNotFold", "[S]\r\nア=a\r\n", "S", "ヂ", "[S]\r\nア=a\r\nヂ=new\r\n"},
        NameCase{"FullWidthLettersDoNotFold", "[S]\r\nＡ=a\r\n", "S", "ａ",
                 "[S]\r\nＡ=a\r\nａ=new\r\n"},
        NameCase{"AsciiStillFolds", "[Set]\r\nEditor=vi\r\n", "SET", "editor",
                 "[Set]\r\neditor=new\r\n"},
        NameCase{"BlanksAroundNames", "[S]\r\nK=old\r\n", " S ", " K ", "[S]\r\nK=new\r\n"}),
    [](const testing::TestParamInfo<NameCase>& info) { return info.param.name; });

TEST_F(IniFile, NamesTheFileCannotHoldAreRefusedAndChangeNothing)
{
    writeRaw("[S]\r\nK=v\r\n");
    INIfile_IO ini(path);
    const struct {
        const char* section;
        const char* key;
    } cases[] = {{"a]b", "K"}, {"S", "k=v"}, {"S", ";k"}, {"S", "[k]"}, {"", "K"}, {"S", " "}};
    for (const auto& c : cases)
        EXPECT_FALSE(ini.WriteIniValue(c.section, c.key, "x")) << c.section << " " << c.key;
    EXPECT_EQ(readRaw(), QByteArray("[S]\r\nK=v\r\n"));
    EXPECT_FALSE(ini.writeRefused());
}

// A settings file that exists but cannot be read is never replaced by one holding only the
// written key; the user is told once.
TEST_F(IniFile, UnreadableFileIsNeverReplacedAndTheRefusalIsToldOnce)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("QUORVANT.INI"));
    QFile inside(path + "/kept.txt");
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.close();
    INIfile_IO ini(path);
    int told = 0;
    ini.setRefusedWriteHook([&told] { ++told; });
    EXPECT_FALSE(ini.WriteIniValue("SET", "EDITOR", "x"));
    EXPECT_FALSE(ini.WriteIniValue("CONNHIST", "1", "DSN=a;"));
    EXPECT_TRUE(ini.writeRefused());
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_TRUE(QFileInfo::exists(path + "/kept.txt"));
    EXPECT_EQ(ini.ReadIniValue("SET", "EDITOR"), "");
}

TEST_F(IniFile, FileWithoutReadPermissionKeepsItsSettings)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads files without read permission";
    writeRaw("[CONNHIST]\r\n1=DSN=a;\r\n[SET]\r\nEDITOR=vi\r\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    INIfile_IO ini(path);
    EXPECT_FALSE(ini.WriteIniValue("SET", "EDITOR", "x"));
    EXPECT_TRUE(ini.writeRefused());
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(readRaw(), QByteArray("[CONNHIST]\r\n1=DSN=a;\r\n[SET]\r\nEDITOR=vi\r\n"));
}

} // namespace
