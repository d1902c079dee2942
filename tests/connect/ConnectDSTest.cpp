#include "ConnectTestSupport.h"

#include "base/Twips.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

using namespace conntest;

class ConnectDialog : public ConnectFixture {};

TEST_F(ConnectDialog, ListsSourcesAndDriversUnderTheirCaptions)
{
    auto dialog = makeDialog();
    EXPECT_EQ(dialog->windowTitle(), "データベース接続");
    const char* captions[][2] = {{"Option1_0", "データソース"},
                                 {"Option1_1", "ドライバ"},
                                 {"Option1_2", "接続履歴"},
                                 {"Chk_add_hist", "接続履歴に追加"},
                                 {"Cmd_OK", "OK"},
                                 {"Cmd_cancel", "Cancel"},
                                 {"L_uid", "ユーザーID"},
                                 {"L_psw", "パスワード"},
                                 {"L_conninfo", "接続情報："}};
    for (const auto& c : captions)
        EXPECT_EQ(child<QWidget>(dialog.get(), c[0])->property("text").toString(),
                  QString::fromUtf8(c[1]));
    auto* menu = child<QMenu>(dialog.get(), "mn_hist");
    EXPECT_EQ(child<QAction>(menu, "mn_delete")->text(), "削除");
    EXPECT_EQ(child<QAction>(menu, "mn_cancel")->text(), "ｷｬﾝｾﾙ");
    EXPECT_EQ(child<QWidget>(dialog.get(), "TB_uid")->geometry(),
              QRect(twips::toPixels(1410), twips::toPixels(630), twips::toPixels(2535),
                    twips::toPixels(330)));

    QStringList sources;
    QStringList drivers;
    const Answer a = runDialog(*dialog, [&] {
        for (auto [name, into] : {std::pair{"Combo1", &sources}, std::pair{"Combo2", &drivers}}) {
            auto* combo = child<QComboBox>(dialog.get(), name);
            for (int i = 0; i < combo->count(); ++i)
                *into << combo->itemText(i);
        }
        click(dialog.get(), "Cmd_cancel");
    });
    // unixODBC describes a data source by its driver.
    EXPECT_EQ(sources,
              (QStringList{"QV_CONN_A(SQLite3)", "QV_CONN_B(SQLite3)", "QV_CONN(C)(SQLite3)",
                           "QV_CONN_BROKEN(QV_NoSuchDriver)", "QV_CONN_PG(PostgreSQL ANSI)"}));
    EXPECT_TRUE(drivers.contains("SQLite3") && drivers.contains("PostgreSQL ANSI"));
    EXPECT_TRUE(prompts.boxes().isEmpty());
    EXPECT_EQ(a.dsn + a.uid + a.pwd + a.driver + a.connStr, "");
}

TEST_F(ConnectDialog, EachSourceKindAnswersWithItsOwnField)
{
    writeHistory({"DSN=QV_CONN_A;UID=u;PWD=secret;", "DRIVER=SQLite3;"}, true);
    auto dialog = makeDialog();

    Answer a = runDialog(*dialog, [&] { chooseSource(*dialog, kSqliteParen, "u1", "p1"); });
    EXPECT_EQ(a.dsn, "QV_CONN(C)"); // the whole name, though it holds "("
    EXPECT_EQ(a.uid + "/" + a.pwd, "u1/p1");
    EXPECT_EQ(a.driver + a.connStr, "");

    // The typed user ID persists but is not the driver's: the driver's keywords come from the
    // driver form, whose cancel leaves the dialog open.
    bool openAfterCancel = false;
    connstr::DriverFields fields;
    fields.database = " /tmp/a b.db ";
    fields.pwd = " p;w";
    a = runDialog(*dialog, [&] {
        EXPECT_EQ(child<QWidget>(dialog.get(), "TB_uid")->property("text"), "u1");
        chooseDriver(*dialog, "SQLite3", {}, false);
        openAfterCancel = dialog->isVisible();
        chooseDriver(*dialog, "SQLite3", fields);
    });
    EXPECT_TRUE(openAfterCancel);
    EXPECT_EQ(a.connStr, "DRIVER=SQLite3;DATABASE=/tmp/a b.db;PWD={ p;w};");
    EXPECT_EQ(a.dsn + a.uid + a.pwd + a.driver, "");

    // A double click answers the full entry, password in clear.
    a = runDialog(*dialog, [&] {
        EXPECT_TRUE(child<QAbstractButton>(dialog.get(), "Option1_1")->isChecked());
        click(dialog.get(), "Option1_2");
        auto* list = child<QListWidget>(dialog.get(), "Lst_conn_hist");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 0));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 0));
    });
    EXPECT_EQ(a.connStr, "DSN=QV_CONN_A;UID=u;PWD=secret;");
    EXPECT_EQ(a.dsn + a.uid + a.pwd + a.driver, "");

    // OK without a selection leaves the dialog open.
    for (const char* kind : {"Option1_0", "Option1_1", "Option1_2"}) {
        child<QComboBox>(dialog.get(), "Combo1")->setCurrentIndex(-1);
        child<QComboBox>(dialog.get(), "Combo2")->setCurrentIndex(-1);
        child<QListWidget>(dialog.get(), "Lst_conn_hist")->clearSelection();
        bool stillOpen = false;
        a = runDialog(*dialog, [&] {
            click(dialog.get(), kind);
            click(dialog.get(), "Cmd_OK");
            stillOpen = dialog->isVisible();
        });
        EXPECT_TRUE(stillOpen) << kind;
        EXPECT_EQ(a.dsn + a.driver + a.connStr, "") << kind;
    }
}

