#include "sqlexec/GridCellEditor.h"
#include "sqlexec/ResultGridModel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

namespace {

// ODBC concise SQL types as drivers report them.
enum SqlType : std::int16_t {
    Varchar = 12,
    WChar = -8,
    LongVarchar = -1,
    TinyInt = -6,
    SmallInt = 5,
    Integer = 4,
    BigInt = -5,
    Numeric = 2,
    Double = 8,
    Bit = -7,
    TypeDate = 91,
    TypeTime = 92,
    TypeTimestamp = 93,
    VarBinary = -3,
    Guid = -11,
};

using Kind = CellType::Kind;

// Stands for an expected refusal in the table below; nullptr stands for NULL.
const char* const kRefused = "<refused>";

struct Check {
    std::int16_t sqlType;
    std::int32_t size;
    std::int16_t decimals;
    bool unsignedColumn;
    Kind kind;
    const char* typed; // nullptr: a null string (NULL)
    const char* kept;  // the text stored, nullptr for NULL, kRefused
};

const Check kChecks[] = {
    // Text: as typed, blanks and all; the size counts characters, not UTF-16 units.
    {Varchar, 10, 0, false, Kind::Text, "abcdefghij", "abcdefghij"},
    {Varchar, 10, 0, false, Kind::Text, "abcdefghijk", kRefused},
    {WChar, 10, 0, false, Kind::Text, "𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷", "𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷"},
    {Varchar, 10, 0, false, Kind::Text, "  １２ ", "  １２ "},
    {Varchar, 10, 0, false, Kind::Text, "", ""},
    {Varchar, 10, 0, false, Kind::Text, nullptr, nullptr},
    {Varchar, 255, 0, true, Kind::Text, "x", "x"},
    {Varchar, 256, 0, false, Kind::LongText, "x", "x"},
    {Varchar, 0, 0, false, Kind::LongText, "x", "x"},
    // A long column's size is the driver's largest, never a limit.
    {LongVarchar, 3, 0, false, Kind::LongText, "abcd\nefgh", "abcd\nefgh"},
    {Guid, 36, 0, false, Kind::Text, "6F9619FF-8B86-D011-B42D-00C04FC964FF",
     "6F9619FF-8B86-D011-B42D-00C04FC964FF"},
    // Integers: the range of the type, both ends; full-width digits and signs, blanks around.
    {TinyInt, 3, 0, false, Kind::Integer, "127", "127"},
    {TinyInt, 3, 0, false, Kind::Integer, "128", kRefused},
    {TinyInt, 3, 0, false, Kind::Integer, "-128", "-128"},
    {TinyInt, 3, 0, false, Kind::Integer, "-129", kRefused},
    {TinyInt, 3, 0, true, Kind::Integer, "255", "255"},
    {TinyInt, 3, 0, true, Kind::Integer, "256", kRefused},
    {TinyInt, 3, 0, true, Kind::Integer, "-1", kRefused},
    {SmallInt, 5, 0, false, Kind::Integer, "-32769", kRefused},
    {Integer, 10, 0, false, Kind::Integer, "-2147483648", "-2147483648"},
    {Integer, 10, 0, false, Kind::Integer, "2147483648", kRefused},
    {BigInt, 19, 0, false, Kind::Integer, "9223372036854775807", "9223372036854775807"},
    {BigInt, 19, 0, false, Kind::Integer, "9223372036854775808", kRefused},
    {BigInt, 19, 0, false, Kind::Integer, "-9223372036854775808", "-9223372036854775808"},
    {BigInt, 19, 0, false, Kind::Integer, "-9223372036854775809", kRefused},
    {BigInt, 20, 0, true, Kind::Integer, "18446744073709551615", "18446744073709551615"},
    {BigInt, 20, 0, true, Kind::Integer, "18446744073709551616", kRefused},
    {Integer, 10, 0, false, Kind::Integer, "１２３", "123"},
    {Integer, 10, 0, false, Kind::Integer, "－５", "-5"},
    {Integer, 10, 0, false, Kind::Integer, " +42　", "42"},
    {Integer, 10, 0, false, Kind::Integer, "1.5", kRefused},
    {Integer, 10, 0, false, Kind::Integer, "12x", kRefused},
    {Integer, 10, 0, false, Kind::Integer, "", nullptr},
    // Decimals: digits before and after the point against precision and scale.
    {Numeric, 10, 2, false, Kind::Decimal, "12345678.99", "12345678.99"},
    {Numeric, 10, 2, false, Kind::Decimal, "123456789", kRefused},
    {Numeric, 10, 2, false, Kind::Decimal, "1.234", kRefused},
    {Numeric, 10, 2, false, Kind::Decimal, "00012345678.990", "00012345678.990"},
    {Numeric, 10, 2, false, Kind::Decimal, "－１２．５", "-12.5"},
    {Numeric, 10, 2, false, Kind::Decimal, "-.5", "-.5"},
    {Numeric, 10, 2, false, Kind::Decimal, "1e3", kRefused},
    {Numeric, 5, 0, false, Kind::Decimal, "12345", "12345"},
    {Numeric, 5, 0, false, Kind::Decimal, "1.5", kRefused},
    {Numeric, 0, 0, false, Kind::Decimal, "123456789012345678901234567890.125",
     "123456789012345678901234567890.125"},
    // Floating point: any finite number, exponent allowed.
    {Double, 15, 0, false, Kind::Real, "1.5e-3", "1.5e-3"},
    {Double, 15, 0, false, Kind::Real, "+2E+10", "2E+10"},
    {Double, 15, 0, false, Kind::Real, "１．５", "1.5"},
    {Double, 15, 0, false, Kind::Real, "1e-400", "1e-400"},
    {Double, 15, 0, false, Kind::Real, "1e400", kRefused},
    {Double, 15, 0, false, Kind::Real, "inf", kRefused},
    {Double, 15, 0, false, Kind::Real, "", nullptr},
    // Booleans: 0 and 1, or the words.
    {Bit, 1, 0, false, Kind::Boolean, "TRUE", "1"},
    {Bit, 1, 0, false, Kind::Boolean, "false", "0"},
    {Bit, 1, 0, false, Kind::Boolean, "１", "1"},
    {Bit, 1, 0, false, Kind::Boolean, "2", kRefused},
    // Dates: a real calendar date; "/" and one-digit parts are stored in the ODBC form.
    {TypeDate, 10, 0, false, Kind::Date, "2024-02-29", "2024-02-29"},
    {TypeDate, 10, 0, false, Kind::Date, "2023-02-29", kRefused},
    {TypeDate, 10, 0, false, Kind::Date, "2024/1/5", "2024-01-05"},
    {TypeDate, 10, 0, false, Kind::Date, "２０２４／１２／３１", "2024-12-31"},
    {TypeDate, 10, 0, false, Kind::Date, "2024-01/05", kRefused},
    // Times of day.
    {TypeTime, 8, 0, false, Kind::Time, "9:30", "09:30"},
    {TypeTime, 8, 0, false, Kind::Time, "23:59:59.123456", "23:59:59.123456"},
    {TypeTime, 8, 0, false, Kind::Time, "24:00", kRefused},
    {TypeTime, 8, 0, false, Kind::Time, "12:30:60", kRefused},
    // Timestamps: a date alone, or with a time after a blank or "T"; stored with a blank.
    {TypeTimestamp, 19, 0, false, Kind::DateTime, "2024-01-05", "2024-01-05"},
    {TypeTimestamp, 19, 0, false, Kind::DateTime, "2024-01-05T10:20:30", "2024-01-05 10:20:30"},
    {TypeTimestamp, 19, 0, false, Kind::DateTime, "2024/1/5 7:05", "2024-01-05 07:05"},
    {TypeTimestamp, 19, 0, false, Kind::DateTime, "2024-02-30 10:00", kRefused},
    {TypeTimestamp, 19, 0, false, Kind::DateTime, "2024-01-05 25:00", kRefused},
    {TypeTimestamp, 19, 0, false, Kind::DateTime, "2024-01-05 10:00 x", kRefused},
    // Binary values are never typed; NULL is always fine.
    {VarBinary, 16, 0, false, Kind::Binary, "00ff", kRefused},
    {VarBinary, 16, 0, false, Kind::Binary, nullptr, nullptr},
};

TEST(GridCellEditorTest, TypedValuesAreCheckedAndStoredAsTheColumnTypeWants)
{
    for (const Check& check : kChecks) {
        const CellType type =
            cellTypeOf(check.sqlType, check.size, check.decimals, check.unsignedColumn);
        const QString typed = check.typed ? QString::fromUtf8(check.typed) : QString();
        const auto label = ::testing::Message()
                           << check.sqlType << "(" << check.size << "," << check.decimals << ") \""
                           << (check.typed ? check.typed : "<NULL>") << "\"";
        EXPECT_EQ(type.kind, check.kind) << label;
        QString problem;
        const std::optional<QString> kept = checkedCellText(type, typed, &problem);
        if (check.kept == kRefused) {
            EXPECT_FALSE(kept.has_value()) << label << " kept " << kept->toStdString();
            EXPECT_FALSE(problem.isEmpty()) << label;
            continue;
        }
        ASSERT_TRUE(kept.has_value()) << label << ": " << problem.toStdString();
        EXPECT_TRUE(problem.isEmpty()) << label;
        if (check.kept == nullptr) {
            EXPECT_TRUE(kept->isNull()) << label;
        } else {
            EXPECT_FALSE(kept->isNull()) << label;
            EXPECT_EQ(*kept, QString::fromUtf8(check.kept)) << label;
        }
    }
    // The reasons name the limit that was passed.
    QString problem;
    checkedCellText(cellTypeOf(Varchar, 10, 0), QStringLiteral("abcdefghijk"), &problem);
    EXPECT_EQ(problem, QStringLiteral("最大10文字です"));
    checkedCellText(cellTypeOf(Numeric, 10, 2), QStringLiteral("123456789"), &problem);
    EXPECT_EQ(problem, QStringLiteral("整数部が長すぎます（最大8桁）"));
    EXPECT_FALSE(checkedCellText(cellTypeOf(Integer, 10, 0), QStringLiteral("x"), nullptr));
}

// A result grid as the program lays it out: the row number, then the result's columns.
class GridCellEditing : public ::testing::Test {
protected:
    void SetUp() override
    {
        model_.setHorizontalHeaderLabels({"行No.", "n", "bin", "memo", "name"});
        const QStringList rows[] = {{"1", "7", "00ff10", "first", "a"}, {"2", "8", "", "", ""}};
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 5; ++c)
                model_.setItem(r, c, new QStandardItem(rows[r].at(c)));
        // NULL in "name" of the second row: no text, flagged.
        model_.item(1, 4)->setData(QVariant(), Qt::DisplayRole);
        model_.item(1, 4)->setData(true, ResultGridModel::NullRole);
        delegate_.setColumnTypes({cellTypeOf(Integer, 10, 0), cellTypeOf(VarBinary, 16, 0),
                                  cellTypeOf(LongVarchar, 65535, 0), cellTypeOf(Varchar, 20, 0)});
        view_.setModel(&model_);
        view_.setItemDelegate(&delegate_);
        view_.setShowGrid(false);
        view_.setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
        view_.resize(640, 400);
        view_.show();
        view_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view_));
    }

    // Opens the editor of a cell with F2 as a user does; null when none opened.
    QWidget* edit(int row, int column)
    {
        view_.setCurrentIndex(model_.index(row, column));
        QTest::keyClick(&view_, Qt::Key_F2);
        return view_.indexWidget(model_.index(row, column));
    }
    QString text(int row, int column) const
    {
        return model_.index(row, column).data(Qt::EditRole).toString();
    }

    QStandardItemModel model_;
    GridCellDelegate delegate_;
    QTableView view_;
};

