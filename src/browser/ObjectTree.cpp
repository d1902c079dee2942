#include "browser/ObjectTree.h"

#include "base/Prompts.h"
#include "browser/TreeImages.h"
#include "odbc/comm/ODBCComm.h"

#include <QApplication>
#include <QDrag>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTreeWidget>

using namespace objtree;

namespace {

const QString kLoadTitle = QStringLiteral("TABLE/VIEW/SYNONYMの取得");

QTreeWidgetItem* makeNode(const QString& text, const QString& key, const QString& tag,
                          const QString& image)
{
    auto* node = new QTreeWidgetItem(QStringList{text});
    if (!key.isEmpty())
        node->setData(0, ObjectTree::KeyRole, key);
    node->setData(0, ObjectTree::TagRole, tag);
    if (!image.isEmpty()) {
        node->setData(0, ObjectTree::ImageRole, image);
        node->setIcon(0, TreeImages::icon(image));
    }
    return node;
}

QList<QTreeWidgetItem*> objectNodes(const QStringList& names, const QString& tag)
{
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(names.size());
    for (const QString& name : names) {
        QTreeWidgetItem* node = makeNode(name, QString(), tag, tag);
        node->addChild(makeNode(QString::fromUtf8(kPlaceholder), QString(),
                                QLatin1String(kTagDummy), QString()));
        nodes.append(node);
    }
    return nodes;
}

// Holds the tree disabled for its lifetime, so that no second expansion starts meanwhile.
class TreeDisabled {
public:
    explicit TreeDisabled(QTreeWidget* tree) : tree_(tree) { tree_->setEnabled(false); }
    ~TreeDisabled() { tree_->setEnabled(true); }
    TreeDisabled(const TreeDisabled&) = delete;
    TreeDisabled& operator=(const TreeDisabled&) = delete;

private:
    QTreeWidget* tree_;
};

class FlagOn {
public:
    explicit FlagOn(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagOn() { flag_ = false; }
    FlagOn(const FlagOn&) = delete;
    FlagOn& operator=(const FlagOn&) = delete;

private:
    bool& flag_;
};

} // namespace

ObjectTree::RebuildGuard::RebuildGuard(ObjectTree& tree)
    : tree_(tree.tree_), wasEnabled_(tree_->updatesEnabled())
{
    tree_->setUpdatesEnabled(false);
}

ObjectTree::RebuildGuard::~RebuildGuard()
{
    tree_->setUpdatesEnabled(wasEnabled_);
}

ObjectTree::ObjectTree(const ObjectTreeUi& ui, ODBCComm& db, Prompts& prompts, QWidget* owner,
                       QObject* parent)
    : QObject(parent), ui_(ui), tree_(ui.TreeView1), db_(db), prompts_(prompts), ownerWindow_(owner)
{
    Q_ASSERT(tree_ != nullptr);
    // Node order is catalog order; the tree's own drag (item data) is replaced by a text drag.
    tree_->setSortingEnabled(false);
    tree_->setDragEnabled(false);
    tree_->setColumnCount(1);
    connect(tree_, &QTreeWidget::itemExpanded, this, &ObjectTree::onItemExpanded);
    viewport_ = tree_->viewport();
    viewport_->installEventFilter(this);
    treeWidget_ = tree_;
    tree_->installEventFilter(this);
    tree_->setIconSize(QSize(16, 16));
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this, &ObjectTree::popupRequested);

    auto noteRemoval = [this] {
        if (loadingColumns_ && !removingOwnNodes_)
            nodesRemoved_ = true;
    };
    connect(tree_->model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, noteRemoval);
    connect(tree_->model(), &QAbstractItemModel::modelAboutToBeReset, this, noteRemoval);
}

ObjectTree::~ObjectTree() = default;

QTreeWidgetItem* ObjectTree::currentNode() const
{
    return tree_->currentItem();
}

void ObjectTree::selectNode(QTreeWidgetItem* node)
{
    tree_->setCurrentItem(node);
}

