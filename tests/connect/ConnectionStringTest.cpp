#include "connect/ConnectionString.h"
#include "connect/ConnHistory.h"
#include "connect/ConnStrItems.h"

#include <gtest/gtest.h>

using namespace connstr;

TEST(HistoryMasking, PasswordItemBecomesEightAsterisksInPlace)
{
    const struct {
        const char* entry;
        const char* shown;
    } cases[] = {
        {"DSN=Sales;UID=u1;PWD=;APP=x", "DSN=Sales;UID=u1;PWD=********;APP=x"},
        {"DSN=Sales;UID=u1;PWD=s3cret;APP=x", "DSN=Sales;UID=u1;PWD=********;APP=x"},
        {"DSN=Sales;UID=u1;PWD=s3cret", "DSN=Sales;UID=u1;PWD=********"},
        {"DSN=Sales;UID=u1;PWD=", "DSN=Sales;UID=u1;PWD=********"},
        {"DSN=Sales;UID=u1;", "DSN=Sales;UID=u1;"},
        // Every spelling of the key is a password, as the driver hands it back.
        {"DSN=Sales;pwd=lower;", "DSN=Sales;pwd=********;"},
        {"SERVER=h;PASSWORD=secret;UID=u", "SERVER=h;PASSWORD=********;UID=u"},
        {"SERVER=h;Password ={a;b};PORT=1", "SERVER=h;Password =********;PORT=1"},
        {"SERVER=h;PASSWORDS=keep;", "SERVER=h;PASSWORDS=keep;"},
        {"no equals sign at all", "no equals sign at all"},
        {"", ""},
        // A leading password item is masked too: it is still a password.
        {"PWD=abc;DSN=x;", "PWD=********;DSN=x;"},
        // Another key that merely ends in PWD is not a password item.
        {"DSN=x;OLDPWD=keep;", "DSN=x;OLDPWD=keep;"},
        // Every password item is masked, a longer one not cut by its prefix.
        {"DSN=x;PWD=a;PWD=ab;", "DSN=x;PWD=********;PWD=********;"},
        // The mask itself starts with "PWD=": an empty password item must not re-match it.
        {"DSN=x;PWD=;PWD=zz", "DSN=x;PWD=********;PWD=********"},
        {"DSN=x;PWD=********;", "DSN=x;PWD=********;"},
        // A braced password is one item up to its closing brace, whatever it holds.
        {"DSN=x;PWD={se;cret};APP=y", "DSN=x;PWD=********;APP=y"},
        {"DSN=x;PWD={a}};b};UID=u", "DSN=x;PWD=********;UID=u"},
        {"DSN=x;PWD={a;PWD=b}", "DSN=x;PWD=********"},
        // A "PWD=" inside another item's braces is that item's text, not a password item.
        {"DSN=x;APP={y;PWD=z};", "DSN=x;APP={y;PWD=z};"},
        // Only password items are masked: the same text inside another value stays.
        {"DSN=xPWD=a;PWD=a;", "DSN=xPWD=a;PWD=********;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(maskHistoryEntry(QString::fromUtf8(c.entry)), QString::fromUtf8(c.shown))
            << c.entry;
}

TEST(HistoryMasking, LongEntryKeepsNoPasswordCharacter)
{
    const QString secret(4000, QLatin1Char('s'));
    const QString entry = "DSN=big;UID=u;" + QString(1000, QLatin1Char('x')) + ";PWD=" + secret;
    const QString shown = maskHistoryEntry(entry);
    EXPECT_FALSE(shown.contains("ssss"));
    EXPECT_TRUE(shown.endsWith(";PWD=********"));
    EXPECT_EQ(shown.size(), entry.size() - secret.size() - 4 + 12);
}

TEST(ConnectionBoxMasking, EveryPasswordItemAndEveryPwdEqualsPasswordBecomeFourAsterisks)
{
    const struct {
        const char* conn;
        const char* pwd;
        const char* shown;
    } cases[] = {
        {"DSN=Sales;UID=u1;PWD=pw;APP=x", "pw", "DSN=Sales;UID=u1;PWD=****;APP=x"},
        {"DSN=a;PWD=pw;X=PWD=pw;", "pw", "DSN=a;PWD=****;X=PWD=****;"},
        {"DSN=a;pwd=pw;PWD=PW;", "pw", "DSN=a;pwd=****;PWD=****;"},
        {"DSN=a;PWD=;", "", "DSN=a;PWD=****;"},
        // A driver connection knows no password of its own: the items are masked all the same.
        {"DRIVER={MariaDB};PASSWORD=secret;X=PWD=s", "", "DRIVER={MariaDB};PASSWORD=****;X=PWD=s"},
        // A password of stars is not masked twice.
        {"DSN=a;PWD=*;X=PWD=*", "*", "DSN=a;PWD=****;X=PWD=****"},
        {"DSN=a;PWD=pw", "pw", "DSN=a;PWD=****"},
        {"DSN=a;PWD=p.w*", "p.w*", "DSN=a;PWD=****"},
        {"DSN=a;PWD={se;cret};UID=u", "se;cret", "DSN=a;PWD=****;UID=u"},
        {"DSN=a;PWD={x}}y};", "x}y", "DSN=a;PWD=****;"},
        {"DSN=a;PWD={pw};", "pw", "DSN=a;PWD=****;"},
        {"DSN=a;PWD={ p", " p", "DSN=a;PWD=****"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(maskPassword(c.conn, c.pwd), QString::fromUtf8(c.shown)) << c.conn;
}

TEST(ConnectionSummary, PicksItemsInFixedOrder)
{
    const struct {
        const char* conn;
        const char* summary;
    } cases[] = {
        {"DSN=Sales;UID=u1;PWD=****;APP=x", "DSN=Sales;UID=u1;"},
        {"DRIVER={SQLite3};DBQ=/tmp/a.db;UID=me;", "DBQ=/tmp/a.db;DRIVER={SQLite3};UID=me;"},
        {"UID=me;Driver=d;DATABASE=db;SERVER=s;DSN=x",
         "DSN=x;SERVER=s;DATABASE=db;Driver=d;UID=me;"},
        {"SERVER=a;SERVER=b;", "SERVER=a;"},
        {"DBQ=a;SERVER=b;", "DBQ=a;"},
        {"DSN=a;DSN=b;DATABASE=c;DATABASE=d;UID=e;UID=f;", "DSN=b;DATABASE=d;UID=f;"},
        {"Server=a;Database=b;", ""},
        {"DSN=Sales", "DSN=Sales"},
        {"no separator", "no separator"},
        {"", ""},
        {";;;", ""},
        {"PWD=secret;APP=x;", ""},
        // Braced values are whole items: the ";" inside ends nothing, and the summary never
        // picks up a password from inside one.
        {"DSN={my;dsn};UID={u;1};PWD={p;UID=x};", "DSN={my;dsn};UID={u;1};"},
        {"DSN=a;PWD={x;DATABASE=other};", "DSN=a;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConnectionSummary(c.conn), QString::fromUtf8(c.summary)) << c.conn;
}

TEST(Tooltip, CutsAfter128CharactersFrom129On)
{
    for (int n : {0, 1, 127, 128}) {
        const QString t(n, QLatin1Char('a'));
        EXPECT_EQ(tooltipText(t), t) << n;
    }
    for (int n : {129, 200, 5000}) {
        const QString t = QString(128, QLatin1Char('a')) + QString(n - 128, QLatin1Char('b'));
        EXPECT_EQ(tooltipText(t), QString(128, QLatin1Char('a')) + "...") << n;
    }
}

TEST(ConnectionItems, SplitAtFirstEqualsSkippingEmptyItems)
{
    using Rows = QList<QPair<QString, QString>>;
    EXPECT_EQ(splitItems("DSN=a;;UID=u;PWD=********;"),
              (Rows{{"DSN", "a"}, {"UID", "u"}, {"PWD", "********"}}));
    EXPECT_EQ(splitItems("DRIVER={x};Opt=a=b;flag"),
              (Rows{{"DRIVER", "{x}"}, {"Opt", "a=b"}, {"flag", ""}}));
    EXPECT_EQ(splitItems("=v;k="), (Rows{{"", "v"}, {"k", ""}}));
    EXPECT_TRUE(splitItems("").isEmpty());
    EXPECT_TRUE(splitItems(";;").isEmpty());
    EXPECT_EQ(splitItems(QString(5000, QLatin1Char('z'))).size(), 1);
    EXPECT_EQ(splitItems("DSN=a;PWD={se;cret};UID={x}};y}"),
              (Rows{{"DSN", "a"}, {"PWD", "{se;cret}"}, {"UID", "{x}};y}"}}));
}

TEST(ConnectionText, DataSourceEntry)
{
    EXPECT_EQ(dataSourceEntry("Sales", "SQL Server"), "Sales(SQL Server)");
}

TEST(ConnHistory, AddMovesToFrontWithoutDuplicates)
{
    ConnHistory h;
    h.load({"DSN=a;", "  ", "DSN=b;", "", "DSN=a;"});
    EXPECT_EQ(h.entries(), (QStringList{"DSN=a;", "DSN=b;", "DSN=a;"}));

    EXPECT_EQ(h.addToFront("DSN=a;  "), (QList<int>{2, 0}));
    EXPECT_EQ(h.entries(), (QStringList{"DSN=a;", "DSN=b;"}));

    EXPECT_EQ(h.addToFront("DSN=b;"), (QList<int>{1}));
    EXPECT_EQ(h.entries(), (QStringList{"DSN=b;", "DSN=a;"}));

    // Comparison is exact: another capitalisation is another entry.
    EXPECT_TRUE(h.addToFront("dsn=b;").isEmpty());
    EXPECT_EQ(h.entries(), (QStringList{"dsn=b;", "DSN=b;", "DSN=a;"}));

    EXPECT_TRUE(h.addToFront("   ").isEmpty());
    EXPECT_EQ(h.size(), 3);
}

TEST(ConnHistory, KeepsAllInMemoryButStoresTwenty)
{
    ConnHistory h;
    for (int i = 1; i <= 25; ++i)
        h.addToFront(QString("DSN=d%1;").arg(i));
    EXPECT_EQ(h.size(), 25);
    const QStringList stored = h.stored();
    ASSERT_EQ(stored.size(), 20);
    EXPECT_EQ(stored.first(), "DSN=d25;");
    EXPECT_EQ(stored.last(), "DSN=d6;");
}

TEST(ConnStrItems, PasswordItemsLeaveWithTheirSeparator)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"DSN=a;UID=u;PWD=p;APP=x", "DSN=a;UID=u;APP=x"},
        {"DSN=a;PWD=p", "DSN=a;"},
        {"DRIVER={x};pwd={se;cret};Password=y;UID=u;", "DRIVER={x};UID=u;"},
        {"DSN=a; PWD =p;", "DSN=a;"},
        // Not a password item: another key, or text inside another item's braced value.
        {"DSN=xPWD=1;OPWD=2;PWDX=3;", "DSN=xPWD=1;OPWD=2;PWDX=3;"},
        {"DSN={a;PWD=b};", "DSN={a;PWD=b};"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(withoutPasswords(c.in), c.out) << c.in;
        EXPECT_EQ(hasPassword(c.in), QString(c.in) != c.out) << c.in;
    }
}

TEST(ConnStrItems, DriverFormBuildsQuotedItemsAndKeepsFurtherOnes)
{
    DriverFields f;
    EXPECT_EQ(driverConnectionString("SQLite3", f), "DRIVER=SQLite3;");
    f.server = " db1 ";
    f.port = "5432";
    f.database = "sales;2024";
    f.uid = "{u}";
    f.pwd = " p}w";
    f.further = " ;SSLmode=disable;Opt=1 ";
    EXPECT_EQ(driverConnectionString("PostgreSQL ANSI", f),
              "DRIVER=PostgreSQL ANSI;SERVER=db1;PORT=5432;DATABASE={sales;2024};UID={{u}}};"
              "PWD={ p}}w};SSLmode=disable;Opt=1;");
}
