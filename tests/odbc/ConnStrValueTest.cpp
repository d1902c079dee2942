#include "odbc/ConnStrValue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(ConnStrValue, QuotesOnlyWhatWouldBreakTheItemAndReadsItBack)
{
    const struct {
        const char* value;
        const char* written;
    } cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"se;cret", "{se;cret}"},
        {"x;DATABASE=other", "{x;DATABASE=other}"},
        {"{abc}", "{{abc}}}"},
        {"a}b;", "{a}}b;}"},
        {" lead", "{ lead}"},
        {"trail\t", "{trail\t}"},
        // A brace inside a bare value ends nothing.
        {"a}b{c", "a}b{c"},
        {"a=b", "a=b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(connvalue::quote(c.value), c.written) << c.value;
        EXPECT_EQ(connvalue::unquote(connvalue::quote(c.value)), c.value) << c.value;
        // Inside a whole string the item still ends where it should.
        const std::string conn = std::string("PWD=") + connvalue::quote(c.value) + ";UID=u;";
        EXPECT_EQ(connvalue::itemValue(conn, "PWD"), std::optional<std::string>(c.value)) << conn;
        EXPECT_EQ(connvalue::itemValue(conn, "UID"), std::optional<std::string>("u")) << conn;
    }
}

TEST(ConnStrValue, ItemValueTakesOnlyWholeKeys)
{
    const struct {
        const char* conn;
        const char* key;
        std::optional<std::string> value;
    } cases[] = {
        {"DSN=a;UID=u;PWD=p", "UID", "u"},
        {"DSN=a;XUID=x;UID=u;", "UID", "u"},
        {"DSN=a;APP={UID=evil;};UID=u", "UID", "u"},
        {"DSN=a;UID=first;UID=second", "UID", "first"},
        {"DSN=a;uid=lower", "UID", std::nullopt},
        {"flag;UID=u", "UID", "u"},
        {"DSN=a;PWD=", "PWD", ""},
        {"DSN=a;PWD={unclosed;rest", "PWD", "unclosed;rest"},
        {"DSN=a;PWD={x}tail;UID=u", "PWD", "xtail"},
        {"", "UID", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(connvalue::itemValue(c.conn, c.key), c.value) << c.conn;
}

} // namespace
