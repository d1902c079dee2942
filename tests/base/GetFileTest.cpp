#include "base/GetFile.h"
#include "RecordingDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

namespace {

class GetFile : public ::testing::Test {
protected:
    RecordingDialog dialog;
    void SetUp() override { FileDialogBackend::install(&dialog); }
    void TearDown() override { FileDialogBackend::install(nullptr); }
};

} // namespace

TEST(BuildDialogFilter, SkipsEmptyPiecesAndGivesALonelyDescriptionAllFiles)
{
    const QString nul(QChar(0));
    EXPECT_EQ(BuildDialogFilter("CSVﾌｧｲﾙ(*.csv)|*.csv||ﾃｷｽﾄﾌｧｲﾙ"),
              "CSVﾌｧｲﾙ(*.csv)" + nul + "*.csv" + nul + "ﾃｷｽﾄﾌｧｲﾙ" + nul + "*.*" + nul + nul);
    EXPECT_EQ(BuildDialogFilter("a|*.a|"), "a" + nul + "*.a" + nul + nul);
    EXPECT_EQ(BuildDialogFilter(""), "");
}

TEST(BuildDialogFilter, QtFormNamesEachPairOnce)
{
    EXPECT_EQ(qtDialogFilters("SQLﾌｧｲﾙ(*.sql)|*.sql|すべてのﾌｧｲﾙ(*.*)|*.*"),
              QStringList({"SQLﾌｧｲﾙ(*.sql)", "すべてのﾌｧｲﾙ(*.*)"}));
    EXPECT_EQ(qtDialogFilters("Text|*.txt;*.log||Lonely"),
              QStringList({"Text (*.txt *.log)", "Lonely (*.*)"}));
    EXPECT_EQ(qtDialogFilters(""), QStringList({"すべてのﾌｧｲﾙ(*.*)"}));
}

TEST_F(GetFile, InitialPathSplitsAtTheLastSlash)
{
    ShowSaveFileDialog(nullptr, "保存", "  SELECT.csv ", "", 1);
    EXPECT_EQ(dialog.last.initialFolder, "");
    EXPECT_EQ(dialog.last.initialName, "SELECT.csv");
    EXPECT_TRUE(dialog.last.save);

    ShowSaveFileDialog(nullptr, "保存", "/data/", "", 1);
    EXPECT_EQ(dialog.last.initialFolder, "/data/");
    EXPECT_EQ(dialog.last.initialName, "");

    ShowOpenFileDialog(nullptr, "SQLﾌｧｲﾙ読込み", "/a/b/c.sql", "SQLﾌｧｲﾙ(*.sql)|*.sql", 1);
    EXPECT_EQ(dialog.last.initialFolder, "/a/b/");
    EXPECT_EQ(dialog.last.initialName, "c.sql");
    EXPECT_EQ(dialog.last.title, "SQLﾌｧｲﾙ読込み");
    EXPECT_FALSE(dialog.last.save);
}

TEST_F(GetFile, ResultIsTrimmedAndCancelIsEmpty)
{
    dialog.answer = "  /tmp/out.csv  ";
    EXPECT_EQ(ShowSaveFileDialog(nullptr, "t", "", "", 1), "/tmp/out.csv");
    dialog.answer = "";
    EXPECT_EQ(ShowOpenFileDialog(nullptr, "t", "", "", 1), "");
}

// The real dialog: a name typed without its extension gets the chosen type's, and only a type
// of one extension gives one.
TEST(GetFileDialog, TypedNameGetsTheChosenTypesExtension)
{
    EXPECT_EQ(DefaultSuffixOf(QStringLiteral("Excelﾌｧｲﾙ(*.xlsx)")), QStringLiteral("xlsx"));
    EXPECT_EQ(DefaultSuffixOf(QStringLiteral("すべてのﾌｧｲﾙ(*.*)")), QString());
    EXPECT_EQ(DefaultSuffixOf(QStringLiteral("ﾃｷｽﾄ (*.csv *.txt)")), QString());

    QTemporaryDir dir;
    const auto typeAndAccept = [](const QString& name) {
        QTimer::singleShot(0, [name] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
            QMetaObject::invokeMethod(dialog, "accept");
        });
    };
    const QString filter = QStringLiteral("Excelﾌｧｲﾙ(*.xlsx)|*.xlsx|すべてのﾌｧｲﾙ(*.*)|*.*");
    typeAndAccept(dir.filePath(QStringLiteral("typed")));
    EXPECT_EQ(ShowSaveFileDialog(nullptr, "保存", dir.filePath("SELECT.xlsx"), filter, 1),
              dir.filePath(QStringLiteral("typed.xlsx")));
    typeAndAccept(dir.filePath(QStringLiteral("typed.bak")));
    EXPECT_EQ(ShowSaveFileDialog(nullptr, "保存", dir.filePath("SELECT.xlsx"), filter, 1),
              dir.filePath(QStringLiteral("typed.bak")));
    typeAndAccept(dir.filePath(QStringLiteral("typed")));
    EXPECT_EQ(ShowSaveFileDialog(nullptr, "保存", dir.filePath("SELECT"), filter, 2),
              dir.filePath(QStringLiteral("typed")));
}
