#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class ObjectCommands;
class ObjectTree;
class QComboBox;
class QLabel;
class QMenu;
class QTabBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// The main window's widgets of the object filter and search; the window keeps ownership and
// layout.
struct ObjectSearchUi {
    QTabBar* TabObjects = nullptr;
    QComboBox* CB_srch_obj = nullptr;
    QToolButton* Cmd_srch_obj = nullptr;
    QTreeWidget* LV_Found = nullptr;
    QLabel* L_Found = nullptr;
    QMenu* mn_mouse7 = nullptr;
    // Heights in twips of LV_Found and the tree as laid out, and a new height for LV_Found
    // (the window then lays the left column out again, the tree above the list). May be empty.
    std::function<double()> foundListHeight;
    std::function<double()> treeHeight;
    std::function<void(double)> setFoundListHeight;
};

// Search rules over the tree's nodes. A name matches when it contains the text, blind to case,
// width and kana (the search folding shared with the input area's searches).

// Objects under roots whose names contain text, in tree order; the other objects are closed
// (their columns stay loaded). An empty text finds and closes nothing.
QList<QTreeWidgetItem*> SearchObjects(const QList<QTreeWidgetItem*>& roots, const QString& text);

// The object F3 (forward) or Shift+F3 (backward) moves to from the selected node, within the
// selected node's root and without wrapping; null when there is none. From a root the search
// starts at its first object, from an object at the next one, from a column at its own object.
QTreeWidgetItem* FindNextObject(QTreeWidgetItem* selected, const QString& text, bool backward);

// LV_Found's height (twips) after a search-all: 0 when empty; 1800 when it shows entries but is
// lower than 100 while the tree is taller than 3000; else as it was.
double FoundListHeight(int entries, double listHeight, double treeHeight);

// "検出(n)：" followed by the search text.
QString FoundCaption(int found, const QString& text);

// The object tabs, the search-all button with its text box and history, the result list
// LV_Found with its popup, and F3 in the tree.
class ObjectSearch : public QObject {
    Q_OBJECT

public:
    ObjectSearch(const ObjectSearchUi& ui, ObjectTree& tree, ObjectCommands& commands,
                 QObject* parent = nullptr);

    // A click on a tab of TabObjects.
    void tabClicked(int index);
    // Cmd_srch_obj: lists every object whose name contains the search text. Appends to the
    // results when the append flag is set (Shift on the button) or Shift is held.
    void searchAll();
    // F3 in the tree: moves the selection to the next (previous) matching object.
    void findNext(bool backward);
    // Keeps the search text at the top of CB_srch_obj's list unless an entry equals it.
    void recordSearchText();
    // An entry of LV_Found was chosen: its object becomes the popup node and the selection.
    void foundEntryChosen(int entry);

    QString searchText() const;
    bool appendFlag() const { return append_; }
    // The objects of LV_Found's entries, in the same order.
    const QList<QTreeWidgetItem*>& results() const { return results_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void dropResults();
    void sizeFoundList();

    // The widgets, as guarded pointers: while the window is destroyed, events still reach the
    // filter after some of them are gone.
    QPointer<QTabBar> tabs_;
    QPointer<QComboBox> box_;
    QPointer<QToolButton> button_;
    QPointer<QTreeWidget> found_;
    QPointer<QLabel> foundLabel_;
    QPointer<QMenu> foundMenu_;
    std::function<double()> foundListHeight_;
    std::function<double()> treeHeight_;
    std::function<void(double)> setFoundListHeight_;
    ObjectTree& tree_;
    ObjectCommands& commands_;
    QList<QTreeWidgetItem*> results_;
    bool append_ = false;
    // Kept from construction and only compared.
    QObject* foundViewport_ = nullptr;
    QObject* searchEdit_ = nullptr;
};
