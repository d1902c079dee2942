// The command map of the main window: menu bar, popup menus, toolbar and the shell's own
// commands.
#include "app/QUORVANT.h"

#include "app/AppServices.h"
#include "app/FrmVersion.h"
#include "app/ShellCommands.h"
#include "base/AppFolder.h"
#include "base/EventPump.h"
#include "base/Prompts.h"
#include "base/basApiCall.h"
#include "connect/ConnectionState.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QToolBar>

namespace {

struct Item {
    const char* name;    // objectName; a separator when caption is null
    const char* caption; // nullptr for a separator
    const char* shortcut = nullptr;
    bool enabled = true;
    bool checkable = false;
};

} // namespace

void QUORVANT::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MenuBar"));

    auto addMenu = [&](const char* name, const char* caption, std::initializer_list<Item> items) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
        menu->setObjectName(QString::fromLatin1(name));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        for (const Item& it : items) {
            QAction* a = nullptr;
            if (it.caption == nullptr) {
                a = menu->addSeparator();
            } else {
                a = menu->addAction(QString::fromUtf8(it.caption));
                if (it.shortcut != nullptr)
                    a->setShortcut(QKeySequence(QString::fromLatin1(it.shortcut)));
                a->setEnabled(it.enabled);
                a->setCheckable(it.checkable);
            }
            a->setObjectName(QString::fromLatin1(it.name));
        }
        return menu;
    };

    QMenu* file = addMenu("mn_file", "ﾌｧｲﾙ(&F)",
                          {{"mn_new_window", "新規の接続(&N)", "Ctrl+N"},
                           {"mn_sp0", nullptr},
                           {"mn_connect", "DB接続(&C)"},
                           {"mn_disconnect", "DB切断(&D)", nullptr, false},
                           {"mn_reconnect", "DB再接続(&R)", nullptr, false},
                           {"mn_sp1", nullptr},
                           {"mn_open_file", "SQLの読込(&O)", "Ctrl+O"},
                           {"mn_sp2", nullptr},
                           {"mn_exit", "終了(&X)"}});
    QMenu* sql = addMenu("mn_sql", "SQL(&S)",
                         {{"mn_sql_go", "SQL実行(&I)", "Ctrl+I", false},
                          {"mn_sql_stop", "SQL中断(&B)", "Ctrl+B", false},
                          {"mn_sql_commit", "COMMIT(&C)", nullptr, false},
                          {"mn_sql_rollback", "ROLLBACK(&R)", nullptr, false},
                          {"mn_sql_sp1", nullptr},
                          {"mn_sql_temp", "SQLﾃﾝﾌﾟﾚｰﾄ(&T)..."},
                          {"mn_sql_history", "SQL入力履歴(&H)..."},
                          {"mn_sql_sp", nullptr},
                          {"mn_sql_edit", "SQL編集(&E)", "Ctrl+E"},
                          {"mn_kwd_edit", "ｷｰﾜｰﾄﾞリスト編集(&K)"}});
    QMenu* display =
        addMenu("mn_display", "表示(&V)",
                {{"mn_disp_toolbar", "ツールバー(&T)", nullptr, true, true},
                 {"mn_disp_statusbar", "ステータスバー(&S)", nullptr, true, true},
                 {"mn_disp_sp", nullptr},
                 {"mn_disp_kwdlist", "ｷｰﾜｰﾄﾞリスト(&K)", nullptr, true, true},
                 {"mn_disp_sp2", nullptr},
                 {"mn_disp_con2title", "接続情報をタイトルに表示(&C)", nullptr, true, true}});
    QMenu* tool = addMenu("mn_tool", "ﾂｰﾙ(&T)",
                          {{"mn_out_csv", "SELECT結果の保存(&S)..."},
                           {"mn_out_select", "SELECT実行＆保存(&W)...", nullptr, false},
                           {"mn_inp_csv", "ﾌｧｲﾙからTABLEへ登録(&L)...", nullptr, false},
                           {"mn_tool_sp", nullptr},
                           {"mn_set_editor", "外部エディタの設定(&E)..."},
                           {"mn_kick_dsnadmin", "データソース アドミニストレータ(&D)..."}});
    QMenu* help = addMenu("mn_help", "ﾍﾙﾌﾟ(&H)",
                          {{"mn_help_quorvant", "QUORVANTのヘルプ", "F1"},
                           {"mn_help_sp3", nullptr},
                           {"mn_version", "バーション情報(&A)..."}});

    auto action = [this](const char* name) {
        return findChild<QAction*>(QString::fromLatin1(name));
    };
    mn_connect = action("mn_connect");
    mn_disconnect = action("mn_disconnect");
    mn_reconnect = action("mn_reconnect");
    mn_sql_go = action("mn_sql_go");
    mn_sql_stop = action("mn_sql_stop");
    mn_sql_commit = action("mn_sql_commit");
    mn_sql_rollback = action("mn_sql_rollback");
    mn_out_select = action("mn_out_select");
    mn_inp_csv = action("mn_inp_csv");
    mn_disp_toolbar = action("mn_disp_toolbar");
    mn_disp_statusbar = action("mn_disp_statusbar");
    mn_disp_kwdlist = action("mn_disp_kwdlist");
    mn_disp_con2title = action("mn_disp_con2title");

    connect(action("mn_new_window"), &QAction::triggered, this, &QUORVANT::NewInstanceCommand);
    connect(action("mn_exit"), &QAction::triggered, this, &QUORVANT::ExitCommand);
    connect(action("mn_help_quorvant"), &QAction::triggered, this, &QUORVANT::HelpCommand);
    connect(action("mn_version"), &QAction::triggered, this, &QUORVANT::AboutCommand);
    connect(action("mn_kick_dsnadmin"), &QAction::triggered, this,
            &QUORVANT::DataSourceAdminCommand);
    for (QAction* option : {mn_disp_toolbar, mn_disp_statusbar, mn_disp_kwdlist, mn_disp_con2title})
        connect(option, &QAction::triggered, this,
                [this, option] { displayOptionChanged(option); });

    // Commands whose work belongs to features still to come.
    for (const char* name :
         {"mn_open_file", "mn_sql_go", "mn_sql_stop", "mn_sql_commit", "mn_sql_rollback",
          "mn_sql_temp", "mn_sql_history", "mn_sql_edit", "mn_kwd_edit", "mn_out_csv",
          "mn_out_select", "mn_inp_csv", "mn_set_editor"}) {
        const QString n = QString::fromLatin1(name);
        connect(action(name), &QAction::triggered, this, [this, n] { featureCommand(n); });
    }
    Q_UNUSED(file);
    Q_UNUSED(sql);
    Q_UNUSED(display);
    Q_UNUSED(tool);
    Q_UNUSED(help);
}

