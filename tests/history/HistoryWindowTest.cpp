#include "AppFolderForTesting.h"
#include "ScriptedPrompts.h"
#include "base/AppFolder.h"
#include "base/INIfile_IO.h"
#include "base/Settings.h"
#include "history/ShowHist.h"
#include "history/ShowTemp.h"
#include "history/StatementListFile.h"
#include "odbc/comm/ConnectionWork.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <memory>

// The program's images (sort arrows), compiled into the application's library.
static void initProgramImages()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

class HistoryWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        initProgramImages();
        ASSERT_TRUE(dir_.isValid());
        setAppFolderForTesting(dir_.path());
        ini_ = std::make_unique<INIfile_IO>(settings::settingsPath());
    }
    void TearDown() override { setAppFolderForTesting(QString()); }

    template <typename T> static T* child(QWidget& w, const char* name)
    {
        auto* c = w.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static void click(QWidget& w, const char* name)
    {
        QTest::mouseClick(child<QPushButton>(w, name), Qt::LeftButton);
    }
    int recordsInFile(const char* name) const
    {
        QByteArray bytes;
        stmtfile::readFile(AppFolder() + QLatin1String(name), bytes);
        return static_cast<int>(stmtfile::splitRecords(bytes).size());
    }

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;
    ConnectionWork work_;
    std::unique_ptr<INIfile_IO> ini_;
};

QStringList column(QTreeWidget* list, int c)
{
    QStringList out;
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        out << list->topLevelItem(r)->text(c);
    return out;
}

} // namespace

