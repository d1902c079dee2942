#include "base/DateTimeText.h"

#include <QDate>
#include <QStringView>
#include <QTime>

#include <optional>

namespace {

// Reads the field rules below by hand: a regular expression match per value cost more than the
// rest of a row's fill in a result grid of dates.
class Cursor {
public:
    explicit Cursor(QStringView s) : s_(s) {}

    // Between min and max ASCII digits; their value, or -1 when fewer than min are there.
    int digits(int min, int max, int* count = nullptr)
    {
        int value = 0;
        int n = 0;
        while (n < max && i_ < s_.size() && isDigit(s_[i_])) {
            value = value * 10 + (s_[i_].unicode() - u'0');
            ++i_;
            ++n;
        }
        if (count != nullptr)
            *count = n;
        return n >= min ? value : -1;
    }

    bool take(char16_t c)
    {
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }

    bool peek(char16_t c) const { return i_ < s_.size() && s_[i_] == c; }
    qsizetype position() const { return i_; }
    QStringView rest() const { return s_.mid(i_); }

    // The end of the field; a single line break before it counts as the end too, as "$" of
    // the patterns these rules were first written with.
    bool atEnd() const { return i_ == s_.size() || (i_ + 1 == s_.size() && s_[i_] == u'\n'); }

    static bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

private:
    QStringView s_;
    qsizetype i_ = 0;
};

// yyyy-m-d or yyyy/m/d (one or two digits for month and day, the same separator twice).
std::optional<QDate> parseDate(QStringView s)
{
    Cursor in(s);
    const int year = in.digits(4, 4);
    if (year < 0)
        return std::nullopt;
    char16_t separator = 0;
    if (in.take(u'-'))
        separator = u'-';
    else if (in.take(u'/'))
        separator = u'/';
    else
        return std::nullopt;
    const int month = in.digits(1, 2);
    if (month < 0 || !in.take(separator))
        return std::nullopt;
    const int day = in.digits(1, 2);
    if (day < 0 || !in.atEnd())
        return std::nullopt;
    const QDate d(year, month, day);
    if (!d.isValid())
        return std::nullopt;
    return d;
}

// h:mm, h:mm:ss or h:mm:ss.f (one or two hour digits, one to nine fraction digits).
std::optional<QTime> parseTime(QStringView s)
{
    Cursor in(s);
    const int hour = in.digits(1, 2);
    if (hour < 0 || !in.take(u':'))
        return std::nullopt;
    const int minute = in.digits(2, 2);
    if (minute < 0)
        return std::nullopt;
    int second = 0;
    int ms = 0;
    bool finerThanMs = false;
    if (in.take(u':')) {
        second = in.digits(2, 2);
        if (second < 0)
            return std::nullopt;
        if (in.take(u'.')) {
            const qsizetype start = in.position();
            int count = 0;
            in.digits(1, 9, &count);
            if (count == 0)
                return std::nullopt;
            const QStringView fraction = s.mid(start, count);
            for (int k = 0; k < 3; ++k)
                ms = ms * 10 + (k < count ? fraction[k].unicode() - u'0' : 0);
            for (int k = 3; k < count; ++k)
                finerThanMs = finerThanMs || fraction[k] != u'0';
        }
    }
    if (!in.atEnd())
        return std::nullopt;
    const QTime t(hour, minute, second, ms);
    if (!t.isValid())
        return std::nullopt;
    // A fraction beyond milliseconds still counts: midnight only when every digit is zero.
    if (finerThanMs && t == QTime(0, 0))
        return QTime(0, 0, 0, 1);
    return t;
}

} // namespace

QString TrimDateTimeText(const QString& text)
{
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    if (space < 0 || text.indexOf(QLatin1Char(' '), space + 1) >= 0)
        return text;
    const QStringView view(text);
    const std::optional<QDate> date = parseDate(view.left(space));
    if (!date)
        return text;
    const std::optional<QTime> time = parseTime(view.mid(space + 1));
    if (!time)
        return text;
    if (*date != QDate(1899, 12, 30)) {
        if (*time != QTime(0, 0))
            return text;
        return text.left(space);
    }
    return text.mid(space + 1);
}

std::string_view TrimDateTimeText(std::string_view value)
{
    constexpr std::size_t kLongest = 40;
    const std::size_t space = value.find(' ');
    if (space == std::string_view::npos || value.size() > kLongest)
        return value;
    for (const char c : value) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return value;
    }
    const QString trimmed =
        TrimDateTimeText(QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size())));
    if (trimmed.size() == static_cast<qsizetype>(value.size()))
        return value;
    const std::string_view date = value.substr(0, space);
    if (trimmed == QLatin1String(date.data(), static_cast<qsizetype>(date.size())))
        return date;
    return value.substr(space + 1);
}