TEST_F(ConnectDialog, HistoryKindWidensAndShowsTheMaskedItems)
{
    const QString longEntry = "DSN=big;" + QString(5000, 'x') + ";PWD=hidden";
    writeHistory({"DSN=Sales;UID=u1;PWD=;APP=x", "DSN=Other;UID=u2;PWD=topsecret"}, true);
    auto dialog = makeDialog();
    dialog->SetDataSrcTag(longEntry);
    auto* list = child<QListWidget>(dialog.get(), "Lst_conn_hist");
    auto* info = child<QTreeWidget>(dialog.get(), "ListView1");
    EXPECT_EQ(listItems(list).mid(1), (QStringList{"DSN=Sales;UID=u1;PWD=********;APP=x",
                                                   "DSN=Other;UID=u2;PWD=********"}));
    const auto infoRows = [&] {
        QStringList rows;
        for (int r = 0; r < info->topLevelItemCount(); ++r)
            rows << info->topLevelItem(r)->text(0) + "|" + info->topLevelItem(r)->text(1);
        return rows;
    };

    runDialog(*dialog, [&] {
        EXPECT_EQ(dialog->width(), twips::toPixels(4455));
        EXPECT_FALSE(list->isEnabled() || info->isVisible());
        click(dialog.get(), "Option1_2");
        EXPECT_EQ(dialog->width(), twips::toPixels(3885 + 4455 + 30));
        EXPECT_TRUE(list->isEnabled() && info->isVisible());
        EXPECT_FALSE(child<QWidget>(dialog.get(), "Frame1_0")->isVisible());

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 2));
        EXPECT_EQ(infoRows(), (QStringList{"DSN|Other", "UID|u2", "PWD|********"}));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 0));
        EXPECT_EQ(infoRows(),
                  (QStringList{"DSN|big", "x" + QString(4999, 'x') + "|", "PWD|********"}));
        // Pressing below the last row clears the selection and the item list.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          QPoint(5, list->viewport()->height() - 2));
        EXPECT_TRUE(list->selectedItems().isEmpty());
        EXPECT_TRUE(infoRows().isEmpty());

        click(dialog.get(), "Option1_1");
        EXPECT_EQ(dialog->width(), twips::toPixels(4455));
        EXPECT_TRUE(child<QWidget>(dialog.get(), "Frame1_1")->isVisible());
    });
    EXPECT_FALSE(listItems(list).join("").contains("secret") ||
                 listItems(list).join("").contains("hidden"));
}