// Capacity 20 with the list sorted by data source: the oldest row goes wherever it is, the
// new row comes on top; the file keeps 21 records until the exit trim leaves 20.
TEST_F(HistoryWindows, HistoryListSortsInACycleAndDropsTheOldestRowWhileSorted)
{
    QStringList posted;
    ShowHistHooks hooks;
    hooks.PostSQL = [&posted](const QString& sql) { posted << sql; };
    ShowHist hist(*ini_, work_, prompts_, std::move(hooks), nullptr);
    const auto sortImage = [&hist](int c) {
        return hist.findChild<QTreeWidget*>()->headerItem()->data(c, ShowHist::kSortImageRole);
    };
    hist.ReadHist();
    QDateTime now(QDate(2026, 12, 7), QTime(9, 0, 0));
    hist.log().setClock([&now] { return now; });
    for (int i = 0; i < 20; ++i) {
        now = now.addSecs(1);
        hist.AddHist(QStringLiteral("DSN%1").arg(19 - i, 2, 10, QLatin1Char('0')),
                     QStringLiteral("\n  S%1\n").arg(i));
    }
    auto* list = child<QTreeWidget>(hist, "ListView1");
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("日時"));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("S19"));

    struct Step {
        int column;
        const char* first; // DB text of the top row
        const char* image0;
        const char* image1;
    };
    const Step cycle[] = {{1, "DSN19", "", "SortDESC"}, {1, "DSN00", "", "SortASC"},
                          {1, "DSN00", "", ""}, // newest first again: S19 has DSN00
                          {2, "DSN00", "", ""}, // "SQL" never sorts
                          {0, "DSN00", "SortDESC", ""}, {1, "DSN19", "", "SortDESC"}};
    for (const Step& s : cycle) {
        hist.columnClick(s.column);
        EXPECT_EQ(list->topLevelItem(0)->text(1), QString::fromLatin1(s.first)) << s.column;
        EXPECT_EQ(sortImage(0), QString::fromLatin1(s.image0));
        EXPECT_EQ(sortImage(1), QString::fromLatin1(s.image1));
    }
    // Sorted by DB descending, the oldest entry (DSN19) is the top row.
    for (int i = 0; i < 20; ++i)
        hist.log().writeNextPending();
    now = now.addSecs(1);
    hist.AddHist(QStringLiteral("DSN99"), QStringLiteral("newest"));
    EXPECT_EQ(list->topLevelItemCount(), 20);
    EXPECT_FALSE(column(list, 1).contains(QStringLiteral("DSN19")));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("newest"));
    hist.log().writeNextPending();
    EXPECT_EQ(recordsInFile("SQLHIST.TXT"), 21);
    hist.SaveHist();
    EXPECT_EQ(recordsInFile("SQLHIST.TXT"), 20);

    // The stamp shows whole; the sort image stands right of the caption, as in the grid.
    hist.showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&hist));
    EXPECT_LE(static_cast<QAbstractItemView*>(list)->sizeHintForColumn(0), list->columnWidth(0));
    hist.columnClick(1);
    hist.columnClick(1);
    ASSERT_EQ(sortImage(0), QString());
    const QImage unsorted = list->header()->grab().toImage();
    hist.columnClick(0);
    const QImage sorted = list->header()->grab().toImage();
    int image = -1;
    for (int x = 0; x < list->columnWidth(0) && image < 0; ++x)
        for (int y = 0; y < sorted.height() && image < 0; ++y)
            if (sorted.pixel(x, y) != unsorted.pixel(x, y))
                image = x;
    ASSERT_GE(image, 0) << "no sort image";
    EXPECT_GT(image,
              QFontMetrics(list->header()->font()).horizontalAdvance(QStringLiteral("日時")));

    // The statement box: Ctrl+A selects everything, a double-click drops the trailing blank.
    auto* text1 = child<QPlainTextEdit>(hist, "Text1");
    text1->setPlainText(QStringLiteral("SELECT  a FROM t"));
    QTest::keyClick(text1, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(text1->textCursor().selectedText(), text1->toPlainText());
    QTextCursor c = text1->textCursor();
    c.setPosition(2);
    QTest::mouseDClick(text1->viewport(), Qt::LeftButton, Qt::NoModifier,
                       text1->cursorRect(c).center());
    QTest::qWait(20);
    EXPECT_EQ(text1->textCursor().selectedText(), QStringLiteral("SELECT"));

    // Drops follow the input area: files are refused, a link dragged from a browser is text,
    // and the drop only ever copies.
    const auto drop = [text1](const QList<QUrl>& urls, const QString& text) {
        QMimeData data;
        data.setUrls(urls);
        if (!text.isNull())
            data.setText(text);
        const QPoint at = text1->cursorRect(QTextCursor(text1->document())).center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(text1->viewport(), &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                           Qt::NoModifier);
        dropped.setDropAction(Qt::MoveAction);
        QApplication::sendEvent(text1->viewport(), &dropped);
        return dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction;
    };
    text1->setPlainText(QStringLiteral("FROM t"));
    EXPECT_EQ(drop({QUrl::fromLocalFile(dir_.filePath("SQLHIST.TXT"))}, QString()),
              Qt::IgnoreAction);
    EXPECT_EQ(drop({QUrl::fromLocalFile(dir_.filePath("SQLHIST.TXT"))}, QStringLiteral("x")),
              Qt::IgnoreAction);
    EXPECT_EQ(text1->toPlainText(), QStringLiteral("FROM t"));
    EXPECT_EQ(drop({QUrl(QStringLiteral("https://example.com/q"))},
                   QStringLiteral("-- https://example.com/q\n")),
              Qt::CopyAction);
    EXPECT_EQ(text1->toPlainText(), QStringLiteral("-- https://example.com/q\nFROM t"));

    // Closing through the title bar or with Escape, wherever the focus is, only hides the
    // window.
    hist.showWindow();
    hist.close();
    EXPECT_FALSE(hist.isVisible());
    EXPECT_EQ(list->topLevelItemCount(), 20);
    for (QWidget* focus : {static_cast<QWidget*>(text1), static_cast<QWidget*>(list)}) {
        hist.showWindow();
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_FALSE(hist.isVisible()) << focus->objectName().toStdString();
    }

    // A run asked for while work runs is refused with the busy box; nothing changes.
    hist.showWindow();
    text1->setPlainText(QStringLiteral("SELECT 1"));
    prompts_.clear();
    {
        const ConnectionWork::Scope busy(work_, ConnectionWork::Kind::Execute);
        click(hist, "Command2");
    }
    EXPECT_TRUE(hist.isVisible());
    EXPECT_TRUE(posted.isEmpty());
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_EQ(prompts_.boxes()[0].text, ConnectionWork::busyText());
    click(hist, "Command2");
    EXPECT_FALSE(hist.isVisible());
    EXPECT_EQ(posted, QStringList{QStringLiteral("SELECT 1")});
}