void ObjectTree::focus()
{
    tree_->setFocus();
}

bool ObjectTree::isEmpty() const
{
    return tree_->topLevelItemCount() == 0;
}

bool ObjectTree::isEnabled() const
{
    return tree_->isEnabled();
}

void ObjectTree::setEnabled(bool enabled)
{
    tree_->setEnabled(enabled);
}

QTreeWidgetItem* ObjectTree::nodeAt(const QPoint& pos) const
{
    return tree_->itemAt(pos);
}

QPoint ObjectTree::globalPos(const QPoint& pos) const
{
    return tree_->viewport()->mapToGlobal(pos);
}

QPersistentModelIndex ObjectTree::persistentIndex(QTreeWidgetItem* node) const
{
    return node != nullptr ? QPersistentModelIndex(tree_->indexFromItem(node))
                           : QPersistentModelIndex();
}

QTreeWidgetItem* ObjectTree::nodeOf(const QPersistentModelIndex& index) const
{
    return index.isValid() ? tree_->itemFromIndex(index) : nullptr;
}

QString ObjectTree::keyOf(const QTreeWidgetItem* node)
{
    return node == nullptr ? QString() : node->data(0, KeyRole).toString();
}

QString ObjectTree::tagOf(const QTreeWidgetItem* node)
{
    return node == nullptr ? QString() : node->data(0, TagRole).toString();
}

QString ObjectTree::imageOf(const QTreeWidgetItem* node)
{
    return node == nullptr ? QString() : node->data(0, ImageRole).toString();
}

bool ObjectTree::isObjectNode(const QTreeWidgetItem* node)
{
    const QString tag = tagOf(node);
    return tag == QLatin1String(kTagTable) || tag == QLatin1String(kTagView) ||
           tag == QLatin1String(kTagSynonym);
}

bool ObjectTree::isRootNode(const QTreeWidgetItem* node)
{
    const QString tag = tagOf(node);
    return tag == QLatin1String(kTagTables) || tag == QLatin1String(kTagViews) ||
           tag == QLatin1String(kTagSynonyms);
}

QTreeWidgetItem* ObjectTree::root(const QString& key) const
{
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = tree_->topLevelItem(i);
        if (keyOf(node) == key)
            return node;
    }
    return nullptr;
}

void ObjectTree::loadObjectTree()
{
    // A load started from the events of a running one (its question box) would pull the roots
    // from under it; other work on the connection runs to its end first.
    if (!db_.DbIsConnected() || loadingTree_ || db_.work().busy())
        return;
    FlagOn loading(loadingTree_);

    resetSearchList();
    if (ui_.moveSearchHeaderToBottom)
        ui_.moveSearchHeaderToBottom();

    emit nodesAboutToBeRemoved();
    tree_->clear();
    tree_->repaint();
    {
        RebuildGuard guard(*this);
        tree_->addTopLevelItem(makeNode(QLatin1String(kKeyTables), QLatin1String(kKeyTables),
                                        QLatin1String(kTagTables), QStringLiteral("tables")));
        tree_->addTopLevelItem(makeNode(QLatin1String(kKeyViews), QLatin1String(kKeyViews),
                                        QLatin1String(kTagViews), QStringLiteral("tables")));
        tree_->addTopLevelItem(makeNode(QLatin1String(kKeySynonyms), QLatin1String(kKeySynonyms),
                                        QLatin1String(kTagSynonyms), QStringLiteral("tables")));
    }

    const bool read = readObjects(owner_);
    if (!read || (tables_.isEmpty() && views_.isEmpty())) {
        const QString first = read ? QStringLiteral("TABLE/VIEW/SYNONYMが取得できませんでした。")
                                   : QStringLiteral("TABLE/VIEW/SYNONYMの取得に失敗しました。");
        const Prompts::Answer answer =
            prompts_.ask(ownerWindow_, Prompts::Icon::Question, kLoadTitle,
                         first + QStringLiteral("\nテーブルオーナー無視で、再取得しますか？"),
                         Prompts::Buttons::YesNo, Prompts::Answer::Yes);
        if (answer != Prompts::Answer::Yes) {
            clearNames();
            return;
        }
        if (!readObjects(std::nullopt)) {
            clearNames();
            prompts_.tell(ownerWindow_, Prompts::Icon::Warning, kLoadTitle,
                          QStringLiteral("TABLE/VIEW/SYNONYMが取得できません。"));
            return;
        }
        owner_ = std::nullopt;
    }

    fillObjects();
    selectTableTab();
}

