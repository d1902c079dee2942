#include "ConnectTestSupport.h"
#include "TestEnv.h"

#include "app/CommandStates.h"
#include "connect/ConnectionState.h"
#include "connect/ConnectionString.h"
#include "odbc/comm/ODBCComm.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QRegularExpression>
#include <QTreeWidget>

using namespace conntest;

namespace {

// The main window's side of the connection: a real window, connection box, tree and actions.
struct Window {
    QMainWindow window;
    ConnectionUi ui;
    // Commands the connection's state enables and disables, and the tree.
    QAction* mn_sql_go = nullptr;
    QAction* mn_sql_commit = nullptr;
    QAction* mn_sql_rollback = nullptr;
    QAction* mn_out_select = nullptr;
    QAction* mn_inp_csv = nullptr;
    QAction* tb_go = nullptr;
    QAction* tb_ok = nullptr;
    QAction* tb_ng = nullptr;
    QAction* tb_inst = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    int treeLoads = 0;
    int fetchCloses = 0;

    Window()
    {
        ui.window = &window;
        ui.TB_DSN = new QLineEdit(&window);
        TreeView1 = new QTreeWidget(&window);
        for (QAction** a : tableOrder())
            *a = new QAction(&window);
        ui.mn_disp_con2title = new QAction(&window);
        ui.mn_disp_con2title->setCheckable(true);
    }

    std::vector<QAction**> tableOrder()
    {
        return {&ui.mn_connect, &ui.mn_disconnect, &ui.mn_reconnect, &mn_sql_go,
                &mn_sql_commit, &mn_sql_rollback,  &mn_out_select,   &mn_inp_csv,
                &ui.tb_connect, &ui.tb_discon,     &tb_go,           &tb_ok,
                &tb_ng,         &tb_inst};
    }

    // What the main window does on every state change: the rule over the connection's state.
    void apply(const CommandStates& states)
    {
        const std::vector<std::pair<const char*, QAction*>> byName = {
            {"mn_connect", ui.mn_connect},
            {"mn_disconnect", ui.mn_disconnect},
            {"mn_reconnect", ui.mn_reconnect},
            {"mn_sql_go", mn_sql_go},
            {"mn_sql_commit", mn_sql_commit},
            {"mn_sql_rollback", mn_sql_rollback},
            {"mn_out_select", mn_out_select},
            {"mn_inp_csv", mn_inp_csv},
            {"tb_connect", ui.tb_connect},
            {"tb_discon", ui.tb_discon},
            {"tb_go", tb_go},
            {"tb_ok", tb_ok},
            {"tb_ng", tb_ng},
            {"tb_inst", tb_inst}};
        for (const auto& [name, on] : states.enabled) {
            for (const auto& [key, action] : byName) {
                if (name == QLatin1String(key))
                    action->setEnabled(on);
            }
        }
        TreeView1->setEnabled(states.treeEnabled);
        ui.tb_connect->setChecked(states.connectPressed);
        ui.tb_discon->setChecked(states.disconPressed);
    }

    // "E" per enabled element in table order, then "P" for pressed connect / discon keys.
    QString states()
    {
        QString s;
        for (QAction** a : tableOrder())
            s += (*a)->isEnabled() ? 'E' : '-';
        s += QString(" ") + (ui.tb_connect->isChecked() ? 'P' : '-') +
             (ui.tb_discon->isChecked() ? 'P' : '-');
        return s;
    }

    QString text() const { return ui.TB_DSN->text(); }
    QString title() const { return window.windowTitle(); }
    QColor colour() const { return ui.TB_DSN->palette().color(QPalette::Base); }
};

const QString kConnected = "-E-EEEEE-EEEEE P-";
const QString kDisconnected = "E-E-----E----- -P";
const QString kStart = "E-------E----- -P";
const QColor kPaleYellow(255, 255, 128);

} // namespace

