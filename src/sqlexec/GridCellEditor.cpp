#include "sqlexec/GridCellEditor.h"

#include "sqlexec/ResultGridModel.h"

#include <QApplication>
#include <QDate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// ODBC concise SQL types (sql.h, sqlext.h, sqlucode.h); the feature folders include no ODBC
// header.
namespace odbc {
constexpr std::int16_t Char = 1, Varchar = 12, LongVarchar = -1;
constexpr std::int16_t WChar = -8, WVarchar = -9, WLongVarchar = -10;
constexpr std::int16_t TinyInt = -6, SmallInt = 5, Integer = 4, BigInt = -5;
constexpr std::int16_t Decimal = 3, Numeric = 2, Real = 7, Float = 6, Double = 8, Bit = -7;
constexpr std::int16_t TypeDate = 91, Date = 9, TypeTime = 92, Time = 10;
constexpr std::int16_t TypeTimestamp = 93, Timestamp = 11;
constexpr std::int16_t Binary = -2, VarBinary = -3, LongVarBinary = -4;
} // namespace odbc

// Longest text a single-line editor is opened for.
constexpr std::int32_t kShortTextLimit = 255;

// The multi-line editor's size in lines and characters.
constexpr int kEditorLines = 8;
constexpr int kEditorColumns = 50;
// Characters a one-line editor shows at least, however narrow its column.
constexpr int kLineEditorColumns = 14;

// Editor properties: the result column it edits, and whether the value's line breaks were
// CR LF (the text editor turns them into LF, which must not change a value nobody edited).
constexpr char kColumnProperty[] = "qvResultColumn";
constexpr char kCrLfProperty[] = "qvCrLf";

int integerBits(std::int16_t sqlType)
{
    switch (sqlType) {
    case odbc::TinyInt:
        return 8;
    case odbc::SmallInt:
        return 16;
    case odbc::Integer:
        return 32;
    default:
        return 64;
    }
}

// An IME in full-width mode types "１２．５" or "－３"; numbers, dates and times read them as
// the plain characters, with blanks around taken off.
QString plainForm(const QString& typed)
{
    QString text = typed;
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(static_cast<char16_t>(u - 0xFEE0));
        else if (u == 0x3000)
            c = QLatin1Char(' ');
        else if (u == 0x2212) // minus sign
            c = QLatin1Char('-');
    }
    return text.trimmed();
}

QRegularExpression anchored(const char* re)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(QString::fromLatin1(re)));
}

// A "+" adds nothing and not every driver's conversion takes it.
QString withoutPlus(const QString& number)
{
    return number.startsWith(QLatin1Char('+')) ? number.mid(1) : number;
}

std::optional<QString> refusal(QString* problem, const QString& reason)
{
    if (problem != nullptr)
        *problem = reason;
    return std::nullopt;
}

std::optional<QString> checkedInteger(const CellType& type, const QString& text, QString* problem)
{
    static const QRegularExpression re = anchored("([+-]?)([0-9]+)");
    const QString range = QStringLiteral("%1～%2の整数を入力してください")
                              .arg(QString::number(type.lowest), QString::number(type.highest));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return refusal(problem, range);
    const bool negative = m.capturedView(1) == u"-";
    bool ok = false;
    const std::uint64_t magnitude = m.captured(2).toULongLong(&ok); // false beyond 64 bits
    const std::uint64_t lowestMagnitude =
        type.lowest < 0 ? static_cast<std::uint64_t>(-(type.lowest + 1)) + 1 : 0;
    if (!ok || magnitude > (negative ? lowestMagnitude : type.highest))
        return refusal(problem, range);
    return withoutPlus(text);
}

std::optional<QString> checkedDecimal(const CellType& type, const QString& text, QString* problem)
{
    static const QRegularExpression re = anchored("([+-]?)([0-9]*)(?:\\.([0-9]*))?");
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch() || (m.capturedLength(2) == 0 && m.capturedLength(3) == 0))
        return refusal(problem, QStringLiteral("数値を入力してください"));
    if (type.size > 0) {
        // Leading zeros of the integer part and trailing zeros of the fraction hold no digit
        // of the value.
        QStringView whole = m.capturedView(2);
        while (!whole.isEmpty() && whole.front() == u'0')
            whole = whole.sliced(1);
        QStringView fraction = m.capturedView(3);
        while (!fraction.isEmpty() && fraction.back() == u'0')
            fraction.chop(1);
        const int scale = std::clamp<int>(type.decimals, 0, type.size);
        const int wholeDigits = type.size - scale;
        if (whole.size() > wholeDigits)
            return refusal(problem,
                           QStringLiteral("整数部が長すぎます（最大%1桁）").arg(wholeDigits));
        if (fraction.size() > scale)
            return refusal(
                problem, scale == 0 ? QStringLiteral("小数部は入力できません")
                                    : QStringLiteral("小数部が長すぎます（最大%1桁）").arg(scale));
    }
    return withoutPlus(text);
}

