#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

class QListWidget;
class QMenu;

// The main window's widgets of the keyword list. The main window keeps ownership.
struct KeywordListUi {
    QListWidget* Lst_kwd = nullptr;
    QMenu* mn_mouse5 = nullptr; // "→ SQL入力エリア" / "→ クリップボード"
};

// Work of other features the list hands its keywords to; wired by the main window.
struct KeywordListHooks {
    std::function<void(const QString&)> InsertAtCaret;
};

// Lst_kwd: the keywords of the keyword file, inserted into the input area by double-click,
// Enter, its popup or a drag, or copied to the clipboard.
class KeywordList : public QObject {
    Q_OBJECT

public:
    KeywordList(const KeywordListUi& ui, KeywordListHooks hooks, QObject* parent = nullptr);

    // Fills the list with the keywords in order; every row is lineHeight pixels high, so that
    // a pointer position divided by it is the row under the pointer.
    void fill(const QStringList& keywords, int lineHeight);

    // "→ SQL入力エリア": the selected keyword at the caret; an empty keyword inserts nothing.
    void copyToSqlCommand();
    // "→ クリップボード": the selected keyword on the clipboard.
    void copyToClipboardCommand();

    // The button released at a point of the list's viewport: selects the row under it by the
    // line height, and opens the popup for the right button.
    void buttonReleased(const QPoint& at, Qt::MouseButton button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int selectedRow() const;
    void startDrag();

    KeywordListUi ui_;
    KeywordListHooks hooks_;
    QStringList keywords_;
    int lineHeight_ = 1;
    QObject* viewport_ = nullptr;
    QPoint pressPos_;
    bool pressed_ = false;
};
