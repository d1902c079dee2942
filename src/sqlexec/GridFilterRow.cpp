#include "sqlexec/GridFilterRow.h"

#include "sqlexec/ResultGridModel.h"

#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

GridFilterRow::GridFilterRow(QTableView* view, QWidget* parent)
    : QWidget(parent), view_(view), viewObject_(view), strip_(new QWidget(this))
{
    setObjectName(QStringLiteral("Fra_filter"));
    if (view_ != nullptr) {
        view_->installEventFilter(this);
        connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
                &GridFilterRow::place);
    }
}

void GridFilterRow::setModel(ResultGridModel* model)
{
    if (model_ != nullptr)
        disconnect(model_, nullptr, this, nullptr);
    model_ = model;
    if (model_ != nullptr)
        connect(model_, &QAbstractItemModel::modelReset, this, &GridFilterRow::rebuild);
    rebuild();
}

QLineEdit* GridFilterRow::box(int column) const
{
    const auto i = static_cast<std::size_t>(column - 1);
    return column >= 1 && i < boxes_.size() ? boxes_[i] : nullptr;
}

void GridFilterRow::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    if (model_ == nullptr)
        return;
    if (!visible) {
        model_->clearFilters();
        return;
    }
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        model_->setFilter(static_cast<int>(i) + 1, boxes_[i]->text());
}

QSize GridFilterRow::sizeHint() const
{
    const QLineEdit sample;
    return {QWidget::sizeHint().width(), sample.sizeHint().height()};
}

void GridFilterRow::rebuild()
{
    for (QLineEdit* box : boxes_)
        delete box;
    boxes_.clear();
    const int columns = model_ != nullptr ? model_->resultColumnCount() : 0;
    for (int c = 1; c <= columns; ++c) {
        auto* box = new QLineEdit(strip_);
        box->setObjectName(QStringLiteral("TB_filter_%1").arg(c));
        box->setProperty("index", c);
        box->setClearButtonEnabled(true);
        box->setToolTip(model_->headerText(c));
        connect(box, &QLineEdit::textChanged, this, [this, c](const QString& text) {
            if (!isHidden() && model_ != nullptr)
                model_->setFilter(c, text);
        });
        box->show();
        boxes_.push_back(box);
    }
    watchHeader();
    place();
}

void GridFilterRow::watchHeader()
{
    QHeaderView* header = view_ != nullptr ? view_->horizontalHeader() : nullptr;
    if (header == nullptr || header == watchedHeader_)
        return;
    if (watchedHeader_ != nullptr)
        disconnect(watchedHeader_, nullptr, this, nullptr);
    watchedHeader_ = header;
    connect(header, &QHeaderView::sectionResized, this, &GridFilterRow::place);
    connect(header, &QHeaderView::sectionMoved, this, &GridFilterRow::place);
    connect(header, &QHeaderView::geometriesChanged, this, &GridFilterRow::place);
}

void GridFilterRow::place()
{
    if (view_ == nullptr)
        return;
    watchHeader();
    const QHeaderView* header = view_->horizontalHeader();
    // The strip lies over the grid's viewport, so a box scrolled out of it is cut at its edge.
    const QWidget* viewport = view_->viewport();
    const int left = mapFromGlobal(viewport->mapToGlobal(QPoint(0, 0))).x();
    strip_->setGeometry(left, 0, std::max(0, std::min(viewport->width(), width() - left)),
                        height());
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const int column = static_cast<int>(i) + 1;
        QLineEdit* box = boxes_[i];
        if (column >= header->count() || header->isSectionHidden(column)) {
            box->hide();
            continue;
        }
        box->setGeometry(header->sectionViewportPosition(column), 0, header->sectionSize(column),
                         height());
        box->show();
    }
}

void GridFilterRow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    place();
}

bool GridFilterRow::eventFilter(QObject* watched, QEvent* event)
{
    // The type first, and the view as it was when watched: the view still sends events while
    // it is destroyed, when its guarded pointer may no longer be read as one.
    if ((event->type() == QEvent::Resize || event->type() == QEvent::Move) &&
        watched == viewObject_)
        place();
    return QWidget::eventFilter(watched, event);
}