std::optional<QString> checkedReal(const QString& text, QString* problem)
{
    static const QRegularExpression re =
        anchored("[+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?");
    if (!re.match(text).hasMatch())
        return refusal(problem, QStringLiteral("数値を入力してください"));
    bool ok = false;
    const double value = text.toDouble(&ok);
    // A value too small for a double is taken as zero by the database too; one too large is
    // not a number it can hold.
    if (!std::isfinite(value) || (!ok && value != 0.0))
        return refusal(problem, QStringLiteral("数値が大きすぎます"));
    return withoutPlus(text);
}

std::optional<QString> checkedBoolean(const QString& text, QString* problem)
{
    if (text == u"1" || text.compare(u"true", Qt::CaseInsensitive) == 0)
        return QStringLiteral("1");
    if (text == u"0" || text.compare(u"false", Qt::CaseInsensitive) == 0)
        return QStringLiteral("0");
    return refusal(problem, QStringLiteral("0か1（true/false）を入力してください"));
}

// "YYYY-MM-DD" of a real calendar date written with "-" or "/", month and day of one or two
// digits; nullopt for anything else.
std::optional<QString> dateText(const QString& text)
{
    static const QRegularExpression re = anchored("([0-9]{4})([-/])([0-9]{1,2})\\2([0-9]{1,2})");
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int year = m.captured(1).toInt();
    const int month = m.captured(3).toInt();
    const int day = m.captured(4).toInt();
    if (year < 1 || !QDate(year, month, day).isValid())
        return std::nullopt;
    return QStringLiteral("%1-%2-%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'));
}

// "HH:MM[:SS[.fraction]]" of a time of day, the hour made two digits; nullopt otherwise.
std::optional<QString> timeText(const QString& text)
{
    static const QRegularExpression re =
        anchored("([0-9]{1,2}):([0-9]{2})(:[0-9]{2}(?:\\.[0-9]{1,9})?)?");
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int hour = m.captured(1).toInt();
    const int minute = m.captured(2).toInt();
    const int second = m.capturedLength(3) > 0 ? m.captured(3).mid(1, 2).toInt() : 0;
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return QStringLiteral("%1:%2%3")
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(m.captured(2), m.captured(3));
}

std::optional<QString> checkedDateTime(const QString& text, QString* problem)
{
    static const QRegularExpression re = anchored("([^ Tt]+)(?:(?: +|[Tt])(.+))?");
    const QString wanted = QStringLiteral("日時（YYYY-MM-DD HH:MM:SS）を入力してください");
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return refusal(problem, wanted);
    const std::optional<QString> date = dateText(m.captured(1));
    if (!date)
        return refusal(problem, wanted);
    if (m.capturedLength(2) == 0)
        return date;
    const std::optional<QString> time = timeText(m.captured(2));
    if (!time)
        return refusal(problem, wanted);
    return *date + QLatin1Char(' ') + *time;
}

qsizetype characterCount(const QString& text)
{
    qsizetype count = 0;
    for (QChar c : text)
        count += c.isLowSurrogate() ? 0 : 1;
    return count;
}

} // namespace

