#include "browser/ObjectCommands.h"

#include "base/SqlNames.h"
#include "browser/GeneratedSql.h"
#include "browser/ObjectTree.h"
#include "odbc/comm/ODBCComm.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTreeWidget>

using namespace objtree;

ObjectCommands::ObjectCommands(const ObjectCommandsUi& ui, ObjectCommandsHooks hooks,
                               ObjectTree& tree, ODBCComm& db, QObject* parent)
    : QObject(parent), ui_(ui), hooks_(std::move(hooks)), tree_(tree), db_(db)
{
    // The popup node of an earlier tree must not act on the nodes of a new one.
    connect(&tree_, &ObjectTree::nodesAboutToBeRemoved, this,
            [this] { popupNode_ = QPersistentModelIndex(); });
    connect(&tree_, &ObjectTree::popupRequested, this, &ObjectCommands::treeContextMenu);
}

QTreeWidgetItem* ObjectCommands::popupNode() const
{
    return tree_.nodeOf(popupNode_);
}

void ObjectCommands::setPopupNode(QTreeWidgetItem* node)
{
    popupNode_ = tree_.persistentIndex(node);
}

void ObjectCommands::treeContextMenu(const QPoint& pos)
{
    QTreeWidgetItem* node = tree_.nodeAt(pos);
    if (node == nullptr)
        return;
    QMenu* menu = popupFor(node);
    if (menu == nullptr)
        return;
    tree_.selectNode(node);
    setPopupNode(node);
    menu->popup(tree_.globalPos(pos));
}

QMenu* ObjectCommands::popupFor(QTreeWidgetItem* node)
{
    if (node == nullptr)
        return nullptr;
    if (ObjectTree::isRootNode(node))
        return db_.DbIsConnected() ? ui_.mn_mouse2 : nullptr;
    if (ObjectTree::isObjectNode(node)) {
        setQuickCaptions(node->text(0));
        return ui_.mn_mouse;
    }
    return ui_.mn_mouse4;
}

QAction* ObjectCommands::quickItem(int index) const
{
    if (ui_.mn_quick_sql == nullptr)
        return nullptr;
    const QString name = QStringLiteral("mn_quick_sqlstmt_%1").arg(index);
    for (QAction* item : ui_.mn_quick_sql->actions()) {
        if (item->objectName() == name)
            return item;
    }
    return nullptr;
}

void ObjectCommands::setQuickCaptions(const QString& objectName)
{
    for (int i = 0; i < kQuickSqlItems; ++i) {
        QAction* item = quickItem(i);
        if (item == nullptr)
            continue;
        if (i == 1) {
            item->setSeparator(true);
            continue;
        }
        QString caption = QuickSqlCaption(i, objectName);
        // The statement is the caption; a "&" in a name must not turn into a mnemonic.
        item->setData(caption);
        item->setText(caption.replace(QLatin1Char('&'), QStringLiteral("&&")));
    }
}

void ObjectCommands::quickSqlCommand(int index)
{
    QTreeWidgetItem* node = popupNode();
    if (node == nullptr || !ObjectTree::isObjectNode(node) || index == 1 || index < 0 ||
        index >= kQuickSqlItems)
        return;
    // Built from the node, not read back from the caption: the same text, and right also when
    // the menu was set up for another node.
    const QString sql = QuickSqlStatement(index, node->text(0));
    if (index == 0) {
        if (hooks_.PostSQL)
            hooks_.PostSQL(sql);
    } else if (hooks_.replaceSql) {
        hooks_.replaceSql(sql);
    }
}

void ObjectCommands::editRowsCommand()
{
    QTreeWidgetItem* node = popupNode();
    if (node == nullptr || !ObjectTree::isObjectNode(node) || !hooks_.editRows)
        return;
    hooks_.editRows(QuickSqlStatement(0, node->text(0)));
}

void ObjectCommands::toInputArea(const QString& text)
{
    if (hooks_.InsertAtCaret)
        hooks_.InsertAtCaret(text);
}

void ObjectCommands::toClipboard(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void ObjectCommands::copySqlCommand()
{
    // A synonym is used in SQL as the object it stands for, so its name goes in as well.
    QTreeWidgetItem* node = popupNode();
    if (ObjectTree::isObjectNode(node))
        toInputArea(sqlName(node->text(0)));
}

void ObjectCommands::copyClipCommand()
{
    if (QTreeWidgetItem* node = popupNode())
        toClipboard(node->text(0));
}

QString ObjectCommands::allColumnsList()
{
    const std::optional<CatalogRead::Columns> columns = tree_.readColumns(popupNode());
    return columns ? AllColumnsText(columns->names) : QString();
}

void ObjectCommands::copyAllColumnsCommand(bool toInputArea)
{
    const QString list = allColumnsList();
    if (list.isEmpty())
        return;
    if (toInputArea)
        this->toInputArea(list);
    else
        toClipboard(list);
}

void ObjectCommands::colCopySqlCommand()
{
    // Type descriptions and key captions are no names: only a column goes into the SQL.
    QTreeWidgetItem* node = popupNode();
    if (ObjectTree::tagOf(node) == QLatin1String(kTagColName))
        toInputArea(sqlName(node->text(0)));
}

void ObjectCommands::colCopyClipCommand()
{
    if (QTreeWidgetItem* node = popupNode())
        toClipboard(node->text(0));
}

void ObjectCommands::objCopySqlCommand()
{
    // Quoted as the tree's own popup does: "EMP OLD" unquoted would read EMP under an alias.
    if (QTreeWidgetItem* node = popupNode())
        toInputArea(sqlName(node->text(0)));
}

void ObjectCommands::objCopyClipCommand()
{
    if (QTreeWidgetItem* node = popupNode())
        toClipboard(node->text(0));
}

void ObjectCommands::showColumnAttributes(bool allAttributes)
{
    attributeMode_ = allAttributes;
    QTreeWidgetItem* node = popupNode();
    // Refused before the grid is emptied: a command refused during work changes nothing.
    if (!ObjectTree::isObjectNode(node) || tree_.refuseWhileBusy(QString::fromUtf8(kColumnsTitle)))
        return;
    // The grid is taken first, so that a suspended fill ends as the grid's and not as a
    // catalog read's.
    if (hooks_.showColumnTable)
        hooks_.showColumnTable({}, {}, {}, kAttributeNumberWidth);
    const std::optional<CatalogRead::Columns> columns = tree_.readColumns(node);
    if (!columns)
        return;
    const ColumnTable table = ColumnAttributeTable(columns->names, columns->typeTexts,
                                                   columns->keyPositions, allAttributes);
    if (hooks_.showColumnTable) {
        // Every attribute is shown as text, left-aligned.
        const auto columns =
            static_cast<std::size_t>(std::max<qsizetype>(table.headers.size() - 1, 0));
        hooks_.showColumnTable(table.headers, ColumnKinds(columns, ColumnKind::Text), table.rows,
                               kAttributeNumberWidth);
    }
}
