#include "sqlexec/ResultGridModel.h"
#include "sqlexec/GridColumnWidths.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>

namespace {

QVector<QString> cells(std::initializer_list<const char*> texts)
{
    QVector<QString> v;
    for (const char* t : texts)
        v.append(QString::fromUtf8(t));
    return v;
}

Qt::Alignment alignmentOf(const QVariant& v)
{
    return v.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask;
}

TEST(ResultGridModelTest, LayoutFramesTheResultColumns)
{
    ResultGridModel model;
    EXPECT_EQ(model.columnCount(), 0);
    model.setColumns({"id", "name", "at"},
                     ColumnKinds{ColumnKind::Number, ColumnKind::Text, ColumnKind::DateTime});
    ASSERT_EQ(model.columnCount(), 5);
    const QStringList expected{"行No.", "id", "name", "at", "<"};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(model.headerData(c, Qt::Horizontal).toString(), expected.at(c));
    EXPECT_EQ(alignmentOf(model.headerData(1, Qt::Horizontal, Qt::TextAlignmentRole)),
              Qt::AlignRight);
    EXPECT_EQ(alignmentOf(model.headerData(2, Qt::Horizontal, Qt::TextAlignmentRole)),
              Qt::AlignLeft);

    model.appendRow(7, cells({"-1.5", "", "2006-04-01"}));
    model.flush();
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("     7"));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("-1.5"));
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), QString());
    EXPECT_EQ(model.data(model.index(0, 4)).toString(), QString());
    EXPECT_EQ(alignmentOf(model.data(model.index(0, 1), Qt::TextAlignmentRole)), Qt::AlignRight);
    EXPECT_EQ(alignmentOf(model.data(model.index(0, 3), Qt::TextAlignmentRole)), Qt::AlignLeft);
}

TEST(ResultGridModelTest, PendingRowsAreAnnouncedOnceOnFlush)
{
    ResultGridModel model;
    model.setColumns({"n"}, ColumnKinds{ColumnKind::Number});
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (int i = 1; i <= 1000; ++i)
        model.appendRow(i, cells({"1", "surplus cell"}));
    EXPECT_EQ(model.rowCount(), 0);
    model.flush();
    model.flush();
    EXPECT_EQ(model.rowCount(), 1000);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 999);
    // A row wider than the result is cut to the result's columns.
    EXPECT_EQ(model.rows().back().cells.size(), 1);
}

TEST(ResultGridModelTest, SortMovesRowsAndPersistentIndexesFollow)
{
    ResultGridModel model;
    model.setColumns({"v"}, ColumnKinds{ColumnKind::Text});
    for (const char* v : {"c", "a", "b"})
        model.appendRow(model.rows().size() + 1, cells({v}));
    model.flush();
    const QPersistentModelIndex first(model.index(0, 1)); // "c"
    model.sortByColumn(1, Qt::AscendingOrder);
    EXPECT_EQ(model.cellText(0, 1), QStringLiteral("a"));
    EXPECT_EQ(model.cellText(0, 0), QStringLiteral("     2"));
    EXPECT_EQ(first.row(), 2);
    EXPECT_EQ(first.data().toString(), QStringLiteral("c"));
}

TEST(ResultGridModelTest, TextSortIsBlindToCaseWidthAndKanaAndKeepsFetchOrderForTies)
{
    ResultGridModel model;
    model.setColumns({"v"}, ColumnKinds{ColumnKind::Text});
    for (const char* v : {"b", "ｶ", "A", "か", "a", "Ｂ", ""})
        model.appendRow(static_cast<std::int32_t>(model.rows().size()) + 1, cells({v}));
    const auto texts = [&] {
        QStringList t;
        for (int r = 0; r < model.rowCount(); ++r)
            t.append(model.cellText(r, 1));
        return t;
    };
    model.sortByColumn(1, Qt::AscendingOrder);
    EXPECT_EQ(texts(), (QStringList{"", "A", "a", "b", "Ｂ", "ｶ", "か"}));
    model.sortByColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(texts(), (QStringList{"ｶ", "か", "b", "Ｂ", "A", "a", ""}));
    model.restoreFetchOrder();
    EXPECT_FALSE(model.isSorted());
    EXPECT_EQ(texts(), (QStringList{"b", "ｶ", "A", "か", "a", "Ｂ", ""}));
    EXPECT_FALSE(model.headerData(1, Qt::Horizontal, ResultGridModel::SortImageRole).isValid());
}