CellType cellTypeOf(std::int16_t sqlType, std::int32_t size, std::int16_t decimals,
                    bool unsignedColumn)
{
    using Kind = CellType::Kind;
    CellType type;
    switch (sqlType) {
    case odbc::Char:
    case odbc::Varchar:
    case odbc::WChar:
    case odbc::WVarchar:
        type.kind = size > 0 && size <= kShortTextLimit ? Kind::Text : Kind::LongText;
        type.size = std::max<std::int32_t>(size, 0);
        break;
    case odbc::LongVarchar:
    case odbc::WLongVarchar:
        // The size of a long column is the driver's largest, not a limit of the column.
        type.kind = Kind::LongText;
        break;
    case odbc::TinyInt:
    case odbc::SmallInt:
    case odbc::Integer:
    case odbc::BigInt: {
        type.kind = Kind::Integer;
        const int bits = integerBits(sqlType);
        if (unsignedColumn) {
            type.highest = bits == 64 ? std::numeric_limits<std::uint64_t>::max()
                                      : (std::uint64_t{1} << bits) - 1;
        } else {
            type.lowest = bits == 64 ? std::numeric_limits<std::int64_t>::min()
                                     : -(std::int64_t{1} << (bits - 1));
            type.highest = (std::uint64_t{1} << (bits - 1)) - 1;
        }
        break;
    }
    case odbc::Decimal:
    case odbc::Numeric:
        type.kind = Kind::Decimal;
        type.size = std::max<std::int32_t>(size, 0);
        type.decimals = std::max<std::int16_t>(decimals, 0);
        break;
    case odbc::Real:
    case odbc::Float:
    case odbc::Double:
        type.kind = Kind::Real;
        break;
    case odbc::Bit:
        type.kind = Kind::Boolean;
        break;
    case odbc::TypeDate:
    case odbc::Date:
        type.kind = Kind::Date;
        break;
    case odbc::TypeTime:
    case odbc::Time:
        type.kind = Kind::Time;
        break;
    case odbc::TypeTimestamp:
    case odbc::Timestamp:
        type.kind = Kind::DateTime;
        break;
    case odbc::Binary:
    case odbc::VarBinary:
    case odbc::LongVarBinary:
        type.kind = Kind::Binary;
        break;
    default:
        // GUIDs, intervals and types of a database's own: their size is no count of
        // characters, so nothing is checked.
        break;
    }
    return type;
}

std::optional<QString> checkedCellText(const CellType& type, const QString& typed, QString* problem)
{
    using Kind = CellType::Kind;
    if (typed.isNull())
        return QString();
    if (type.kind == Kind::Text || type.kind == Kind::LongText) {
        if (type.size > 0 && characterCount(typed) > type.size)
            return refusal(problem, QStringLiteral("最大%1文字です").arg(type.size));
        return typed;
    }
    if (type.kind == Kind::Binary)
        return refusal(problem, QStringLiteral("バイナリ列は編集できません"));
    const QString text = plainForm(typed);
    if (text.isEmpty())
        return QString(); // no value but NULL is empty in these columns
    switch (type.kind) {
    case Kind::Integer:
        return checkedInteger(type, text, problem);
    case Kind::Decimal:
        return checkedDecimal(type, text, problem);
    case Kind::Real:
        return checkedReal(text, problem);
    case Kind::Boolean:
        return checkedBoolean(text, problem);
    case Kind::Date:
        if (std::optional<QString> date = dateText(text))
            return date;
        return refusal(problem, QStringLiteral("日付（YYYY-MM-DD）を入力してください"));
    case Kind::Time:
        if (std::optional<QString> time = timeText(text))
            return time;
        return refusal(problem, QStringLiteral("時刻（HH:MM:SS）を入力してください"));
    case Kind::DateTime:
        return checkedDateTime(text, problem);
    default:
        return typed;
    }
}

GridCellDelegate::GridCellDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void GridCellDelegate::setColumnTypes(std::vector<CellType> types)
{
    types_ = std::move(types);
}

std::optional<CellType> GridCellDelegate::columnType(int gridColumn) const
{
    if (gridColumn < 1 || static_cast<std::size_t>(gridColumn) > types_.size())
        return std::nullopt;
    return types_[static_cast<std::size_t>(gridColumn - 1)];
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    if (!index.data(ResultGridModel::NullRole).toBool()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.features |= QStyleOptionViewItem::HasDisplay;
    opt.text = QStringLiteral("NULL");
    opt.font.setItalic(true);
    opt.fontMetrics = QFontMetrics(opt.font);
    opt.palette.setColor(QPalette::Text, QColor(Qt::gray));
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
}

QWidget* GridCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex& index) const
{
    const std::optional<CellType> type = columnType(index.column());
    if (!type)
        return nullptr;
    const QString value = index.data(Qt::EditRole).toString();
    if (type->kind == CellType::Kind::Binary) {
        // The grid shows a binary value as hexadecimal digits, two per byte.
        const qsizetype digits =
            value.size() - (value.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? 2 : 0);
        refuse(QStringLiteral("バイナリ列は編集できません（%1バイト）").arg(digits / 2));
        return nullptr;
    }
    QWidget* editor = nullptr;
    if (type->kind == CellType::Kind::LongText || value.contains(QLatin1Char('\n')) ||
        value.contains(QLatin1Char('\r'))) {
        editor = new QPlainTextEdit(parent);
    } else {
        auto* line = new QLineEdit(parent);
        line->setFrame(false);
        editor = line;
    }
    editor->setProperty(kColumnProperty, index.column() - 1);
    return editor;
}

void GridCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QString value = index.data(Qt::EditRole).toString();
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setText(value);
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(editor)) {
        editor->setProperty(kCrLfProperty, value.contains(QLatin1String("\r\n")));
        text->setPlainText(value);
        text->moveCursor(QTextCursor::End);
    } else {
        QStyledItemDelegate::setEditorData(editor, index);
    }
}

void GridCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const
{
    if (!editor->property(kColumnProperty).isValid()) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    QString problem;
    const std::optional<QString> text = checkedText(editor, &problem);
    if (!text) {
        // Enter and Tab never get here with such a value; focus leaving the editor does, and
        // the edit is then dropped.
        refuse(problem);
        return;
    }
    // A cell kept as it was is no edit. An empty editor opened on NULL leaves the NULL: the
    // empty string of a text column is not what it showed.
    const QString before = index.data(Qt::EditRole).toString();
    if (before.isNull() ? text->isEmpty() : (!text->isNull() && *text == before))
        return;
    model->setData(index, QVariant(*text), Qt::EditRole);
}

void GridCellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const
{
    QStyledItemDelegate::updateEditorGeometry(editor, option, index);
    // A narrow column still gets room to type in; a long value several lines. From the cell's
    // corner, within the visible area.
    const QFontMetrics metrics(editor->font());
    QSize wanted(metrics.averageCharWidth() * kLineEditorColumns, editor->height());
    if (auto* text = qobject_cast<QPlainTextEdit*>(editor)) {
        const int margins =
            2 * (text->frameWidth() + static_cast<int>(text->document()->documentMargin()));
        wanted = QSize(metrics.averageCharWidth() * kEditorColumns + margins,
                       metrics.lineSpacing() * kEditorLines + margins);
    }
    QRect area(editor->geometry().topLeft(), editor->size().expandedTo(wanted));
    if (const QWidget* viewport = editor->parentWidget()) {
        const QRect room = viewport->rect();
        area.setSize(area.size().boundedTo(room.size()));
        if (area.right() > room.right())
            area.moveRight(room.right());
        if (area.bottom() > room.bottom())
            area.moveBottom(room.bottom());
        area.moveLeft(std::max(area.left(), room.left()));
        area.moveTop(std::max(area.top(), room.top()));
    }
    editor->setGeometry(area);
}

bool GridCellDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor == nullptr || !editor->property(kColumnProperty).isValid())
        return QStyledItemDelegate::eventFilter(object, event);
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        auto* text = qobject_cast<QPlainTextEdit*>(editor);
        if (enter && text != nullptr &&
            (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
            text->insertPlainText(QStringLiteral("\n"));
            return true;
        }
        if (enter || tab) {
            // Checked before the commit, so that a refused value stays in its editor to be
            // corrected instead of being lost.
            QString problem;
            if (!checkedText(editor, &problem)) {
                emit refused(problem);
                return true;
            }
            emit commitData(editor);
            const bool back =
                key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            emit closeEditor(editor, enter  ? QAbstractItemDelegate::SubmitModelCache
                                     : back ? QAbstractItemDelegate::EditPreviousItem
                                            : QAbstractItemDelegate::EditNextItem);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

std::optional<QString> GridCellDelegate::checkedText(const QWidget* editor, QString* problem) const
{
    QString typed;
    if (const auto* line = qobject_cast<const QLineEdit*>(editor)) {
        typed = line->text();
    } else if (const auto* text = qobject_cast<const QPlainTextEdit*>(editor)) {
        // The raw text keeps no-break spaces; its paragraphs are the value's lines.
        typed = text->document()->toRawText();
        typed.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        typed.replace(QChar::LineSeparator, QLatin1Char('\n'));
        if (editor->property(kCrLfProperty).toBool())
            typed.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    }
    if (typed.isNull())
        typed = QStringLiteral(""); // an editor's empty text is an empty value, not NULL
    const std::optional<CellType> type = columnType(editor->property(kColumnProperty).toInt() + 1);
    return checkedCellText(type.value_or(CellType{}), typed, problem);
}

void GridCellDelegate::refuse(const QString& reason) const
{
    emit const_cast<GridCellDelegate*>(this)->refused(reason);
}