TEST_F(GridCellEditing, KeysKeepCheckedValuesAndRefuseTheRest)
{
    QSignalSpy refused(&delegate_, &GridCellDelegate::refused);

    // A number typed over the value and Enter: kept, the editor closed.
    QWidget* editor = edit(0, 1);
    ASSERT_TRUE(qobject_cast<QLineEdit*>(editor));
    QTest::keyClicks(editor, "42");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(text(0, 1), QStringLiteral("42"));
    EXPECT_EQ(view_.indexWidget(model_.index(0, 1)), nullptr);

    // Not a number: Enter writes nothing, the editor stays open with the text as typed.
    editor = edit(0, 1);
    ASSERT_TRUE(editor);
    QTest::keyClicks(editor, "4x");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_EQ(refused.count(), 1);
    EXPECT_FALSE(refused.at(0).at(0).toString().isEmpty());
    EXPECT_EQ(view_.indexWidget(model_.index(0, 1)), editor);
    EXPECT_EQ(qobject_cast<QLineEdit*>(editor)->text(), QStringLiteral("4x"));
    EXPECT_EQ(text(0, 1), QStringLiteral("42"));
    QTest::keyClick(editor, Qt::Key_Tab); // nor does Tab move on with it
    ASSERT_EQ(refused.count(), 2);
    EXPECT_EQ(view_.indexWidget(model_.index(0, 1)), editor);
    // Esc drops it.
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(view_.indexWidget(model_.index(0, 1)), nullptr);
    EXPECT_EQ(text(0, 1), QStringLiteral("42"));

    // Esc drops a good value too.
    editor = edit(0, 1);
    QTest::keyClicks(editor, "99");
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(text(0, 1), QStringLiteral("42"));

    // An emptied number cell becomes NULL.
    editor = edit(1, 1);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(text(1, 1).isNull());

    // A refused value loses the focus to a click on another cell: dropped, with the reason.
    editor = edit(0, 1);
    QTest::keyClicks(editor, "abc");
    QTest::mouseClick(view_.viewport(), Qt::LeftButton, {},
                      view_.visualRect(model_.index(0, 4)).center());
    EXPECT_EQ(view_.indexWidget(model_.index(0, 1)), nullptr);
    EXPECT_EQ(text(0, 1), QStringLiteral("42"));
    EXPECT_EQ(refused.count(), 3); // once, though the click also moved the current cell

    // A binary cell opens no editor and says how many bytes it holds.
    EXPECT_EQ(edit(0, 2), nullptr);
    ASSERT_EQ(refused.count(), 4);
    EXPECT_TRUE(refused.at(3).at(0).toString().contains(QStringLiteral("3バイト")))
        << refused.at(3).at(0).toString().toStdString();
    // The row number is never edited.
    EXPECT_EQ(edit(0, 0), nullptr);
    EXPECT_EQ(refused.count(), 4);
}

