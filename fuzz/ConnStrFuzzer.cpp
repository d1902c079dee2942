// Connection strings under arbitrary text: every password item of a history entry is masked,
// the window-title summary never holds a password item, and strings built from arbitrary user
// names, passwords and data source names parse back into the same items.
#include "FuzzCheck.h"
#include "connect/ConnectionString.h"
#include "odbc/ConnStrValue.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace {

// The items of s as the program reads them: key up to "=", value to its end (braces first).
std::vector<std::pair<std::string, std::string>> itemsOf(const std::string& s)
{
    std::vector<std::pair<std::string, std::string>> items;
    std::size_t at = 0;
    while (at < s.size()) {
        std::size_t end = at;
        while (end < s.size() && s[end] != ';' && s[end] != '=')
            ++end;
        if (end < s.size() && s[end] == '=') {
            const std::size_t valueEnd = connvalue::valueEnd(s, end + 1);
            items.emplace_back(s.substr(at, end - at), s.substr(end + 1, valueEnd - end - 1));
            end = valueEnd;
        } else if (end > at) {
            // An item without "=" is a flag, not a key with a value.
            items.emplace_back(std::string(), s.substr(at, end - at));
        }
        at = end + 1;
    }
    return items;
}

void checkShownStrings(const QString& conn)
{
    const std::string masked = connstr::maskHistoryEntry(conn).toStdString();
    for (const auto& [key, value] : itemsOf(masked)) {
        if (key == "PWD")
            FUZZ_CHECK(value == "********", "every password item of a history entry is masked");
    }
    const std::string summary = connstr::ConnectionSummary(conn).toStdString();
    if (conn.contains(QLatin1Char(';'))) {
        for (const auto& [key, value] : itemsOf(summary))
            FUZZ_CHECK(key != "PWD", "the summary holds no password item");
    }
    const std::optional<std::string> pwd = connvalue::itemValue(conn.toStdString(), "PWD");
    // (A password that is itself "****" reads the same masked.)
    if (pwd && !pwd->empty() && *pwd != "****") {
        const std::string box =
            connstr::maskPassword(conn, QString::fromStdString(*pwd)).toStdString();
        for (const auto& [key, value] : itemsOf(box)) {
            if (key == "PWD")
                FUZZ_CHECK(connvalue::unquote(value) != *pwd, "the connection box masks pwd");
        }
    }
}

void checkBuiltString(const std::string& dsn, const std::string& uid, const std::string& pwd)
{
    // As OdbcConnect builds it from the connect dialog's answers.
    const std::string built = "DSN=" + connvalue::quote(dsn) + ";UID=" + connvalue::quote(uid) +
                              ";PWD=" + connvalue::quote(pwd) + ";";
    FUZZ_CHECK(connvalue::itemValue(built, "DSN") == dsn, "DSN parses back");
    FUZZ_CHECK(connvalue::itemValue(built, "UID") == uid, "UID parses back");
    FUZZ_CHECK(connvalue::itemValue(built, "PWD") == pwd, "PWD parses back");
    const auto items = itemsOf(built);
    FUZZ_CHECK(items.size() == 3, "exactly the three items");

    const QString text = QString::fromStdString(built);
    const auto rows = connstr::splitItems(text);
    FUZZ_CHECK(rows.size() == 3 && rows[0].first == QLatin1String("DSN") &&
                   rows[1].first == QLatin1String("UID") && rows[2].first == QLatin1String("PWD"),
               "the item list shows the three keys");
    FUZZ_CHECK(connstr::maskHistoryEntry(text).toStdString() ==
                   "DSN=" + connvalue::quote(dsn) + ";UID=" + connvalue::quote(uid) +
                       ";PWD=********;",
               "a history entry masks only the password");
    FUZZ_CHECK(connstr::ConnectionSummary(text).toStdString() ==
                   "DSN=" + connvalue::quote(dsn) + ";UID=" + connvalue::quote(uid) + ";",
               "the summary keeps the data source and user");
}

// Texts that QString keeps as they are (valid UTF-8 without NUL), as the dialog gives them.
std::string textFrom(FuzzedDataProvider& in, std::size_t max)
{
    std::string s = in.ConsumeRandomLengthString(max);
    s = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toStdString();
    s.erase(std::remove(s.begin(), s.end(), '\0'), s.end());
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string dsn = textFrom(in, 32);
    const std::string uid = textFrom(in, 32);
    const std::string pwd = textFrom(in, 32);
    checkBuiltString(dsn, uid, pwd);
    const std::string rest = in.ConsumeRemainingBytesAsString();
    checkShownStrings(QString::fromUtf8(rest.data(), static_cast<qsizetype>(rest.size())));
    return 0;
}
