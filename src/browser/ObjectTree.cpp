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
    : QObject(parent), ui_(ui), tree_(ui.TreeView1), db_(db), prompts_(prompts),
      ownerWindow_(owner), catalog_(db)
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
    // While work runs on the connection no node is opened: the tree follows the connection's
    // record, as the main window's commands do.
    connect(&db_.work(), &ConnectionWork::changed, this,
            [this] { tree_->setEnabled(!db_.work().busy()); });
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

bool ObjectTree::refuseWhileBusy(const QString& title)
{
    return db_.work().refuseWhileBusy(prompts_, ownerWindow_, title);
}

void ObjectTree::loadObjectTree()
{
    // A load during other work (or from the events of a running load, its question box) would
    // pull the roots from under that work: it is refused before anything is touched.
    if (refuseWhileBusy(kLoadTitle) || !db_.DbIsConnected())
        return;

    resetSearchList();
    if (ui_.moveSearchHeaderToBottom)
        ui_.moveSearchHeaderToBottom();

    // The whole load, its question included, is one piece of work: nothing else starts on the
    // connection, nor a second load, until the tree is whole again.
    const ConnectionWork::Scope work(db_.work(), ConnectionWork::Kind::Catalog);
    emit nodesAboutToBeRemoved();
    objects_ = CatalogRead::Objects{};
    tree_->clear();
    {
        RebuildGuard guard(*this);
        tree_->addTopLevelItem(makeNode(QLatin1String(kKeyTables), QLatin1String(kKeyTables),
                                        QLatin1String(kTagTables), QStringLiteral("tables")));
        tree_->addTopLevelItem(makeNode(QLatin1String(kKeyViews), QLatin1String(kKeyViews),
                                        QLatin1String(kTagViews), QStringLiteral("tables")));
        tree_->addTopLevelItem(makeNode(QLatin1String(kKeySynonyms), QLatin1String(kKeySynonyms),
                                        QLatin1String(kTagSynonyms), QStringLiteral("tables")));
    }

    // An abandoned load leaves bare roots, and the name lists say the same: never the part of
    // a failed read, nor the synonyms of a read the user declined.
    CatalogRead::Objects objects;
    CatalogRead::Outcome outcome = catalog_.objects(owner_, objects);
    // A stopped read (the program ending) asks nothing.
    if (outcome.end == CatalogRead::End::Stopped)
        return;
    if (!outcome.read() || (objects.tables.isEmpty() && objects.views.isEmpty())) {
        const QString first = outcome.read()
                                  ? QStringLiteral("TABLE/VIEW/SYNONYMが取得できませんでした。")
                                  : QStringLiteral("TABLE/VIEW/SYNONYMの取得に失敗しました。");
        const Prompts::Answer answer =
            prompts_.ask(ownerWindow_, Prompts::Icon::Question, kLoadTitle,
                         first + QStringLiteral("\nテーブルオーナー無視で、再取得しますか？"),
                         Prompts::Buttons::YesNo, Prompts::Answer::Yes);
        if (answer != Prompts::Answer::Yes)
            return;
        outcome = catalog_.objects(std::nullopt, objects);
        if (outcome.end == CatalogRead::End::Stopped)
            return;
        if (!outcome.read()) {
            prompts_.tell(ownerWindow_, Prompts::Icon::Warning, kLoadTitle,
                          QStringLiteral("TABLE/VIEW/SYNONYMが取得できません。"));
            return;
        }
        owner_ = std::nullopt;
    }

    objects_ = std::move(objects);
    fillObjects();
    selectTableTab();
}

void ObjectTree::fillObjects()
{
    RebuildGuard guard(*this);
    struct Group {
        const char* key;
        const QStringList& names;
        const char* tag;
    };
    const Group groups[] = {{kKeyTables, objects_.tables, kTagTable},
                            {kKeyViews, objects_.views, kTagView},
                            {kKeySynonyms, objects_.synonyms, kTagSynonym}};
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
    // Refused or stopped, the node keeps its placeholder and closes again, so that opening it
    // later reads its columns; it is never left half filled.
    if (refuseWhileBusy(QString::fromUtf8(kColumnsTitle))) {
        node->setExpanded(false);
        return;
    }
    const QPersistentModelIndex at = persistentIndex(node);
    CatalogRead::Columns columns;
    const CatalogRead::Outcome outcome = readColumnsOf(node, columns);
    // The read lets the window's events run: the node may have gone meanwhile.
    node = nodeOf(at);
    if (node == nullptr)
        return;
    if (outcome.end == CatalogRead::End::Stopped || outcome.end == CatalogRead::End::Busy) {
        node->setExpanded(false);
        return;
    }
    // A read that failed (or found no connection) is final: the object stays empty.
    if (outcome.read())
        addColumnNodes(node, columns);
    delete node->takeChild(0);
}

std::optional<CatalogRead::Columns> ObjectTree::readColumns(QTreeWidgetItem* node)
{
    if (!isObjectNode(node) || refuseWhileBusy(QString::fromUtf8(kColumnsTitle)))
        return std::nullopt;
    CatalogRead::Columns columns;
    if (!readColumnsOf(node, columns).read())
        return std::nullopt;
    return columns;
}

CatalogRead::Outcome ObjectTree::readColumnsOf(const QTreeWidgetItem* node,
                                               CatalogRead::Columns& out)
{
    // Views have no keys; a synonym's are its table's.
    const bool keys = keyOf(node->parent()) != QLatin1String(kKeyViews);
    return catalog_.columns(owner_, node->text(0), keys, out);
}

void ObjectTree::addColumnNodes(QTreeWidgetItem* node, const CatalogRead::Columns& columns)
{
    const QString kind = keyOf(node->parent());
    const bool view = kind == QLatin1String(kKeyViews);
    const bool table = kind == QLatin1String(kKeyTables);
    const QString desc = QStringLiteral("desc");
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(columns.count());
    for (int i = 0; i < columns.count(); ++i) {
        QTreeWidgetItem* column =
            makeNode(columns.names.value(i), QString(), QLatin1String(kTagColName),
                     view ? QStringLiteral("col_v") : QStringLiteral("col"));
        column->addChild(
            makeNode(columns.typeTexts.value(i), QString(), QLatin1String(kTagColType), desc));
        const std::int16_t position = columns.keyPositions.value(i);
        if (table && position > 0)
            column->addChild(makeNode(QStringLiteral("Primary Key #%1").arg(position), QString(),
                                      QLatin1String(kTagPkey), desc));
        nodes.append(column);
    }
    node->addChildren(nodes);
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