TEST_F(GridCellEditing, LongTextGetsAMultiLineEditorWhereEnterKeeps)
{
    QWidget* editor = edit(0, 3);
    auto* lines = qobject_cast<QPlainTextEdit*>(editor);
    ASSERT_TRUE(lines);
    const QRect cell = view_.visualRect(model_.index(0, 3));
    EXPECT_GT(editor->height(), 3 * cell.height());
    EXPECT_GT(editor->width(), cell.width());
    EXPECT_TRUE(view_.viewport()->rect().contains(editor->geometry()));

    QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(editor, "second");
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(editor, "third");
    EXPECT_EQ(view_.indexWidget(model_.index(0, 3)), editor);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(text(0, 3), QStringLiteral("first\nsecond\nthird"));
    EXPECT_EQ(view_.indexWidget(model_.index(0, 3)), nullptr);

    // A short text column opens the multi-line editor for a value that has a line break.
    model_.item(0, 4)->setText(QStringLiteral("a\r\nb"));
    editor = edit(0, 4);
    ASSERT_TRUE(qobject_cast<QPlainTextEdit*>(editor));
    QTest::keyClicks(editor, "c");
    QTest::keyClick(editor, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(text(0, 4), QStringLiteral("a\r\nbc")); // its CR LF kept
}

TEST_F(GridCellEditing, NullCellShowsGreyNullAndOpensEmpty)
{
    const QRect cell = view_.visualRect(model_.index(1, 4)).adjusted(2, 2, -2, -2);
    const QImage image = view_.viewport()->grab().toImage();
    int darkest = 255;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    EXPECT_LT(darkest, 200); // something is drawn in a cell without text
    EXPECT_GT(darkest, 100); // and it is grey, not the text's black

    QWidget* editor = edit(1, 4);
    ASSERT_TRUE(qobject_cast<QLineEdit*>(editor));
    EXPECT_TRUE(qobject_cast<QLineEdit*>(editor)->text().isEmpty());
    // Kept empty, the cell stays NULL; the empty string is not what it showed.
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(model_.index(1, 4).data(Qt::EditRole).isValid());
}

} // namespace
