#pragma once

#include "browser/CatalogRead.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class ODBCComm;
class Prompts;
class QFrame;
class QLabel;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// Node kinds (tags) and root keys of the object tree. A node's tag is also the image key of
// object nodes, which the search list relies on.
namespace objtree {
inline constexpr char kTagTables[] = "tables";
inline constexpr char kTagViews[] = "views";
inline constexpr char kTagSynonyms[] = "synonyms";
inline constexpr char kTagTable[] = "table";
inline constexpr char kTagView[] = "view";
inline constexpr char kTagSynonym[] = "synonym";
inline constexpr char kTagDummy[] = "dummy";
inline constexpr char kTagColName[] = "colname";
inline constexpr char kTagColType[] = "coltype";
inline constexpr char kTagPkey[] = "pkey";

inline constexpr char kKeyTables[] = "TABLE";
inline constexpr char kKeyViews[] = "VIEW";
inline constexpr char kKeySynonyms[] = "SYNONYM";

inline constexpr char kPlaceholder[] = "Columns 取得中...";
// The title of the boxes of a column read (its refusal during other work).
inline constexpr char kColumnsTitle[] = "QUORVANT";
} // namespace objtree

// The main window's widgets the tree works on; the main window keeps ownership and layout.
struct ObjectTreeUi {
    QTreeWidget* TreeView1 = nullptr;
    QTreeWidget* LV_Found = nullptr;
    QLabel* L_Found = nullptr;
    QFrame* Fra_Found = nullptr;
    QTabBar* TabObjects = nullptr;
    // Gives LV_Found the height 0 and puts Fra_Found at the bottom of the left column (above
    // the status bar when it is shown), the tree filling the space above it. May be empty.
    std::function<void()> moveSearchHeaderToBottom;
};

// The object tree TreeView1: three roots with the tables, views and synonyms of the connected
// database, each object's columns read when its node is first opened. The tree widget is this
// class's alone: the search and the generated commands reach it through the calls below. The
// reads are CatalogRead's; this class asks it and fills nodes. A read that arrives while other
// work runs on the connection is refused with the connection's one busy box, and leaves the
// nodes as they were.
//
// Node data lives in the item's column 0: the caption as its text, and the key, tag and image
// key under the roles below (the icon is the image's).
class ObjectTree : public QObject {
    Q_OBJECT

public:
    static constexpr int KeyRole = 0x0100 + 1; // Qt::UserRole + 1
    static constexpr int TagRole = 0x0100 + 2;
    static constexpr int ImageRole = 0x0100 + 3;

    ObjectTree(const ObjectTreeUi& ui, ODBCComm& db, Prompts& prompts, QWidget* owner,
               QObject* parent = nullptr);
    ~ObjectTree() override;

    static QString keyOf(const QTreeWidgetItem* node);
    static QString tagOf(const QTreeWidgetItem* node);
    static QString imageOf(const QTreeWidgetItem* node);
    static bool isObjectNode(const QTreeWidgetItem* node);
    static bool isRootNode(const QTreeWidgetItem* node);

    // Switches the tree's repainting off while nodes change and restores it afterwards; used
    // around every rebuild (the load here, the object tabs of the search).
    class RebuildGuard {
    public:
        explicit RebuildGuard(ObjectTree& tree);
        ~RebuildGuard();
        RebuildGuard(const RebuildGuard&) = delete;
        RebuildGuard& operator=(const RebuildGuard&) = delete;

    private:
        QTreeWidget* tree_;
        bool wasEnabled_;
    };

    // The user ID of the current connection; std::nullopt reads every owner's objects. Set by
    // the main window after each connect, before loadObjectTree.
    void setOwnerFilter(const std::optional<QString>& owner) { owner_ = owner; }
    const std::optional<QString>& ownerFilter() const { return owner_; }

    // Refills the tree from the catalog; does nothing while disconnected.
    void loadObjectTree();
    // "TABLE/VIEW/SYNONYMの再取得" (mn_get_tables).
    void getTablesCommand() { loadObjectTree(); }

    // Opens the root of one object group and closes the others ("TABLE", "VIEW", "SYNONYM"),
    // or opens all three ("ALL"), and selects the group's root. Nothing happens on an empty
    // tree.
    void openGroup(const QString& key);

    // The root node with this key ("TABLE", "VIEW", "SYNONYM"), or null.
    QTreeWidgetItem* root(const QString& key) const;

    // Object names of the last load, in catalog order.
    const QStringList& tableNames() const { return objects_.tables; }
    int tableCount() const { return static_cast<int>(objects_.tables.size()); }
    const QStringList& viewNames() const { return objects_.views; }
    int viewCount() const { return static_cast<int>(objects_.views.size()); }
    const QStringList& synonymNames() const { return objects_.synonyms; }
    int synonymCount() const { return static_cast<int>(objects_.synonyms.size()); }

    // Reads the columns of an object node afresh (the generated statements and the attribute
    // view want the catalog as it is now); the node's own children are not touched. Nothing
    // when the read fails, or when other work runs (refused with the busy box).
    std::optional<CatalogRead::Columns> readColumns(QTreeWidgetItem* node);

    // The one refusal of a tree command that arrives while other work runs on the connection:
    // the busy box titled title, and true. A command refused here is not started at all.
    bool refuseWhileBusy(const QString& title);

    // The button of the last mouse press on the tree.
    Qt::MouseButton lastMouseButton() const { return lastMouseButton_; }

    QTreeWidgetItem* currentNode() const;
    void selectNode(QTreeWidgetItem* node);
    void focus();
    bool isEmpty() const;
    bool isEnabled() const;
    void setEnabled(bool enabled);
    // The node under a point of the tree's viewport, and that point on the screen.
    QTreeWidgetItem* nodeAt(const QPoint& pos) const;
    QPoint globalPos(const QPoint& pos) const;
    // A reference to node that reads as none once the node is removed.
    QPersistentModelIndex persistentIndex(QTreeWidgetItem* node) const;
    QTreeWidgetItem* nodeOf(const QPersistentModelIndex& index) const;

signals:
    // Every node is about to be removed: node pointers kept elsewhere (the search results)
    // must be dropped now.
    void nodesAboutToBeRemoved();
    // A popup was asked for at a point of the tree's viewport (right click, menu key).
    void popupRequested(const QPoint& pos);
    // A key was pressed in the tree; F3 (Shift+F3 backward) asks for the next match instead.
    void keyPressed();
    void findNextRequested(bool backward);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onItemExpanded(QTreeWidgetItem* node);
    CatalogRead::Outcome readColumnsOf(const QTreeWidgetItem* node, CatalogRead::Columns& out);
    static void addColumnNodes(QTreeWidgetItem* node, const CatalogRead::Columns& columns);
    void fillObjects();
    void resetSearchList();
    void selectTableTab();
    void startDrag();

    ObjectTreeUi ui_;
    QTreeWidget* tree_;
    // The tree and its viewport, which carry the event filter.
    QObject* viewport_ = nullptr;
    QObject* treeWidget_ = nullptr;
    ODBCComm& db_;
    Prompts& prompts_;
    QWidget* ownerWindow_;
    CatalogRead catalog_;

    std::optional<QString> owner_;
    CatalogRead::Objects objects_;

    Qt::MouseButton lastMouseButton_ = Qt::NoButton;
    QPoint pressPos_;
    bool dragArmed_ = false;
};
