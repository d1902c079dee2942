#include "browser/ObjectSearch.h"

#include "base/BusyCursor.h"
#include "base/SearchFold.h"
#include "browser/ObjectCommands.h"
#include "browser/ObjectTree.h"
#include "browser/TreeImages.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>

using namespace objtree;

namespace {

bool nameMatches(const QTreeWidgetItem* node, const QString& foldedText)
{
    return foldForSearch(node->text(0)).contains(foldedText);
}

} // namespace

QList<QTreeWidgetItem*> SearchObjects(const QList<QTreeWidgetItem*>& roots, const QString& text)
{
    QList<QTreeWidgetItem*> found;
    if (text.isEmpty())
        return found;
    const QString folded = foldForSearch(text);
    for (QTreeWidgetItem* root : roots) {
        if (root == nullptr)
            continue;
        const int n = root->childCount();
        for (int i = 0; i < n; ++i) {
            QTreeWidgetItem* node = root->child(i);
            if (nameMatches(node, folded))
                found.append(node);
            else if (node->isExpanded()) // closing a closed node still costs a view lookup
                node->setExpanded(false);
        }
    }
    return found;
}

QTreeWidgetItem* FindNextObject(QTreeWidgetItem* selected, const QString& text, bool backward)
{
    if (selected == nullptr || text.isEmpty())
        return nullptr;
    QTreeWidgetItem* start = nullptr;
    bool visited = false;
    if (ObjectTree::isRootNode(selected)) {
        // A root without objects (no synonyms) has nothing to search.
        start = selected->childCount() > 0 ? selected->child(0) : nullptr;
    } else if (ObjectTree::isObjectNode(selected)) {
        start = selected;
        visited = true;
    } else {
        start = selected->parent();
        while (start != nullptr && !ObjectTree::isObjectNode(start))
            start = start->parent();
    }
    if (start == nullptr || start->parent() == nullptr)
        return nullptr;

    QTreeWidgetItem* parent = start->parent();
    const int count = parent->childCount();
    int at = parent->indexOfChild(start);
    const QString folded = foldForSearch(text);
    // An unvisited start node is checked before the end of the siblings is looked at, so the
    // last (or only) object of a root can be found.
    for (;;) {
        if (visited) {
            at += backward ? -1 : 1;
            if (at < 0 || at >= count)
                return nullptr;
        }
        visited = true;
        QTreeWidgetItem* node = parent->child(at);
        if (nameMatches(node, folded))
            return node;
    }
}

double FoundListHeight(int entries, double listHeight, double treeHeight)
{
    if (entries == 0)
        return 0;
    if (listHeight < 100 && treeHeight > 3000)
        return 1800;
    return listHeight;
}

QString FoundCaption(int found, const QString& text)
{
    return QStringLiteral("検出(%1)：").arg(found) + text;
}

ObjectSearch::ObjectSearch(const ObjectSearchUi& ui, ObjectTree& tree, ObjectCommands& commands,
                           QObject* parent)
    : QObject(parent), ui_(ui), tree_(tree), commands_(commands)
{
    static const char* const tooltips[][2] = {{"ALL", "全て表示します"},
                                              {"TABLE", "テーブルを表示します"},
                                              {"VIEW", "ビューを表示します"},
                                              {"SYNONYM", "シノニムを表示します"}};
    if (ui_.TabObjects != nullptr) {
        for (int i = 0; i < ui_.TabObjects->count(); ++i) {
            for (const auto& tip : tooltips) {
                if (ui_.TabObjects->tabText(i) == QLatin1String(tip[0]))
                    ui_.TabObjects->setTabToolTip(i, QString::fromUtf8(tip[1]));
            }
        }
        connect(ui_.TabObjects, &QTabBar::tabBarClicked, this, &ObjectSearch::tabClicked);
    }
    if (ui_.Cmd_srch_obj != nullptr) {
        // A button that takes the focus, so that Enter from the text box and Shift reach it.
        ui_.Cmd_srch_obj->setFocusPolicy(Qt::StrongFocus);
        ui_.Cmd_srch_obj->installEventFilter(this);
        connect(ui_.Cmd_srch_obj, &QToolButton::clicked, this, &ObjectSearch::searchAll);
    }
    if (ui_.CB_srch_obj != nullptr) {
        ui_.CB_srch_obj->installEventFilter(this);
        if (ui_.CB_srch_obj->lineEdit() != nullptr)
            ui_.CB_srch_obj->lineEdit()->installEventFilter(this);
    }
    ui_.TreeView1->installEventFilter(this);
    if (ui_.LV_Found != nullptr) {
        foundViewport_ = ui_.LV_Found->viewport();
        foundViewport_->installEventFilter(this);
    }
    connect(&tree_, &ObjectTree::nodesAboutToBeRemoved, this, &ObjectSearch::dropResults);
}

QString ObjectSearch::searchText() const
{
    return ui_.CB_srch_obj != nullptr ? ui_.CB_srch_obj->currentText() : QString();
}

void ObjectSearch::dropResults()
{
    results_.clear();
    if (ui_.LV_Found != nullptr)
        ui_.LV_Found->clear();
}