TEST_F(ConnectDialog, PopupDeleteRewritesTheStoredHistory)
{
    writeHistory({"DSN=e1;", "DSN=e2;", "DSN=e3;PWD=p3;", "DSN=e4;", "DSN=e5;"}, true);
    auto dialog = makeDialog();
    auto* list = child<QListWidget>(dialog.get(), "Lst_conn_hist");
    auto* menu = child<QMenu>(dialog.get(), "mn_hist");
    const auto rightClick = [&](QPoint at) {
        QTest::mousePress(list->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, at);
    };
    runDialog(*dialog, [&] {
        click(dialog.get(), "Option1_2");
        rightClick(QPoint(5, list->viewport()->height() - 2));
        EXPECT_FALSE(menu->isVisible());
        rightClick(rowCentre(list, 2));
        EXPECT_EQ(list->currentRow(), 2);
        ASSERT_TRUE(menu->isVisible());
        child<QAction>(menu, "mn_cancel")->trigger();
        menu->hide();
        EXPECT_EQ(list->count(), 5);

        rightClick(rowCentre(list, 2));
        ASSERT_TRUE(menu->isVisible());
        child<QAction>(menu, "mn_delete")->trigger();
        menu->hide();
    });
    const QStringList remaining{"DSN=e1;", "DSN=e2;", "DSN=e4;", "DSN=e5;"};
    EXPECT_EQ(listItems(list), remaining);
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(iniValue(QString::number(i)), remaining.value(i - 1)) << i;
    EXPECT_EQ(iniValue("SAVE"), "ON");
}

TEST_F(ConnectDialog, HistoryIsAddedOnlyWhenCheckedAndStoredUpToTwenty)
{
    writeHistory({"DSN=old;"}, false);
    ini->WriteIniValue("CONNHIST", "7", "no equals sign");
    auto dialog = makeDialog();
    EXPECT_EQ(shownHistory(*dialog), (QStringList{"DSN=old;", "no equals sign"}));
    auto* check = child<QCheckBox>(dialog.get(), "Chk_add_hist");
    EXPECT_FALSE(check->isChecked());
    dialog->SetDataSrcTag("DSN=new;");
    EXPECT_EQ(shownHistory(*dialog).size(), 2);

    check->click();
    for (int i = 1; i <= 25; ++i)
        dialog->SetDataSrcTag(QString("DSN=d%1;PWD=pw%1;   ").arg(i));
    dialog->SetDataSrcTag("DSN=d3;PWD=pw3;");
    dialog->SetDataSrcTag("   ");
    ASSERT_EQ(shownHistory(*dialog).size(), 27);
    EXPECT_EQ(shownHistory(*dialog).mid(0, 2),
              (QStringList{"DSN=d3;PWD=********;", "DSN=d25;PWD=********;"}));
    EXPECT_EQ(iniValue("SAVE"), "OFF"); // stored only with the history
    dialog->SaveHist();
    EXPECT_EQ(iniValue("SAVE"), "ON");
    // The entries keep their passwords in clear while the program runs.
    const QStringList clear{"DSN=d3;PWD=pw3;", "DSN=d25;PWD=pw25;"};
    for (int row = 0; row < 2; ++row)
        EXPECT_EQ(runDialog(*dialog, [&] { chooseEntry(*dialog, row); }).connStr, clear[row]);

    // The passwords stay in the keyring.
    auto reopened = makeDialog();
    ASSERT_EQ(shownHistory(*reopened).size(), 20);
    EXPECT_EQ(shownHistory(*reopened).last(), "DSN=d7;");
}

TEST_F(ConnectDialog, ListingFailureKeepsTheStoredHistory)
{
    writeHistory({"DSN=keep;PWD=x;"}, true);
    lib.OdbcFreeEnv(); // no environment: the driver manager refuses to list
    auto dialog = makeDialog();
    runDialog(*dialog, [] {});
    ASSERT_EQ(prompts.boxes().size(), 1);
    EXPECT_EQ(prompts.boxes().first().text, "データソースの取得に失敗しました。");
    EXPECT_EQ(prompts.boxes().first().title, "データベース接続");
    EXPECT_EQ(prompts.boxes().first().icon, Prompts::Icon::Warning);
    EXPECT_EQ(child<QComboBox>(dialog.get(), "Combo1")->count() +
                  child<QComboBox>(dialog.get(), "Combo2")->count(),
              0);
    runDialog(*dialog, [] {}); // listed once per run
    EXPECT_EQ(prompts.boxes().size(), 1);
    dialog->SaveHist();
    EXPECT_EQ(iniValue("1"), "DSN=keep;"); // its password moved to the keyring
}
