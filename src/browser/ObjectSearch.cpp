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
    : QObject(parent), tabs_(ui.TabObjects), box_(ui.CB_srch_obj), button_(ui.Cmd_srch_obj),
      found_(ui.LV_Found), foundLabel_(ui.L_Found), foundMenu_(ui.mn_mouse7),
      foundListHeight_(ui.foundListHeight), treeHeight_(ui.treeHeight),
      setFoundListHeight_(ui.setFoundListHeight), tree_(tree), commands_(commands)
{
    static const char* const tooltips[][2] = {{"ALL", "全て表示します"},
                                              {"TABLE", "テーブルを表示します"},
                                              {"VIEW", "ビューを表示します"},
                                              {"SYNONYM", "シノニムを表示します"}};
    if (tabs_ != nullptr) {
        for (int i = 0; i < tabs_->count(); ++i) {
            for (const auto& tip : tooltips) {
                if (tabs_->tabText(i) == QLatin1String(tip[0]))
                    tabs_->setTabToolTip(i, QString::fromUtf8(tip[1]));
            }
        }
        connect(tabs_, &QTabBar::tabBarClicked, this, &ObjectSearch::tabClicked);
    }
    if (button_ != nullptr) {
        // A button that takes the focus, so that Enter from the text box and Shift reach it.
        button_->setFocusPolicy(Qt::StrongFocus);
        button_->installEventFilter(this);
        connect(button_, &QToolButton::clicked, this, &ObjectSearch::searchAll);
    }
    if (box_ != nullptr) {
        box_->installEventFilter(this);
        searchEdit_ = box_->lineEdit();
        if (searchEdit_ != nullptr)
            searchEdit_->installEventFilter(this);
    }
    if (found_ != nullptr) {
        foundViewport_ = found_->viewport();
        foundViewport_->installEventFilter(this);
    }
    connect(&tree_, &ObjectTree::nodesAboutToBeRemoved, this, &ObjectSearch::dropResults);
    connect(&tree_, &ObjectTree::keyPressed, this, [this] {
        if (!searchText().isEmpty())
            recordSearchText();
    });
    connect(&tree_, &ObjectTree::findNextRequested, this, &ObjectSearch::findNext);
}

QString ObjectSearch::searchText() const
{
    return box_ != nullptr ? box_->currentText() : QString();
}

void ObjectSearch::dropResults()
{
    results_.clear();
    if (found_ != nullptr)
        found_->clear();
}

void ObjectSearch::tabClicked(int index)
{
    if (tabs_ == nullptr || tree_.isEmpty() || index < 0)
        return;
    const QVariant data = tabs_->tabData(index);
    tree_.openGroup(data.isValid() ? data.toString() : tabs_->tabText(index));
    tree_.focus();
}

void ObjectSearch::recordSearchText()
{
    QComboBox* box = box_;
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
    tree_.focus();
    if (tree_.isEmpty())
        return;
    const BusyCursor busy;
    recordSearchText();
    const bool append = append_ || QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
    append_ = false;
    if (!append)
        dropResults();
    if (foundLabel_ != nullptr) {
        foundLabel_->setText(QStringLiteral("検索中．．．"));
        foundLabel_->repaint();
    }

    const QString text = searchText();
    QList<QTreeWidgetItem*> found;
    {
        const ObjectTree::RebuildGuard guard(tree_);
        found = SearchObjects({tree_.root(QLatin1String(kKeyTables)),
                               tree_.root(QLatin1String(kKeyViews)),
                               tree_.root(QLatin1String(kKeySynonyms))},
                              text);
    }
    if (found_ != nullptr && !found.isEmpty()) {
        QList<QTreeWidgetItem*> entries;
        entries.reserve(found.size());
        for (QTreeWidgetItem* node : found) {
            auto* entry = new QTreeWidgetItem(QStringList{node->text(0)});
            const QString tag = ObjectTree::tagOf(node);
            entry->setIcon(0, TreeImages::icon(tag));
            entries.append(entry);
        }
        found_->addTopLevelItems(entries);
    }
    results_.append(found);

    if (foundLabel_ != nullptr)
        foundLabel_->setText(FoundCaption(static_cast<int>(found.size()), text));
    if (!found.isEmpty()) {
        commands_.setPopupNode(found.first());
        tree_.selectNode(found.first());
    }
    sizeFoundList();
}

void ObjectSearch::sizeFoundList()
{
    if (!setFoundListHeight_ || found_ == nullptr)
        return;
    const double list = foundListHeight_ ? foundListHeight_() : 0;
    const double tree = treeHeight_ ? treeHeight_() : 0;
    setFoundListHeight_(FoundListHeight(found_->topLevelItemCount(), list, tree));
}

void ObjectSearch::findNext(bool backward)
{
    QTreeWidgetItem* next = FindNextObject(tree_.currentNode(), searchText(), backward);
    if (next != nullptr)
        tree_.selectNode(next);
}

void ObjectSearch::foundEntryChosen(int entry)
{
    if (entry < 0 || entry >= results_.size())
        return;
    QTreeWidgetItem* node = results_.at(entry);
    commands_.setPopupNode(node);
    tree_.selectNode(node);
}

bool ObjectSearch::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // Only keys and mouse releases matter here. Other events also reach the filter while a
    // watched widget is being destroyed, when reading its guarded pointer would cast an object
    // that is no longer of its type.
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease &&
        type != QEvent::MouseButtonRelease)
        return false;
    if (watched == button_) {
        if (type == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Shift) {
                append_ = true;
            } else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                button_->click();
                return true;
            }
        } else if (type == QEvent::KeyRelease) {
            append_ = false;
        }
        return false;
    }
    if (watched != nullptr && (watched == box_ || watched == searchEdit_)) {
        if (type != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (button_ != nullptr)
                button_->setFocus();
            return true;
        }
        if (key->key() == Qt::Key_F3) {
            if (tree_.isEnabled()) {
                tree_.focus();
                recordSearchText();
                findNext(key->modifiers().testFlag(Qt::ShiftModifier));
            }
            return true;
        }
        return false;
    }
    if (watched == foundViewport_ && found_ != nullptr && type == QEvent::MouseButtonRelease) {
        const auto* release = static_cast<QMouseEvent*>(event);
        const QPoint pos = release->position().toPoint();
        QTreeWidgetItem* entry = found_->itemAt(pos);
        if (entry != nullptr) {
            found_->setCurrentItem(entry);
            foundEntryChosen(found_->indexOfTopLevelItem(entry));
        }
        tree_.focus();
        // Anywhere over the list: the popup acts on the entry chosen last.
        if (release->button() == Qt::RightButton && foundMenu_ != nullptr)
            foundMenu_->popup(found_->viewport()->mapToGlobal(pos));
        return false;
    }
    return false;
}