TEST(ResultGridModelTest, FilledColumnKeepsOneWidthAsRowsArriveUntilNewColumns)
{
    ResultGridModel model;
    model.setColumns({"n", "s"}, ColumnKinds{ColumnKind::Number, ColumnKind::Text});
    model.appendRow(1, cells({"5", "12"}));
    model.appendRow(2, cells({"Tokyo", "3"}));
    model.appendRow(3, cells({"", "4"}));
    model.flush();
    model.fillNumbers(2); // a string column is never filled
    EXPECT_FALSE(model.numbersFilled(2));
    EXPECT_EQ(model.cellText(0, 2), QStringLiteral("12"));
    model.fillNumbers(1);
    EXPECT_EQ(model.cellText(0, 1), QStringLiteral(" 5"));
    EXPECT_EQ(model.cellText(1, 1), QStringLiteral("Tokyo"));
    EXPECT_EQ(model.filledLength(1), 2);
    // A suspended fill resumed: the new rows widen the whole column alike.
    model.appendRow(4, cells({"-123.25", "1"}));
    model.flush();
    EXPECT_EQ(model.cellText(0, 1), QStringLiteral("    5.00"));
    EXPECT_EQ(model.cellText(3, 1), QStringLiteral("-0123.25"));
    EXPECT_EQ(model.filledLength(1), 8);
    // The texts as fetched stay beside the filled ones.
    EXPECT_EQ(model.rows()[0].cells.at(0), QStringLiteral("5"));
    model.fillNumbers(1);
    EXPECT_EQ(model.cellText(0, 1), QStringLiteral("    5.00")) << "a second fill changes nothing";

    model.sortByColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, ResultGridModel::SortImageRole).toString(),
              QStringLiteral("SortDESC"));
    model.setColumns({"n"}, ColumnKinds{ColumnKind::Number});
    EXPECT_FALSE(model.isSorted());
    EXPECT_FALSE(model.numbersFilled(1));
    model.appendRow(1, cells({"5"}));
    EXPECT_EQ(model.cellText(0, 1), QStringLiteral("5"));
}

