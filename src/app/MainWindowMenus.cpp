// The main window's commands as the user finds them: the menu bar, the popup menus, the quick
// SQL items and the toolbar, each item named by its control name.
#include "app/MainWindowUi.h"

#include "base/Settings.h"
#include "base/Twips.h"
#include "sqlexec/GridFilterRow.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

struct MenuItem {
    const char* name;    // objectName; a separator when caption is null
    const char* caption; // nullptr for a separator
    const char* shortcut = nullptr;
    bool enabled = true;
    bool checkable = false;
};

struct ToolbarButton {
    const char* key;
    const char* tooltip;
    const char* command; // the menu command the button stands for
};

} // namespace

void MainWindowUi::buildMenus(QMainWindow* window)
{
    QMenuBar* bar = window->menuBar();
    bar->setObjectName(QStringLiteral("MenuBar"));

    auto addMenu = [&](const char* name, const char* caption,
                       std::initializer_list<MenuItem> items) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
        menu->setObjectName(QString::fromLatin1(name));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        for (const MenuItem& it : items) {
            if (it.caption == nullptr) {
                menu->addSeparator()->setObjectName(QString::fromLatin1(it.name));
                continue;
            }
            QAction* a = menu->addAction(QString::fromUtf8(it.caption));
            if (it.shortcut != nullptr)
                a->setShortcut(QKeySequence(QString::fromLatin1(it.shortcut)));
            a->setEnabled(it.enabled);
            a->setCheckable(it.checkable);
            a->setObjectName(QString::fromLatin1(it.name));
            addCommand(a, a->objectName());
        }
    };

    addMenu("mn_file", "ﾌｧｲﾙ(&F)",
            {{"mn_new_window", "新規の接続(&N)", "Ctrl+N"},
             {"mn_sp0", nullptr},
             {"mn_connect", "DB接続(&C)"},
             {"mn_disconnect", "DB切断(&D)", nullptr, false},
             {"mn_reconnect", "DB再接続(&R)", nullptr, false},
             {"mn_sp1", nullptr},
             {"mn_open_file", "SQLの読込(&O)", "Ctrl+O"},
             {"mn_sp2", nullptr},
             {"mn_exit", "終了(&X)"}});
    addMenu("mn_sql", "SQL(&S)",
            {{"mn_sql_go", "SQL実行(&I)", "Ctrl+I", false},
             {"mn_sql_stop", "SQL中断(&B)", "Ctrl+B", false},
             {"mn_sql_commit", "COMMIT(&C)", nullptr, false},
             {"mn_sql_rollback", "ROLLBACK(&R)", nullptr, false},
             {"mn_sql_undo", "直前のSQLを取り消す(&U)", nullptr, false},
             {"mn_sql_askpending", "切断・終了時に未確定の変更を確認する(&A)", nullptr, true, true},
             {"mn_sql_sp1", nullptr},
             {"mn_sql_temp", "SQLﾃﾝﾌﾟﾚｰﾄ(&T)..."},
             {"mn_sql_history", "SQL入力履歴(&H)..."},
             {"mn_sql_sp", nullptr},
             {"mn_sql_edit", "SQL編集(&E)", "Ctrl+E"},
             {"mn_kwd_edit", "ｷｰﾜｰﾄﾞリスト編集(&K)"}});
    addMenu("mn_grid", "結果編集(&G)",
            {{"mn_grid_edit", "セルを編集(&E)", "F2"},
             {"mn_grid_null", "NULLにする(&N)", "Ctrl+0"},
             {"mn_grid_add", "行を追加(&A)", "Ctrl+Ins"},
             {"mn_grid_delete", "行を削除(&D)", "Ctrl+Del"},
             {"mn_grid_sp", nullptr},
             {"mn_grid_apply", "変更を反映(&S)", "Ctrl+S", false},
             {"mn_grid_discard", "変更を破棄(&R)", nullptr, false},
             {"mn_grid_sp2", nullptr},
             {"mn_grid_preview", "反映する文を先に表示する(&P)", nullptr, true, true},
             {"mn_grid_original", "読んだ時の値から変わっていないことも確かめる(&O)", nullptr, true,
              true}});
    addMenu("mn_display", "表示(&V)",
            {{"mn_disp_toolbar", "ツールバー(&T)", nullptr, true, true},
             {"mn_disp_statusbar", "ステータスバー(&S)", nullptr, true, true},
             {"mn_disp_sp", nullptr},
             {"mn_disp_kwdlist", "ｷｰﾜｰﾄﾞリスト(&K)", nullptr, true, true},
             {"mn_disp_gridfilter", "SELECT結果のフィルター行(&F)", nullptr, true, true},
             {"mn_disp_highlight", "SQLの色分け(&H)", nullptr, true, true},
             {"mn_disp_sp2", nullptr},
             {"mn_disp_con2title", "接続情報をタイトルに表示(&C)", nullptr, true, true}});
    addMenu("mn_tool", "ﾂｰﾙ(&T)",
            {{"mn_out_csv", "SELECT結果の保存(&S)..."},
             {"mn_out_select", "SELECT実行＆保存(&W)...", nullptr, false},
             {"mn_out_rest", "残りをファイルに保存...", nullptr, false},
             {"mn_inp_csv", "ﾌｧｲﾙからTABLEへ登録(&L)...", nullptr, false},
             {"mn_tool_sp", nullptr},
             {"mn_set_editor", "外部エディタの設定(&E)..."},
             {"mn_kick_dsnadmin", "データソース アドミニストレータ(&D)..."}});
    addMenu("mn_help", "ﾍﾙﾌﾟ(&H)",
            {{"mn_help_quorvant", "QUORVANTのヘルプ", "F1"},
             {"mn_help_sp3", nullptr},
             {"mn_version", "バーション情報(&A)..."}});
}