void QUORVANT::buildPopupMenus()
{
    // Popup menus are never part of the menu bar; they open at the pointer.
    auto popup = [this](const char* name, const char* caption) {
        auto* menu = new QMenu(QString::fromUtf8(caption), this);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    auto item = [this](QMenu* menu, const QString& name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, name] { featureCommand(name); });
        return a;
    };
    auto copyPair = [&](QMenu* menu, const QString& sqlName, const QString& clipName) {
        item(menu, sqlName, QStringLiteral("→ SQL入力エリア"));
        item(menu, clipName, QStringLiteral("→ クリップボード"));
    };
    auto submenu = [](QMenu* menu, const QString& name, const QString& caption) {
        QMenu* sub = menu->addMenu(caption);
        sub->setObjectName(name);
        sub->menuAction()->setObjectName(name);
        return sub;
    };
    auto separator = [](QMenu* menu, const QString& name) {
        menu->addSeparator()->setObjectName(name);
    };

    mn_mouse = popup("mn_mouse", "mouse action");
    copyPair(mn_mouse, QStringLiteral("mn_copy_sql"), QStringLiteral("mn_copy_clip"));
    separator(mn_mouse, QStringLiteral("mn_mouse_sp1"));
    copyPair(submenu(mn_mouse, QStringLiteral("mn_copy_allcols"),
                     QStringLiteral("全列名（カンマ区切り）")),
             QStringLiteral("mn_copy_allcols_sql"), QStringLiteral("mn_copy_allcols_clip"));
    separator(mn_mouse, QStringLiteral("mn_mouse_sp2"));
    QMenu* cols = submenu(mn_mouse, QStringLiteral("mn_disp_cols"),
                          QStringLiteral("列属性 → SELECT結果ペイン"));
    item(cols, QStringLiteral("mn_disp_cols_all"), QStringLiteral("全情報を表示"));
    item(cols, QStringLiteral("mn_disp_cols_name"), QStringLiteral("列名のみ表示"));
    separator(mn_mouse, QStringLiteral("mn_mouse_sp3"));
    QMenu* quick =
        submenu(mn_mouse, QStringLiteral("mn_quick_sql"), QStringLiteral("クイック SQL"));
    QAction* first = item(quick, QStringLiteral("mn_quick_sqlstmt_0"), QString());
    first->setProperty("index", 0);

    QMenu* mouse2 = popup("mn_mouse2", "mouse action2");
    item(mouse2, QStringLiteral("mn_get_tables"), QStringLiteral("TABLE/VIEW/SYNONYMの再取得"));

    QMenu* mouse3 = popup("mn_mouse3", "mouse action3");
    const QStringList subitemCaptions = {
        QString(), QStringLiteral("列データ"), QStringLiteral("' 列データ '"),
        QStringLiteral("列名 = 列データ"), QStringLiteral("列名 = ' 列データ '")};
    for (int i = 0; i < subitemCaptions.size(); ++i) {
        QMenu* sub = submenu(mouse3, QStringLiteral("mn_LV_subitem_%1").arg(i), subitemCaptions[i]);
        sub->menuAction()->setProperty("index", i);
        copyPair(sub, QStringLiteral("mn_LV_subitem_copy_sql_%1").arg(i),
                 QStringLiteral("mn_LV_subitem_copy_clip_%1").arg(i));
        if (i == 0)
            separator(mouse3, QStringLiteral("mn_LV_sp"));
    }

    QMenu* mouse4 = popup("mn_mouse4", "mouse action4");
    copyPair(mouse4, QStringLiteral("mn_colcopy_sql"), QStringLiteral("mn_colcopy_clip"));

    QMenu* mouse5 = popup("mn_mouse5", "mouse action5");
    copyPair(mouse5, QStringLiteral("mn_kwdcopy_sql"), QStringLiteral("mn_kwdcopy_clip"));

    QMenu* mouse6 = popup("mn_mouse6", "mouse action6");
    const QStringList allCaptions = {QStringLiteral("全列名"),
                                     QStringLiteral("全列データ（１行分）")};
    for (int i = 0; i < allCaptions.size(); ++i) {
        QMenu* sub = submenu(mouse6, QStringLiteral("mn_LV_subitem_all_%1").arg(i), allCaptions[i]);
        sub->menuAction()->setProperty("index", i);
        copyPair(sub, QStringLiteral("mn_LV_subitem_all_copy_sql_%1").arg(i),
                 QStringLiteral("mn_LV_subitem_all_copy_clip_%1").arg(i));
    }

    // The design gives this menu the same caption as mn_mouse5.
    QMenu* mouse7 = popup("mn_mouse7", "mouse action5");
    copyPair(mouse7, QStringLiteral("mn_objcopy_sql"), QStringLiteral("mn_objcopy_clip"));
}