bool ObjectTree::readObjects(const std::optional<QString>& owner)
{
    int tableCount = 0;
    int viewCount = 0;
    int synonymCount = 0;
    const std::int16_t code =
        db_.DbListObjects(owner, tableCount, tables_, viewCount, views_, synonymCount, synonyms_);
    return code == 0;
}

// An abandoned load leaves bare roots; the name lists say the same, rather than holding the
// part of a failed read or the synonyms of a read the user declined.
void ObjectTree::clearNames()
{
    tables_.clear();
    views_.clear();
    synonyms_.clear();
}

void ObjectTree::fillObjects()
{
    RebuildGuard guard(*this);
    struct Group {
        const char* key;
        const QStringList& names;
        const char* tag;
    };
    const Group groups[] = {{kKeyTables, tables_, kTagTable},
                            {kKeyViews, views_, kTagView},
                            {kKeySynonyms, synonyms_, kTagSynonym}};
    for (const Group& group : groups) {
        QTreeWidgetItem* groupRoot = root(QLatin1String(group.key));
        groupRoot->addChildren(objectNodes(group.names, QLatin1String(group.tag)));
        groupRoot->setText(0, QStringLiteral("%1(%2)")
                                  .arg(QLatin1String(group.key))
                                  .arg(static_cast<qlonglong>(group.names.size())));
    }
}

void ObjectTree::resetSearchList()
{
    if (ui_.LV_Found != nullptr)
        ui_.LV_Found->clear();
    if (ui_.L_Found != nullptr)
        ui_.L_Found->setText(QStringLiteral("検出："));
}

void ObjectTree::selectTableTab()
{
    if (ui_.TabObjects != nullptr) {
        for (int i = 0; i < ui_.TabObjects->count(); ++i) {
            const QVariant data = ui_.TabObjects->tabData(i);
            const QString key = data.isValid() ? data.toString() : ui_.TabObjects->tabText(i);
            if (key == QLatin1String(kKeyTables)) {
                // The tab's own handler may or may not be wired yet; the group is opened here.
                const QSignalBlocker blocker(ui_.TabObjects);
                ui_.TabObjects->setCurrentIndex(i);
                break;
            }
        }
    }
    openGroup(QLatin1String(kKeyTables));
}

void ObjectTree::openGroup(const QString& key)
{
    if (tree_->topLevelItemCount() == 0)
        return;
    const bool all = key == QLatin1String("ALL");
    QTreeWidgetItem* selected = nullptr;
    {
        RebuildGuard guard(*this);
        for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
            QTreeWidgetItem* node = tree_->topLevelItem(i);
            const bool open = all || keyOf(node) == key;
            node->setExpanded(open);
            if (selected == nullptr && (keyOf(node) == key || (all && i == 0)))
                selected = node;
        }
    }
    if (selected != nullptr)
        tree_->setCurrentItem(selected);
}

void ObjectTree::onItemExpanded(QTreeWidgetItem* node)
{
    if (!isObjectNode(node) || node->childCount() == 0 ||
        tagOf(node->child(0)) != QLatin1String(kTagDummy))
        return;
    // Opening the same node again from the events let run below must not read twice.
    if (loadingColumns_ || db_.work().busy())
        return;
    FlagOn loading(loadingColumns_);
    // The column and key reads are one piece of work on the connection.
    const ConnectionWork::Scope work(db_.work(), ConnectionWork::Kind::Columns);
    nodesRemoved_ = false;
    TreeDisabled disabled(tree_);

    const bool loaded = LoadColumns(node);
    if (nodesRemoved_)
        return;
    if (loaded)
        AddColumnNodes(node);
    {
        FlagOn own(removingOwnNodes_);
        delete node->takeChild(0);
    }
}