class ConnectionStateTest : public ConnectFixture {
protected:
    void SetUp() override
    {
        ConnectFixture::SetUp();
        writeHistory({}, true);
        dialog = makeDialog();
        state = std::make_unique<ConnectionState>(*db, prompts, *dialog, w.ui);
        QObject::connect(state.get(), &ConnectionState::connected, [this] { ++w.treeLoads; });
        QObject::connect(state.get(), &ConnectionState::aboutToDisconnect,
                         [this] { ++w.fetchCloses; });
        const auto update = [this] {
            w.apply(deriveCommandStates(
                {db->DbIsConnected(), db->work().busy(), state->canReconnect()}));
        };
        QObject::connect(state.get(), &ConnectionState::stateChanged, update);
        update();
    }

    void connectVia(const std::function<void()>& script)
    {
        whileOpen(*dialog, script, [&] { state->ConnectDatabase(); });
    }
    // The title option's menu item was clicked.
    void toggleTitleOption()
    {
        w.ui.mn_disp_con2title->toggle();
        state->titleOptionChanged();
    }

    Window w;
    std::unique_ptr<ConnectDS> dialog;
    std::unique_ptr<ConnectionState> state;
};

TEST_F(ConnectionStateTest, ConnectShowsTheMaskedConnectionAndUpdatesTheHistory)
{
    EXPECT_EQ(w.states(), kStart);
    w.ui.mn_disp_con2title->setChecked(true);
    connectVia([&] { chooseSource(*dialog, kSqliteA, "u1", "pw1"); });
    ASSERT_TRUE(prompts.boxes().isEmpty()) << prompts.boxes().first().text.toStdString();
    EXPECT_EQ(w.states(), kConnected);
    EXPECT_EQ(w.treeLoads, 1);

    // The SQLite driver returns the password as the last item.
    const QString completed = keptConnection();
    ASSERT_TRUE(completed.startsWith("DSN=QV_CONN_A;") && completed.endsWith(";PWD=pw1"))
        << completed.toStdString();
    const QString bare = completed.chopped(3);
    EXPECT_EQ(w.text(), bare + "****");
    EXPECT_EQ(w.ui.TB_DSN->toolTip(), connstr::tooltipText(w.text()));
    EXPECT_EQ(w.colour(), kPaleYellow);
    EXPECT_EQ(w.title(), "QUORVANT - DSN=QV_CONN_A;");
    EXPECT_EQ(shownHistory(*dialog), QStringList{bare + "********"});
    // The entry keeps the password in clear for the next connect.
    EXPECT_EQ(runDialog(*dialog, [&] { chooseEntry(*dialog, 0); }).connStr, completed);

    toggleTitleOption();
    EXPECT_EQ(w.title(), "QUORVANT");
    toggleTitleOption();
    EXPECT_EQ(w.title(), "QUORVANT - DSN=QV_CONN_A;");

    // Connecting again with the same completed string keeps one entry, on top.
    state->DisconnectDatabase();
    connectVia([&] { chooseSource(*dialog, kSqliteB); });
    state->DisconnectDatabase();
    connectVia([&] {
        click(dialog.get(), "Option1_2");
        child<QListWidget>(dialog.get(), "Lst_conn_hist")->setCurrentRow(1);
        click(dialog.get(), "Cmd_OK");
    });
    ASSERT_TRUE(db->DbIsConnected());
    // The entry's own string connected, not a source name.
    EXPECT_EQ(keptConnection(), completed);
    EXPECT_EQ(w.text(), bare + "****");
    const QStringList shown = shownHistory(*dialog);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown.first(), bare + "********");
}