// The filter as typed per column, all filters together, the rows kept by their numbers.
TEST(ResultGridModelTest, FilterKeepsRowsWhoseCellsHoldTheTextsFoldedAsTheSearchesFold)
{
    ResultGridModel model;
    model.setColumns({"n", "s"}, ColumnKinds{ColumnKind::Number, ColumnKind::Text});
    const std::vector<QVector<QString>> rows = {cells({"5", "Tokyo"}),
                                                cells({"-12.5", "ｶﾞｽ"}),
                                                cells({"", "がす"}),
                                                cells({"120", "ＴＯＫＹＯ ｔｏｗｅｒ"}),
                                                {QStringLiteral("3"), QString()}};
    for (const QVector<QString>& row : rows)
        model.appendRow(static_cast<std::int32_t>(model.rows().size()) + 1, QVector<QString>(row));
    model.flush();
    const auto numbers = [&] {
        QStringList n;
        for (int r = 0; r < model.rowCount(); ++r)
            n.append(model.cellText(r, 0).trimmed());
        return n;
    };
    struct Case {
        const char* n;
        const char* s;
        QStringList kept;
    };
    const Case cases[] = {
        {"", "tokyo", {"1", "4"}},           // case and width blind
        {"", "ガス", {"2", "3"}},            // half-width katakana and hiragana alike
        {"", "ｶﾞ", {"2", "3"}},              // a half-width voiced pair is one character
        {"１２", "", {"2", "4"}},            // a number column by its text
        {"12", "to", {"4"}},                 // both filters
        {"", "x", {}},                       // nothing matches
        {"", "", {"1", "2", "3", "4", "5"}}, // empty boxes filter nothing
    };
    QSignalSpy changed(&model, &ResultGridModel::filterChanged);
    for (const Case& c : cases) {
        model.setFilter(1, QString::fromUtf8(c.n));
        model.setFilter(2, QString::fromUtf8(c.s));
        EXPECT_EQ(numbers(), c.kept) << c.n << " / " << c.s;
        EXPECT_EQ(model.filtered(), *c.n != 0 || *c.s != 0);
        EXPECT_EQ(model.totalRowCount(), 5);
    }
    EXPECT_GE(changed.count(), 6);
    model.setFilter(3, QStringLiteral("x")); // "<" has no filter
    EXPECT_FALSE(model.filtered());

    // Typing on narrows the rows shown; deleting a character widens them again.
    model.setFilter(2, QStringLiteral("t"));
    EXPECT_EQ(numbers(), (QStringList{"1", "4"}));
    model.setFilter(2, QStringLiteral("tow"));
    EXPECT_EQ(numbers(), (QStringList{"4"}));
    EXPECT_EQ(model.cellText(0, 2), QStringLiteral("ＴＯＫＹＯ ｔｏｗｅｒ"));
    EXPECT_EQ(model.cellText(1, 2), QString()) << "past the rows shown";
    model.setFilter(2, QStringLiteral("o"));
    EXPECT_EQ(numbers(), (QStringList{"1", "4"}));
    EXPECT_EQ(model.filterText(2), QStringLiteral("o"));

    // A sort orders every row; the filter still shows only its rows, now in that order.
    model.setFilter(2, QString());
    model.setFilter(1, QStringLiteral("1"));
    const QPersistentModelIndex second(model.index(0, 1)); // row 2
    model.sortByColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(numbers(), (QStringList{"4", "2"}));
    EXPECT_EQ(second.row(), 1);
    model.restoreFetchOrder();
    EXPECT_EQ(numbers(), (QStringList{"2", "4"}));
    // A filled-out column is filtered by the texts it shows.
    model.setFilter(1, QStringLiteral("5.0"));
    EXPECT_EQ(numbers(), QStringList{});
    model.fillNumbers(1);
    EXPECT_EQ(numbers(), QStringList{"1"});
    EXPECT_EQ(model.cellText(0, 1), QStringLiteral("   5.0"));

    // Rows arriving under a filter (a resumed fill) are shown when they match, and widen the
    // filled-out texts of the rows shown.
    model.setFilter(1, QStringLiteral("5"));
    model.appendRow(6, cells({"1005", "late"}));
    model.appendRow(7, cells({"7", "later"}));
    EXPECT_EQ(numbers(), (QStringList{"1", "2"})) << "pending rows wait for the flush";
    model.flush();
    EXPECT_EQ(numbers(), (QStringList{"1", "2", "6"}));
    EXPECT_EQ(model.totalRowCount(), 7);
    model.setFilter(1, QStringLiteral("  5"));
    EXPECT_EQ(numbers(), QStringList{"1"}) << "filled to four places before the point";

    model.clearFilters();
    EXPECT_EQ(model.rowCount(), 7);
    model.setFilter(2, QStringLiteral("late"));
    // New columns bring no filter.
    model.setColumns({"a"}, ColumnKinds{ColumnKind::Text});
    EXPECT_FALSE(model.filtered());
    EXPECT_EQ(model.filterText(1), QString());
    model.appendRow(1, cells({"b"}));
    model.flush();
    EXPECT_EQ(model.rowCount(), 1);
}

TEST(GridColumnWidthsTest, ColumnsFitTheirWidestTextAndTheLastFillsTheView)
{
    ResultGridModel model;
    QTableView view;
    view.resize(900, 300);
    view.setModel(&model);
    model.setColumns({"a", "wide_header_name_here"},
                     ColumnKinds{ColumnKind::Text, ColumnKind::Text});
    model.appendRow(1, cells({"short", "x"}));
    model.appendRow(2, cells({"a much much longer value than the rest", "y"}));
    model.flush();
    view.show();
    FitResultColumns(&view, model);
    QHeaderView* header = view.horizontalHeader();
    const QFontMetrics fm(view.font());
    EXPECT_GE(header->sectionSize(1),
              fm.horizontalAdvance(QStringLiteral("a much much longer value than the rest")));
    EXPECT_LT(header->sectionSize(1),
              fm.horizontalAdvance(QStringLiteral("a much much longer value than the rest")) + 30);
    EXPECT_GE(header->sectionSize(2), header->sectionSizeHint(2));
    EXPECT_GE(header->length(), view.viewport()->width());
}

} // namespace
