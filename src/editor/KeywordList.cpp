#include "editor/KeywordList.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

KeywordList::KeywordList(const KeywordListUi& ui, KeywordListHooks hooks, QObject* parent)
    : QObject(parent), ui_(ui), hooks_(std::move(hooks))
{
    QListWidget* list = ui_.Lst_kwd;
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    // The list starts its own drags (text, copy only); its item drag would offer model data.
    list->setDragEnabled(false);
    list->installEventFilter(this);
    viewport_ = list->viewport();
    list->viewport()->installEventFilter(this);
    connect(list, &QListWidget::itemDoubleClicked, this, [this] { copyToSqlCommand(); });
}

void KeywordList::fill(const QStringList& keywords, int lineHeight)
{
    keywords_ = keywords;
    lineHeight_ = std::max(1, lineHeight);
    QListWidget* list = ui_.Lst_kwd;
    list->clear();
    // Items are made by hand so that each row is exactly one line high.
    for (const QString& k : keywords_) {
        auto* item = new QListWidgetItem(k);
        item->setSizeHint(QSize(0, lineHeight_));
        list->addItem(item);
    }
    list->setSpacing(0);
}

int KeywordList::selectedRow() const
{
    const QList<QListWidgetItem*> items = ui_.Lst_kwd->selectedItems();
    if (items.isEmpty())
        return -1;
    const int row = ui_.Lst_kwd->row(items.first());
    return row < keywords_.size() ? row : -1;
}

void KeywordList::copyToSqlCommand()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    // An empty keyword would only delete the selection of the input area.
    if (keywords_[row].isEmpty())
        return;
    if (hooks_.InsertAtCaret)
        hooks_.InsertAtCaret(keywords_[row]);
}

void KeywordList::copyToClipboardCommand()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(keywords_[row]);
}

void KeywordList::buttonReleased(const QPoint& at, Qt::MouseButton button)
{
    QListWidget* list = ui_.Lst_kwd;
    const int r = at.y() < 0 ? -1 : at.y() / lineHeight_;
    if (r < 0 || r >= keywords_.size()) {
        list->clearSelection();
        list->setCurrentRow(-1);
    } else {
        const QModelIndex top = list->indexAt(QPoint(0, 0));
        const int row = (top.isValid() ? top.row() : 0) + r;
        if (row < list->count())
            list->setCurrentRow(row);
    }
    if (button == Qt::RightButton && selectedRow() >= 0 && ui_.mn_mouse5 != nullptr)
        ui_.mn_mouse5->popup(list->viewport()->mapToGlobal(at));
}

void KeywordList::startDrag()
{
    pressed_ = false;
    const int row = selectedRow();
    if (row < 0)
        return;
    auto* data = new QMimeData;
    data->setText(keywords_[row]);
    auto* drag = new QDrag(ui_.Lst_kwd);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}

bool KeywordList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_.Lst_kwd && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            copyToSqlCommand();
            return true;
        }
        return false;
    }
    if (watched != viewport_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        pressed_ = e->button() == Qt::LeftButton;
        pressPos_ = e->position().toPoint();
        return false;
    }
    case QEvent::MouseMove: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (!pressed_ || !(e->buttons() & Qt::LeftButton)) {
            pressed_ = false;
            return false;
        }
        if ((e->position().toPoint() - pressPos_).manhattanLength() >=
            QApplication::startDragDistance()) {
            startDrag();
            return true;
        }
        return false;
    }
    case QEvent::MouseButtonRelease: {
        const auto* e = static_cast<QMouseEvent*>(event);
        pressed_ = false;
        buttonReleased(e->position().toPoint(), e->button());
        return false;
    }
    default:
        return false;
    }
}
