#include "base/SortImageHeader.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeader>

#include <algorithm>
#include <cmath>

SortImageHeader::SortImageHeader(int imageRole, QHash<QString, QIcon> images, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), imageRole_(imageRole), images_(std::move(images))
{
}

QString SortImageHeader::caption(int column) const
{
    return model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

QString SortImageHeader::imageKey(int column) const
{
    return model() != nullptr ? model()->headerData(column, Qt::Horizontal, imageRole_).toString()
                              : QString();
}

int SortImageHeader::captionWidth(const QString& text) const
{
    return static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(text)));
}

int SortImageHeader::imageExtent(const QStyleOptionHeader& opt) const
{
    return iconSize().isValid() ? iconSize().height()
                                : style()->pixelMetric(QStyle::PM_SmallIconSize, &opt, this);
}

int SortImageHeader::captionAndImageWidth(int column) const
{
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, column);
    // The label area lies inside the section by the style's insets, as paintSection finds.
    opt.rect = QRect(0, 0, 1000, height());
    const int insets =
        opt.rect.width() - style()->subElementRect(QStyle::SE_HeaderLabel, &opt, this).width();
    return insets + captionWidth(caption(column)) +
           style()->pixelMetric(QStyle::PM_HeaderMargin, &opt, this) + imageExtent(opt);
}

void SortImageHeader::makeRoomForImage(int column)
{
    if (model() == nullptr || column < 0 || column >= count() || imageKey(column).isEmpty())
        return;
    const int wanted = captionAndImageWidth(column);
    if (sectionSize(column) < wanted)
        resizeSection(column, wanted);
}

void SortImageHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    const QString key = imageKey(logicalIndex);
    const QIcon icon = key.isEmpty() ? QIcon() : images_.value(key);
    if (icon.isNull() || !rect.isValid()) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    initStyleOptionForIndex(&opt, logicalIndex);
    opt.rect = rect;
    // The caption whole: the option's may be cut already to the section without image.
    const QString text = caption(logicalIndex);
    opt.icon = QIcon();
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);

    const QRect area = style()->subElementRect(QStyle::SE_HeaderLabel, &opt, this);
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &opt, this);
    const int extent = imageExtent(opt);
    const QSize image(extent, extent);
    const int textWidth =
        std::clamp(captionWidth(text), 0, std::max(0, area.width() - image.width() - margin));
    const int block = textWidth + margin + image.width();
    int left = area.left();
    const Qt::Alignment align = opt.textAlignment & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignRight)
        left = area.right() + 1 - block;
    else if (align & Qt::AlignHCenter)
        left = area.left() + (area.width() - block) / 2;
    left = std::max(left, area.left());

    QStyleOptionHeader label = opt;
    label.rect = QRect(left, area.top(), textWidth, area.height());
    label.text = opt.fontMetrics.elidedText(text, Qt::ElideRight, textWidth);
    label.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
    const QRect imageRect(left + textWidth + margin,
                          area.top() + (area.height() - image.height()) / 2, image.width(),
                          image.height());
    icon.paint(painter, imageRect.intersected(rect));
}