// Drivers hand the password back in the completed string, each in its own spelling: psqlODBC
// as "PWD=" with %-escapes ("%2d" for "-"), MariaDB's with the key as the user typed it. No
// spelling may show in the connection box, the title, the history list or the statement
// history's data-source text.
TEST_F(ConnectionStateTest, ServerPasswordNeverShowsHoweverTheDriverSpellsIt)
{
    const QString myServer =
        QString("DRIVER={MariaDB Unicode};SERVER=127.0.0.1;PORT=%1;DATABASE=qvtest;UID=%2;")
            .arg(testenv::myPort())
            .arg(testenv::kMyUser);
    const QString myPwd = QString::fromLatin1(testenv::kMyPassword);
    const struct {
        const char* name;
        QString history; // connect through this history entry; empty: the PostgreSQL source
        const char* masked;
    } cases[] = {
        {"PostgreSQL", QString(), ";PWD=****;"},
        {"MariaDB PASSWORD", myServer + "PASSWORD=" + myPwd + ";", ";PASSWORD=****"},
        {"MariaDB pwd", myServer + "pwd=" + myPwd, ";pwd=****"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeHistory(c.history.isEmpty() ? QStringList() : QStringList{c.history}, true);
        dialog = makeDialog();
        state = std::make_unique<ConnectionState>(*db, prompts, *dialog, w.ui);
        w.ui.mn_disp_con2title->setChecked(true);
        connectVia([&] {
            if (c.history.isEmpty()) {
                chooseSource(*dialog, kPg, testenv::kPgUser, testenv::kPgPassword);
                return;
            }
            click(dialog.get(), "Option1_2");
            child<QListWidget>(dialog.get(), "Lst_conn_hist")->setCurrentRow(0);
            click(dialog.get(), "Cmd_OK");
        });
        ASSERT_TRUE(db->DbIsConnected()) << prompts.boxes().value(0).text.toStdString();
        ASSERT_TRUE(keptConnection().contains("secret")) << keptConnection().toStdString();
        EXPECT_TRUE(w.text().contains(c.masked)) << w.text().toStdString();
        for (const QString& shown : {w.text(), w.title(), db->work().sourceText(),
                                     dialog->findChild<QListWidget*>()->item(0)->text()})
            EXPECT_FALSE(shown.contains("secret")) << shown.toStdString();
        state->DisconnectDatabase();
    }
}

TEST_F(ConnectionStateTest, DisconnectThenReconnectWithTheTitleOptionOff)
{
    connectVia([&] { chooseSource(*dialog, kSqliteA, "u", "pw"); });
    ASSERT_TRUE(db->DbIsConnected());
    EXPECT_EQ(w.title(), "QUORVANT");
    const QString shown = w.text();
    // A command that arrives while work runs is refused with the busy box and changes nothing.
    const auto refusedWhileBusy = [&](const std::function<void()>& command) {
        prompts.clear();
        {
            const ConnectionWork::Scope busy(db->work(), ConnectionWork::Kind::Execute);
            command();
        }
        ASSERT_EQ(prompts.boxes().size(), 1);
        EXPECT_EQ(prompts.boxes()[0].text, ConnectionWork::busyText());
        prompts.clear();
    };
    refusedWhileBusy([&] { state->DisconnectDatabase(); });
    EXPECT_TRUE(db->DbIsConnected());

    state->DisconnectDatabase();
    EXPECT_FALSE(db->DbIsConnected() || db->DbIsConnected());
    EXPECT_EQ(w.states(), kDisconnected);
    EXPECT_EQ(w.fetchCloses, 1);
    EXPECT_TRUE(w.TreeView1->isEnabled());
    EXPECT_EQ(w.text(), shown);
    EXPECT_EQ(w.ui.TB_DSN->toolTip(), "");
    EXPECT_EQ(w.colour(), w.window.palette().color(QPalette::Button));
    toggleTitleOption(); // on, but disconnected
    EXPECT_EQ(w.title(), "QUORVANT");
    toggleTitleOption();
    refusedWhileBusy([&] { state->ReconnectDatabase(); });
    refusedWhileBusy([&] { state->ConnectDatabase(); });
    EXPECT_FALSE(db->DbIsConnected());

    state->ReconnectDatabase();
    ASSERT_TRUE(db->DbIsConnected()) << prompts.boxes().value(0).text.toStdString();
    EXPECT_EQ(w.states(), kConnected);
    EXPECT_EQ(w.text(), shown);
    ASSERT_GT(shown.size(), 128);
    EXPECT_EQ(w.ui.TB_DSN->toolTip(), shown.left(128) + "...");
    EXPECT_EQ(w.colour(), kPaleYellow);
    EXPECT_EQ(w.title(), "QUORVANT - DSN=QV_CONN_A;");
    EXPECT_EQ(w.treeLoads, 1);
    EXPECT_EQ(shownHistory(*dialog).size(), 1);
}

// The marks chosen with a source are stored at OK and shown again for it and for its history
// entry; a production source says so in the title, and a read-only one stays read-only across a
// reconnect.
TEST_F(ConnectionStateTest, MarksFollowTheSourceThroughReconnectAndTheHistory)
{
    const SourceMarks both{true, true};
    connectVia([&] { chooseSource(*dialog, kSqliteA, "", "", &both); });
    ASSERT_TRUE(db->DbIsConnected()) << prompts.boxes().value(0).text.toStdString();
    for (const char* session : {"connect", "reconnect"}) {
        EXPECT_TRUE(state->marks() == both) << session;
        EXPECT_EQ(w.title(), session == std::string("connect")
                                 ? "【本番】【読取専用】QUORVANT"
                                 : "【本番】【読取専用】QUORVANT - DSN=QV_CONN_A;");
        EXPECT_NE(db->DbExecute("CREATE TABLE qv_ro (id INTEGER)"), 0) << session;
        EXPECT_TRUE(db->DbLastErrorText().contains("readonly"))
            << db->DbLastErrorText().toStdString();
        EXPECT_EQ(db->DbExecute("SELECT 1"), 0) << session;
        db->DbCloseCursor();
        state->DisconnectDatabase();
        EXPECT_EQ(w.title(), "QUORVANT");
        EXPECT_FALSE(state->marks().production);
        state->ReconnectDatabase();
        ASSERT_TRUE(db->DbIsConnected());
    }
    EXPECT_TRUE(prompts.boxes().isEmpty());
    state->DisconnectDatabase();

    // By driver the marks belong to the database the form names, so the history entry of the
    // connection has them too.
    const SourceMarks readOnly{false, true};
    connstr::DriverFields fields;
    fields.database = dir_.path() + "/by-driver.db";
    for (const char* kind : {"driver", "history"}) {
        connectVia([&] {
            if (kind == std::string("driver"))
                chooseDriver(*dialog, "SQLite3", fields, true, &readOnly);
            else
                chooseEntry(*dialog, 0);
        });
        ASSERT_TRUE(db->DbIsConnected()) << kind;
        EXPECT_EQ(w.title(), "【読取専用】QUORVANT") << kind;
        EXPECT_NE(db->DbExecute("CREATE TABLE qv_ro (id INTEGER)"), 0) << kind;
        state->DisconnectDatabase();
    }
    dialog->SaveHist();
    ASSERT_TRUE(db->DbInit()); // the disconnect released the environment that lists sources

    // Another opening of the dialog, as after a restart: the source and its history entry show
    // the marks, another source none.
    auto again = makeDialog();
    const auto boxes = [&] {
        return QString("%1%2")
            .arg(child<QAbstractButton>(again.get(), "Chk_production")->isChecked())
            .arg(child<QAbstractButton>(again.get(), "Chk_readonly")->isChecked());
    };
    runDialog(*again, [&] {
        click(again.get(), "Option1_0");
        auto* combo = child<QComboBox>(again.get(), "Combo1");
        combo->setCurrentIndex(combo->findText(QString(kSqliteA) + "(", Qt::MatchStartsWith));
        EXPECT_EQ(boxes(), "11");
        combo->setCurrentIndex(combo->findText(QString(kSqliteB) + "(", Qt::MatchStartsWith));
        EXPECT_EQ(boxes(), "00");
        click(again.get(), "Option1_2");
        child<QListWidget>(again.get(), "Lst_conn_hist")->setCurrentRow(1);
        EXPECT_EQ(boxes(), "11");
        child<QListWidget>(again.get(), "Lst_conn_hist")->setCurrentRow(0);
        EXPECT_EQ(boxes(), "01");
        // Not every database of the driver.
        click(again.get(), "Option1_1");
        auto* drivers = child<QComboBox>(again.get(), "Combo2");
        drivers->setCurrentIndex(drivers->findText("SQLite3"));
        EXPECT_EQ(boxes(), "00");
    });
    EXPECT_EQ(ini->ReadIniValue("DataSource DRIVER=SQLite3;DATABASE=" + fields.database + ";",
                                "ReadOnly"),
              "ON");
    EXPECT_EQ(ini->ReadIniValue("DataSource QV_CONN_A", "ReadOnly"), "ON");
    EXPECT_EQ(ini->ReadIniValue("DataSource QV_CONN_B", "ReadOnly"), "");
}

TEST_F(ConnectionStateTest, FailedConnectResetsOnlyTheConnectionBox)
{
    connectVia([&] { chooseSource(*dialog, kSqliteA); });
    state->DisconnectDatabase();
    const QStringList history = shownHistory(*dialog);

    w.ui.mn_disp_con2title->setChecked(true);
    connectVia([&] { chooseSource(*dialog, kPg, "qvtest", "wrong"); });
    EXPECT_FALSE(db->DbIsConnected());
    ASSERT_EQ(prompts.boxes().size(), 1);
    EXPECT_EQ(prompts.boxes().first().title, "CONNECT エラー");
    EXPECT_TRUE(prompts.boxes().first().text.contains(
        QRegularExpression("^-?\\d+:ＤＢ接続に失敗しました。\n.+")))
        << prompts.boxes().first().text.toStdString();
    EXPECT_EQ(w.text() + w.ui.TB_DSN->toolTip(), "");
    EXPECT_EQ(w.title(), "QUORVANT");
    EXPECT_EQ(w.states(), kDisconnected);
    EXPECT_EQ(shownHistory(*dialog), history);

    // No string is left to reconnect with; that fails too and changes nothing.
    state->ReconnectDatabase();
    EXPECT_EQ(prompts.boxes().size(), 2);
    EXPECT_FALSE(db->DbIsConnected());
    EXPECT_EQ(w.states(), kDisconnected);
}

TEST_F(ConnectionStateTest, CancelledDialogDisablesReconnect)
{
    connectVia([] {});
    EXPECT_EQ(w.states(), kStart);

    connectVia([&] { chooseSource(*dialog, kSqliteA); });
    state->DisconnectDatabase();
    EXPECT_TRUE(w.ui.mn_reconnect->isEnabled());
    connectVia([] {});
    EXPECT_FALSE(w.ui.mn_reconnect->isEnabled());
    EXPECT_FALSE(w.ui.tb_connect->isChecked());
    EXPECT_TRUE(prompts.boxes().isEmpty());
    // Nothing is kept to reconnect with.
    state->ReconnectDatabase();
    EXPECT_FALSE(db->DbIsConnected());
}

TEST_F(ConnectionStateTest, MissingDriverFailsWithItsBox)
{
    connectVia([&] { chooseSource(*dialog, kBroken); });
    EXPECT_FALSE(db->DbIsConnected());
    ASSERT_EQ(prompts.boxes().size(), 1);
    EXPECT_TRUE(prompts.boxes().first().text.contains(":ＤＢ接続に失敗しました。"));
    EXPECT_EQ(w.states(), kStart);
    // The chosen source was asked for by its name.
    EXPECT_EQ(keptConnection(), QString("DSN=%1;").arg(kBroken));
}