void MainWindowUi::buildPopupMenus(QMainWindow* window)
{
    // Popup menus are never part of the menu bar; they open at the pointer.
    auto popup = [window](const char* name, const char* caption) {
        auto* menu = new QMenu(QString::fromUtf8(caption), window);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    auto item = [this](QMenu* menu, const QString& name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        addCommand(a, name);
        return a;
    };
    auto copyPair = [&](QMenu* menu, const QString& sqlName, const QString& clipName) {
        item(menu, sqlName, QStringLiteral("→ SQL入力エリア"));
        item(menu, clipName, QStringLiteral("→ クリップボード"));
    };
    auto submenu = [this](QMenu* menu, const QString& name, const QString& caption) {
        QMenu* sub = menu->addMenu(caption);
        sub->setObjectName(name);
        sub->menuAction()->setObjectName(name);
        // Found by name for their enabled state; they run no command themselves.
        actions_.insert(name, sub->menuAction());
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
    mn_quick_sql =
        submenu(mn_mouse, QStringLiteral("mn_quick_sql"), QStringLiteral("クイック SQL"));
    QAction* first = item(mn_quick_sql, QStringLiteral("mn_quick_sqlstmt_0"), QString());
    first->setProperty("index", 0);
    first->setProperty("command", QStringLiteral("mn_quick_sqlstmt"));

    // Opens the table's rows in the grid, ready to be edited.
    separator(mn_mouse, QStringLiteral("mn_mouse_sp4"));
    item(mn_mouse, QStringLiteral("mn_edit_rows"), QStringLiteral("データを編集"));

    mn_mouse2 = popup("mn_mouse2", "mouse action2");
    item(mn_mouse2, QStringLiteral("mn_get_tables"), QStringLiteral("TABLE/VIEW/SYNONYMの再取得"));

    QMenu* mouse3 = mn_mouse3 = popup("mn_mouse3", "mouse action3");
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
    separator(mouse3, QStringLiteral("mn_LV_sp2"));
    // The edit menu's commands, at the cell the popup was opened on.
    for (const auto& [name, caption] :
         {std::pair{"mn_LV_edit", "セルを編集"}, std::pair{"mn_LV_null", "NULLにする"},
          std::pair{"mn_LV_add", "行を追加"}, std::pair{"mn_LV_delete", "行を削除"}}) {
        QAction* a = mouse3->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        addCommand(a, QStringLiteral("mn_grid_") + QString::fromLatin1(name).mid(6));
    }
    separator(mouse3, QStringLiteral("mn_LV_sp3"));
    // The tool menu's command, where the grid's capped or suspended rows are.
    QAction* rest = mouse3->addAction(QStringLiteral("残りをファイルに保存..."));
    rest->setObjectName(QStringLiteral("mn_LV_out_rest"));
    rest->setEnabled(false);
    addCommand(rest, QStringLiteral("mn_out_rest"));

    QMenu* mouse4 = popup("mn_mouse4", "mouse action4");
    mn_mouse4 = mouse4;
    copyPair(mouse4, QStringLiteral("mn_colcopy_sql"), QStringLiteral("mn_colcopy_clip"));

    mn_mouse5 = popup("mn_mouse5", "mouse action5");
    copyPair(mn_mouse5, QStringLiteral("mn_kwdcopy_sql"), QStringLiteral("mn_kwdcopy_clip"));

    QMenu* mouse6 = mn_mouse6 = popup("mn_mouse6", "mouse action6");
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
    mn_mouse7 = mouse7;
    copyPair(mouse7, QStringLiteral("mn_objcopy_sql"), QStringLiteral("mn_objcopy_clip"));
}

QList<QAction*> MainWindowUi::addQuickSqlItems()
{
    QList<QAction*> added;
    for (int i = 1; i <= 6; ++i) {
        QAction* entry = mn_quick_sql->addAction(QString());
        entry->setObjectName(QStringLiteral("mn_quick_sqlstmt_%1").arg(i));
        entry->setProperty("index", i);
        // One command for the whole array; the item's index tells which statement.
        addCommand(entry, QStringLiteral("mn_quick_sqlstmt"));
        added.append(entry);
    }
    return added;
}

void MainWindowUi::buildToolbar()
{
    auto add = [this](const ToolbarButton& b) {
        const QString key = QString::fromLatin1(b.key);
        QAction* a = Toolbar1->addAction(QIcon(QStringLiteral(":/icons/%1.png").arg(key)),
                                         QString::fromUtf8(b.tooltip));
        a->setObjectName(QStringLiteral("tb_") + key);
        a->setProperty("key", key);
        a->setProperty("command", QString::fromLatin1(b.command));
        a->setToolTip(QString::fromUtf8(b.tooltip));
        actions_.insert(key, a);
        return a;
    };
    add({"connect", "DB接続", "mn_connect"});
    add({"discon", "DB切断", "mn_disconnect"});
    Toolbar1->addWidget(placeholder)->setObjectName(QStringLiteral("tb_placeholder"));
    Toolbar1->addSeparator();
    add({"go", "SQL実行", "mn_sql_go"});
    add({"stop", "SQL中断", "mn_sql_stop"})->setEnabled(false);
    Toolbar1->addSeparator();
    add({"ok", "COMMIT", "mn_sql_commit"});
    add({"ng", "ROLLBACK", "mn_sql_rollback"});
    add({"undo", "直前のSQLを取り消す", "mn_sql_undo"})->setEnabled(false);
    Toolbar1->addSeparator();
    add({"temp", "SQLﾃﾝﾌﾟﾚｰﾄ", "mn_sql_temp"});
    add({"hist", "SQL入力履歴", "mn_sql_history"});
    Toolbar1->addSeparator();
    add({"save", "SELECT結果の保存", "mn_out_csv"});
    add({"inst", "ファイルからTABLEへ登録", "mn_inp_csv"});
}