void ObjectSearch::tabClicked(int index)
{
    if (ui_.TreeView1->topLevelItemCount() == 0 || index < 0)
        return;
    const QVariant data = ui_.TabObjects->tabData(index);
    tree_.openGroup(data.isValid() ? data.toString() : ui_.TabObjects->tabText(index));
    ui_.TreeView1->setFocus();
}

void ObjectSearch::recordSearchText()
{
    QComboBox* box = ui_.CB_srch_obj;
    if (box == nullptr)
        return;
    const QString text = box->currentText();
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i) == text)
            return;
    }
    box->insertItem(0, text);
    // Inserting may move the current entry; the box keeps showing what was searched.
    box->setEditText(text);
}

void ObjectSearch::searchAll()
{
    ui_.TreeView1->setFocus();
    if (ui_.TreeView1->topLevelItemCount() == 0)
        return;
    const BusyCursor busy;
    recordSearchText();
    const bool append = append_ || QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
    append_ = false;
    if (!append)
        dropResults();
    if (ui_.L_Found != nullptr) {
        ui_.L_Found->setText(QStringLiteral("検索中．．．"));
        ui_.L_Found->repaint();
    }

    const QString text = searchText();
    QList<QTreeWidgetItem*> found;
    {
        const ObjectTree::RebuildGuard guard(ui_.TreeView1);
        found = SearchObjects({tree_.root(QLatin1String(kKeyTables)),
                               tree_.root(QLatin1String(kKeyViews)),
                               tree_.root(QLatin1String(kKeySynonyms))},
                              text);
    }
    if (ui_.LV_Found != nullptr && !found.isEmpty()) {
        QList<QTreeWidgetItem*> entries;
        entries.reserve(found.size());
        for (QTreeWidgetItem* node : found) {
            auto* entry = new QTreeWidgetItem(QStringList{node->text(0)});
            const QString tag = ObjectTree::tagOf(node);
            entry->setIcon(0, TreeImages::icon(tag));
            entries.append(entry);
        }
        ui_.LV_Found->addTopLevelItems(entries);
    }
    results_.append(found);

    if (ui_.L_Found != nullptr)
        ui_.L_Found->setText(FoundCaption(static_cast<int>(found.size()), text));
    if (!found.isEmpty()) {
        commands_.setPopupNode(found.first());
        ui_.TreeView1->setCurrentItem(found.first());
    }
    sizeFoundList();
}

void ObjectSearch::sizeFoundList()
{
    if (!ui_.setFoundListHeight || ui_.LV_Found == nullptr)
        return;
    const double list = ui_.foundListHeight ? ui_.foundListHeight() : 0;
    const double tree = ui_.treeHeight ? ui_.treeHeight() : 0;
    ui_.setFoundListHeight(FoundListHeight(ui_.LV_Found->topLevelItemCount(), list, tree));
}

void ObjectSearch::findNext(bool backward)
{
    QTreeWidgetItem* next = FindNextObject(ui_.TreeView1->currentItem(), searchText(), backward);
    if (next != nullptr)
        ui_.TreeView1->setCurrentItem(next);
}

void ObjectSearch::foundEntryChosen(int entry)
{
    if (entry < 0 || entry >= results_.size())
        return;
    QTreeWidgetItem* node = results_.at(entry);
    commands_.setPopupNode(node);
    ui_.TreeView1->setCurrentItem(node);
}

bool ObjectSearch::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == ui_.Cmd_srch_obj) {
        if (type == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Shift) {
                append_ = true;
            } else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                ui_.Cmd_srch_obj->click();
                return true;
            }
        } else if (type == QEvent::KeyRelease) {
            append_ = false;
        }
        return false;
    }
    if (ui_.CB_srch_obj != nullptr &&
        (watched == ui_.CB_srch_obj || watched == ui_.CB_srch_obj->lineEdit())) {
        if (type != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (ui_.Cmd_srch_obj != nullptr)
                ui_.Cmd_srch_obj->setFocus();
            return true;
        }
        if (key->key() == Qt::Key_F3) {
            if (ui_.TreeView1->isEnabled()) {
                ui_.TreeView1->setFocus();
                recordSearchText();
                findNext(key->modifiers().testFlag(Qt::ShiftModifier));
            }
            return true;
        }
        return false;
    }
    if (watched == ui_.TreeView1 && type == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!searchText().isEmpty())
            recordSearchText();
        if (key->key() == Qt::Key_F3) {
            findNext(key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
        return false;
    }
    if (watched == foundViewport_ && type == QEvent::MouseButtonRelease) {
        const auto* release = static_cast<QMouseEvent*>(event);
        const QPoint pos = release->position().toPoint();
        QTreeWidgetItem* entry = ui_.LV_Found->itemAt(pos);
        if (entry != nullptr) {
            ui_.LV_Found->setCurrentItem(entry);
            foundEntryChosen(ui_.LV_Found->indexOfTopLevelItem(entry));
        }
        ui_.TreeView1->setFocus();
        if (release->button() == Qt::RightButton && entry != nullptr && ui_.mn_mouse7 != nullptr)
            ui_.mn_mouse7->popup(ui_.LV_Found->viewport()->mapToGlobal(pos));
        return false;
    }
    return false;
}