bool ObjectTree::readColumns(QTreeWidgetItem* node)
{
    if (!isObjectNode(node) || loadingColumns_ || loadingTree_ || db_.work().busy())
        return false;
    FlagOn loading(loadingColumns_);
    const ConnectionWork::Scope work(db_.work(), ConnectionWork::Kind::Columns);
    nodesRemoved_ = false;
    return LoadColumns(node) && !nodesRemoved_;
}

bool ObjectTree::LoadColumns(QTreeWidgetItem* node)
{
    if (!db_.DbIsConnected())
        return false;
    const QString kind = keyOf(node->parent());
    const QString name = node->text(0);

    int count = 0;
    const std::int16_t code =
        db_.DbListColumns(owner_, name, kMaxColumns, count, colNames_, colTypes_);
    colCount_ = count;
    if (code != 0)
        return false;
    keyPositions_.fill(0, count);
    if (kind == QLatin1String(kKeyTables) || kind == QLatin1String(kKeySynonyms))
        db_.DbMarkKeyColumns(owner_, name, count, colNames_, keyPositions_);
    return !nodesRemoved_;
}

void ObjectTree::AddColumnNodes(QTreeWidgetItem* node)
{
    const QString kind = keyOf(node->parent());
    const bool view = kind == QLatin1String(kKeyViews);
    const bool table = kind == QLatin1String(kKeyTables);
    const QString desc = QStringLiteral("desc");
    QList<QTreeWidgetItem*> columns;
    columns.reserve(colCount_);
    for (int i = 0; i < colCount_; ++i) {
        QTreeWidgetItem* column =
            makeNode(colNames_.value(i), QString(), QLatin1String(kTagColName),
                     view ? QStringLiteral("col_v") : QStringLiteral("col"));
        column->addChild(makeNode(colTypes_.value(i), QString(), QLatin1String(kTagColType), desc));
        const std::int16_t position = keyPositions_.value(i);
        if (table && position > 0)
            column->addChild(makeNode(QStringLiteral("Primary Key #%1").arg(position), QString(),
                                      QLatin1String(kTagPkey), desc));
        columns.append(column);
    }
    node->addChildren(columns);
}

bool ObjectTree::eventFilter(QObject* watched, QEvent* event)
{
    // Compared with the pointer kept at construction: the viewport outlives the tree's own
    // destructor (it is deleted as the tree's child) and still gets events then, when calling
    // tree_->viewport() would be a call on a half-destroyed scroll area.
    if (watched == treeWidget_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        emit keyPressed();
        if (key->key() == Qt::Key_F3) {
            emit findNextRequested(key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
        return false;
    }
    if (watched != viewport_)
        return false;
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        const auto* press = static_cast<QMouseEvent*>(event);
        lastMouseButton_ = press->button();
        pressPos_ = press->position().toPoint();
        dragArmed_ = press->button() == Qt::LeftButton && tree_->itemAt(pressPos_) != nullptr;
    } else if (event->type() == QEvent::MouseMove && dragArmed_) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (!(move->buttons() & Qt::LeftButton)) {
            dragArmed_ = false;
        } else if ((move->position().toPoint() - pressPos_).manhattanLength() >=
                   QApplication::startDragDistance()) {
            dragArmed_ = false;
            startDrag();
            return true;
        }
    }
    return false;
}

void ObjectTree::startDrag()
{
    QTreeWidgetItem* node = tree_->itemAt(pressPos_);
    if (node == nullptr)
        return;
    // A drop target gets the caption as plain text and may only copy it; Qt deletes the drag.
    auto* data = new QMimeData;
    data->setText(node->text(0));
    auto* drag = new QDrag(tree_);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}