TEST_F(HistoryWindows, TemplatesAreAddedModifiedAndDeletedAsChosen)
{
    QString copied;
    ShowTemp temp(
        *ini_, prompts_, [&copied](const QString& s) { copied = s; }, nullptr);
    temp.ReadTmpl();
    auto* combo = child<QComboBox>(temp, "CB_hdr");
    auto* text = child<QPlainTextEdit>(temp, "Text1");
    EXPECT_EQ(combo->count(), 0);
    EXPECT_TRUE(text->isReadOnly());

    // Adding and pressing OK at once stores the two prompt texts.
    click(temp, "Cmd_add");
    EXPECT_TRUE(temp.editing());
    EXPECT_FALSE(child<QPushButton>(temp, "Command1")->isEnabled());
    EXPECT_EQ(combo->currentText(), QStringLiteral("タイトルを入力してください"));
    click(temp, "Cmd_OK");
    ASSERT_EQ(temp.store().GetTempNum(), 1);
    EXPECT_EQ(temp.store().templates()[0],
              (ClassSQL{"タイトルを入力してください", "ＳＱＬを入力してください\n"}));

    // A title typed or pasted with a TAB and a line break keeps them as spaces.
    for (const char* title : {"b", "A", "c\td\ne"}) {
        click(temp, "Cmd_add");
        combo->setEditText(QString::fromUtf8(title));
        text->setPlainText(QStringLiteral("  SELECT ") + title + QStringLiteral("  "));
        click(temp, "Cmd_OK");
    }
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    EXPECT_EQ(entries.mid(0, 3),
              (QStringList{"【A】SELECT A", "【b】SELECT b", "【c d e】SELECT c d↓e"}));
    EXPECT_EQ(temp.store().templates()[2].SQLstmt, QStringLiteral("SELECT c\td\ne"));

    // Modify "b" and pick a neighbour in the list meanwhile: the choice is ignored, and OK
    // saves the text typed for "b" under its new title, leaving "A" as it was.
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    click(temp, "Cmd_mod");
    combo->setEditText(QStringLiteral("z"));
    emit combo->lineEdit()->textEdited(QStringLiteral("z"));
    text->setPlainText(QStringLiteral("SELECT z"));
    emit combo->activated(0);
    EXPECT_EQ(combo->currentText(), QStringLiteral("z"));
    EXPECT_EQ(text->toPlainText(), QStringLiteral("SELECT z"));
    click(temp, "Cmd_OK");
    EXPECT_EQ(temp.store().GetTempNum(), 4);
    EXPECT_EQ(temp.store().templates()[0], (ClassSQL{"A", "SELECT A"}));
    // "z" sorts before the katakana title: it moved to its place and is still chosen.
    EXPECT_EQ(temp.store().templates()[2], (ClassSQL{"z", "SELECT z"}));
    EXPECT_EQ(combo->currentIndex(), 2);

    // Delete asks; No keeps it, Yes removes the chosen one.
    prompts_.queueAnswer(Prompts::Answer::No);
    click(temp, "Cmd_del");
    EXPECT_EQ(prompts_.boxes().last().title, QStringLiteral("テンプレートの削除"));
    EXPECT_EQ(prompts_.boxes().last().text,
              QStringLiteral("表示のテンプレートを削除してよろしいですか？"));
    EXPECT_EQ(temp.store().GetTempNum(), 4);
    prompts_.queueAnswer(Prompts::Answer::Yes);
    click(temp, "Cmd_del");
    EXPECT_EQ(temp.store().GetTempNum(), 3);
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(text->toPlainText(), QString());

    // Cancel with nothing chosen empties the fields; copy hands the text over and hides.
    click(temp, "Cmd_add");
    click(temp, "Cmd_Cancel");
    EXPECT_FALSE(temp.editing());
    EXPECT_EQ(combo->currentText(), QString());
    emit combo->activated(0);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("SELECT A"));
    temp.showWindow();
    click(temp, "Command1");
    EXPECT_EQ(copied, QStringLiteral("SELECT A"));
    EXPECT_FALSE(temp.isVisible());

    // Escape hides the window, also while a template is written (kept for the next showing),
    // but an open list takes it first.
    click(temp, "Cmd_add");
    for (QWidget* focus : {static_cast<QWidget*>(combo), static_cast<QWidget*>(text)}) {
        temp.showWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&temp));
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_FALSE(temp.isVisible()) << focus->objectName().toStdString();
        EXPECT_TRUE(temp.editing());
    }
    click(temp, "Cmd_Cancel");
    temp.showWindow();
    combo->showPopup();
    ASSERT_TRUE(combo->view()->isVisible());
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    EXPECT_FALSE(combo->view()->isVisible());
    EXPECT_TRUE(temp.isVisible());
    EXPECT_TRUE(temp.Changed());
    temp.SaveTmpl();
    EXPECT_EQ(recordsInFile("SQLTMPL.TXT"), 3);
}