void QUORVANT::buildToolbar()
{
    struct Button {
        const char* key;
        const char* tooltip;
    };
    auto add = [this](const Button& b) {
        const QString key = QString::fromLatin1(b.key);
        QAction* a = Toolbar1->addAction(QIcon(QStringLiteral(":/icons/%1.png").arg(key)),
                                         QString::fromUtf8(b.tooltip));
        a->setObjectName(QStringLiteral("tb_") + key);
        a->setProperty("key", key);
        a->setToolTip(QString::fromUtf8(b.tooltip));
        return a;
    };
    add({"connect", "DB接続"});
    add({"discon", "DB切断"});
    Toolbar1->addWidget(placeholder_)->setObjectName(QStringLiteral("tb_placeholder"));
    Toolbar1->addSeparator();
    add({"go", "SQL実行"});
    add({"stop", "SQL中断"})->setEnabled(false);
    Toolbar1->addSeparator();
    add({"ok", "COMMIT"});
    add({"ng", "ROLLBACK"});
    Toolbar1->addSeparator();
    add({"temp", "SQLﾃﾝﾌﾟﾚｰﾄ"});
    add({"hist", "SQL入力履歴"});
    Toolbar1->addSeparator();
    add({"save", "SELECT結果の保存"});
    add({"inst", "ファイルからTABLEへ登録"});

    connect(Toolbar1, &QToolBar::actionTriggered, this, [this](QAction* a) {
        // A click flips a pressed button by itself; only the commands decide what is pressed.
        if (a->isCheckable())
            a->setChecked(!a->isChecked());
        ToolbarCommand(a->property("key").toString());
    });
}

