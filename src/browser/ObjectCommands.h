#pragma once

#include "odbc/comm/ResultSetInfo.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <vector>

class ODBCComm;
class ObjectTree;
class QAction;
class QMenu;
class QPoint;
class QTreeWidgetItem;

// The main window's widgets behind the tree's popup menus; the window keeps ownership.
struct ObjectCommandsUi {
    QMenu* mn_mouse = nullptr;  // object nodes
    QMenu* mn_mouse2 = nullptr; // root nodes, only while connected
    QMenu* mn_mouse4 = nullptr; // columns and the nodes under them
    // "クイック SQL" with its entries mn_quick_sqlstmt_0 .. _6 (found by name when the popup
    // opens, since entries 1 to 6 are added at load).
    QMenu* mn_quick_sql = nullptr;
};

// Work of other features the commands hand their texts to; wired by the main window. Empty
// functions are skipped.
struct ObjectCommandsHooks {
    // Puts text into the SQL input area at the caret.
    std::function<void(const QString&)> InsertAtCaret;
    // Replaces the SQL input area's text on its SQL tab, the caret at the start.
    std::function<void(const QString&)> replaceSql;
    // Replaces the SQL input area's text and runs it.
    std::function<void(const QString&)> PostSQL;
    // Runs a SELECT of a table's rows and offers its result for editing.
    std::function<void(const QString&)> editRows;
    // Shows a table in the result grid: headers (the first names the numbering column, whose
    // cells are the row numbers in numberWidth characters), one kind per data column (Text
    // left-aligned), one row of texts per line. Called with no headers to empty the grid.
    std::function<void(const QStringList& headers, const ColumnKinds& kinds,
                       const std::vector<QVector<QString>>& rows, int numberWidth)>
        showColumnTable;
};

// The commands generated from a node of the object tree: the popups of the tree, the quick
// statements, the copies of names and column lists to the input area or the clipboard, and
// the column attribute view. They all act on the popup node: the node of the last popup, or
// the object last chosen in the search list.
class ObjectCommands : public QObject {
    Q_OBJECT

public:
    ObjectCommands(const ObjectCommandsUi& ui, ObjectCommandsHooks hooks, ObjectTree& tree,
                   ODBCComm& db, QObject* parent = nullptr);

    // A popup asked for on the tree at pos (viewport coordinates): selects the node, makes it
    // the popup node and opens its popup.
    void treeContextMenu(const QPoint& pos);
    // The menu treeContextMenu opens for node, or null; the quick captions are set for it.
    QMenu* popupFor(QTreeWidgetItem* node);

    // Null when none was chosen, or when the tree was reloaded since.
    QTreeWidgetItem* popupNode() const;
    void setPopupNode(QTreeWidgetItem* node);

    // The commands, by the names of their menu items.
    void quickSqlCommand(int index);              // mn_quick_sqlstmt(index)
    void editRowsCommand();                       // mn_edit_rows
    void copySqlCommand();                        // mn_copy_sql
    void copyClipCommand();                       // mn_copy_clip
    void copyAllColumnsCommand(bool toInputArea); // mn_copy_allcols_sql / _clip
    void colCopySqlCommand();                     // mn_colcopy_sql
    void colCopyClipCommand();                    // mn_colcopy_clip
    void objCopySqlCommand();                     // mn_objcopy_sql
    void objCopyClipCommand();                    // mn_objcopy_clip
    // mn_disp_cols_all (true) / mn_disp_cols_name (false).
    void showColumnAttributes(bool allAttributes);

    // The all-columns list of the popup node, read afresh; empty when the read fails.
    QString allColumnsList();

    bool attributeMode() const { return attributeMode_; }

private:
    void setQuickCaptions(const QString& objectName);
    QAction* quickItem(int index) const;
    void toInputArea(const QString& text);
    static void toClipboard(const QString& text);

    ObjectCommandsUi ui_;
    ObjectCommandsHooks hooks_;
    ObjectTree& tree_;
    ODBCComm& db_;
    // A persistent index, so that a node removed meanwhile reads as none.
    QPersistentModelIndex popupNode_;
    bool attributeMode_ = false;
};
