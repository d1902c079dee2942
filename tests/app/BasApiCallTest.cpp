#include "base/basApiCall.h"
#include "base/InputGate.h"

#include "ScriptedPrompts.h"
#include "UrlRecorder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

// A shown table of three columns: short, long and medium texts under short headers.
struct Grid {
    QStandardItemModel model{3, 3};
    QTableView view;

    Grid()
    {
        const char* texts[3] = {"a", "a much longer cell text than the others", "medium text"};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                model.setItem(r, c, new QStandardItem(QString::fromLatin1(texts[c])));
        model.setHorizontalHeaderLabels({"H1", "H2", "H3"});
        view.setModel(&model);
        view.horizontalHeader()->setMinimumSectionSize(5);
        view.resize(900, 300);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        for (int c = 0; c < 3; ++c)
            view.horizontalHeader()->resizeSection(c, 10);
    }
    int width(int column) const { return view.horizontalHeader()->sectionSize(column); }
};

} // namespace

TEST(AutoSizeListColumns, AllColumnsSkipThoseTaggedFix)
{
    Grid g;
    g.model.setHeaderData(1, Qt::Horizontal, QStringLiteral("FIX"), kColumnTagRole);
    AutoSizeListColumns(&g.view, false, -1);
    EXPECT_GT(g.width(0), 10);
    EXPECT_EQ(g.width(1), 10);
    EXPECT_GT(g.width(2), g.width(0));

    // A single column is sized whatever its tag.
    AutoSizeListColumns(&g.view, false, 2);
    EXPECT_GT(g.width(1), g.width(2));
}

TEST(AutoSizeListColumns, HeaderTextCountsOnlyWithUseHeader)
{
    Grid g;
    g.model.setHeaderData(0, Qt::Horizontal, QStringLiteral("A rather long header caption"));
    AutoSizeListColumns(&g.view, false, 1);
    const int contentsOnly = g.width(0);
    AutoSizeListColumns(&g.view, true, 1);
    EXPECT_GT(g.width(0), contentsOnly);
    EXPECT_GE(g.width(0), g.view.horizontalHeader()->sectionSizeHint(0));
}

TEST(AutoSizeListColumns, LastColumnWithHeaderFillsTheView)
{
    Grid g;
    AutoSizeListColumns(&g.view, true, 3);
    const QHeaderView* h = g.view.horizontalHeader();
    EXPECT_EQ(h->length(), g.view.viewport()->width());
}

TEST(AutoSizeListColumns, OutOfRangeColumnsAndMissingModelsAreIgnored)
{
    Grid g;
    AutoSizeListColumns(&g.view, true, 4);
    AutoSizeListColumns(&g.view, true, 0);
    EXPECT_EQ(g.width(0) + g.width(1) + g.width(2), 30);
    QTableView empty;
    AutoSizeListColumns(&empty, true, -1);
    AutoSizeListColumns(nullptr, true, -1);
}

TEST(ListSubItemHitTest, FindsTheCellOrNothingBelowTheLastRow)
{
    Grid g;
    for (int c = 0; c < 3; ++c)
        g.view.horizontalHeader()->resizeSection(c, 100);
    const QHeaderView* header = g.view.horizontalHeader();
    const int rowMiddle = g.view.rowViewportPosition(1) + g.view.rowHeight(1) / 2;
    const int colMiddle = header->sectionViewportPosition(2) + 50;

    int item = 99;
    int subItem = 99;
    ListSubItemHitTest(&g.view, colMiddle * 15.0, rowMiddle * 15.0, item, subItem);
    EXPECT_EQ(item, 1);
    EXPECT_EQ(subItem, 2);

    const int below = g.view.rowViewportPosition(2) + g.view.rowHeight(2) + 20;
    ListSubItemHitTest(&g.view, 50 * 15.0, below * 15.0, item, subItem);
    EXPECT_EQ(item, -1);
    EXPECT_EQ(subItem, -1);
}

TEST(OpenDocument, HandsExistingFilesAndAddressesToTheOpener)
{
    UrlRecorder opener{"file", "https"};
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/HELP/index.htm");
    QDir().mkpath(dir.path() + QStringLiteral("/HELP"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    ScriptedPrompts prompts;
    EXPECT_TRUE(OpenDocument(nullptr, prompts, path));
    EXPECT_TRUE(OpenDocument(nullptr, prompts, QStringLiteral("https://example.invalid/help")));
    EXPECT_FALSE(OpenDocument(nullptr, prompts, dir.path() + QStringLiteral("/HELP/missing.htm")));
    EXPECT_FALSE(OpenDocument(nullptr, prompts, QString()));
    // A failure is the caller's to report.
    EXPECT_TRUE(prompts.boxes().isEmpty());
    ASSERT_EQ(opener.opened.size(), 2);
    EXPECT_EQ(opener.opened[0], QUrl::fromLocalFile(path));
    EXPECT_EQ(opener.opened[1], QUrl(QStringLiteral("https://example.invalid/help")));
}

TEST(SplitCommandLine, SplitsLikeAShell)
{
    struct Case {
        const char* line;
        QStringList words;
    };
    const Case cases[] = {
        {"", {}},
        {"  mousepad   %p ", {"mousepad", "%p"}},
        {"'/opt/My Editor/bin/ed' -n", {"/opt/My Editor/bin/ed", "-n"}},
        {"ed \"a \\\"b\\\" c\"", {"ed", "a \"b\" c"}},
        {"ed \"keep\\n\"", {"ed", "keep\\n"}},
        {"ed a\\ b", {"ed", "a b"}},
        {"ed '' x", {"ed", "", "x"}},
        {"ed it's", {"ed", "its"}},
        {"ed pre'mid dle'post", {"ed", "premid dlepost"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(splitCommandLine(QString::fromUtf8(c.line)), c.words) << c.line;
}

// The wait runs the windows' events with the program's input gated, and the process tells how
// it ended.
TEST(RunAndWait, WaitsForTheProgramWithInputGated)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    QProcess process;
    process.setProgram(QStringLiteral("sh"));
    // The file appears only after a pause, so finding it proves the call waited.
    process.setArguments(
        {QStringLiteral("-c"), QStringLiteral("sleep 0.3; printf done > \"$0\"; exit 3"), out});
    // The window's text is out in the other program: not even a toolbar button or a close
    // of the window acts meanwhile.
    QWidget window;
    auto* bar = new QToolBar(&window);
    auto* button = new QToolButton(bar);
    bar->addWidget(button);
    window.show();
    int clicks = 0;
    QObject::connect(button, &QToolButton::clicked, [&clicks] { ++clicks; });
    bool gatedDuring = false;
    bool closedDuring = true;
    QTimer::singleShot(100, [&] {
        gatedDuring = InputGate::isClosed();
        QTest::mouseClick(button, Qt::LeftButton);
        closedDuring = window.close();
    });
    EXPECT_TRUE(RunAndWait(process));
    EXPECT_TRUE(gatedDuring);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(closedDuring);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(InputGate::isClosed());
    EXPECT_EQ(process.exitCode(), 3);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("done"));
}

TEST(RunAndWait, ReportsAProgramThatCannotStart)
{
    QProcess process;
    process.setProgram(QStringLiteral("/nonexistent/editor"));
    EXPECT_FALSE(RunAndWait(process));
    EXPECT_EQ(process.error(), QProcess::FailedToStart);
    EXPECT_FALSE(InputGate::isClosed());
}

TEST(GetSystemFolder, IsWhereTheSystemProgramsAre)
{
    EXPECT_EQ(GetSystemFolder(), "/usr/bin/");
}