void QUORVANT::ToolbarCommand(const QString& key)
{
    if (key == QLatin1String("connect"))
        connection_->ConnectDatabase();
    else if (key == QLatin1String("discon"))
        connection_->DisconnectDatabase();
    else if (key == QLatin1String("go"))
        featureCommand(QStringLiteral("mn_sql_go"));
    else if (key == QLatin1String("stop"))
        featureCommand(QStringLiteral("mn_sql_stop"));
    else if (key == QLatin1String("ok"))
        featureCommand(QStringLiteral("mn_sql_commit"));
    else if (key == QLatin1String("ng"))
        featureCommand(QStringLiteral("mn_sql_rollback"));
    else if (key == QLatin1String("temp"))
        featureCommand(QStringLiteral("mn_sql_temp"));
    else if (key == QLatin1String("hist"))
        featureCommand(QStringLiteral("mn_sql_history"));
    else if (key == QLatin1String("save"))
        featureCommand(QStringLiteral("mn_out_csv"));
    else if (key == QLatin1String("inst"))
        featureCommand(QStringLiteral("mn_inp_csv"));
}

void QUORVANT::ExitCommand()
{
    hide();
    letEventsRun();
    close();
}

void QUORVANT::HelpCommand()
{
    OpenDocument(this, services_.prompts(), shellcmd::helpDocument(helpAddress_, AppFolder()));
}

void QUORVANT::DataSourceAdminCommand()
{
    const QString admin = shellcmd::dataSourceAdministrator(GetSystemFolder());
    if (!admin.isEmpty() && QProcess::startDetached(admin, {}))
        return;
    // Without the graphical administrator the user edits the data-source file itself. The file
    // holds passwords, so a new one is private to the user.
    const QString file = shellcmd::userDataSourceFile();
    if (!QFileInfo::exists(file)) {
        QFile create(file);
        if (create.open(QIODevice::WriteOnly))
            create.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    if (!OpenDocument(this, services_.prompts(), file)) {
        services_.prompts().tell(this, Prompts::Icon::Warning, QStringLiteral("QUORVANT"),
                                 QStringLiteral("データソース アドミニストレータを起動できません"
                                                "でした。\n") +
                                     file);
    }
}

void QUORVANT::NewInstanceCommand()
{
    // A failure to start is deliberately silent.
    QProcess::startDetached(shellcmd::newInstanceProgram(AppFolder()), {});
}

void QUORVANT::AboutCommand()
{
    if (frmVersion_ == nullptr)
        frmVersion_ = new FrmVersion(this);
    frmVersion_->ShowVer(QStringLiteral("QUORVANT"));
}
