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
    model.sortRows([](const auto& a, const auto& b) { return a.cells.at(0) < b.cells.at(0); });
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
