#pragma once

#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QString>

class QStyleOptionHeader;

// A horizontal header whose sort image stands right of the sort column's caption, caption and
// image keeping the column's alignment together, as in the result grid and the history list.
// The model names a column's image by a key (such as "SortASC") in imageRole; images maps the
// keys to the images drawn.
class SortImageHeader : public QHeaderView {
public:
    SortImageHeader(int imageRole, QHash<QString, QIcon> images, QWidget* parent);

    // Room for the caption whole, the gap and the image.
    int captionAndImageWidth(int column) const;
    // Widens a column with an image whose caption and image would not fit side by side; the
    // caption would otherwise be cut to make room for the image.
    void makeRoomForImage(int column);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    QString caption(int column) const;
    QString imageKey(int column) const;
    // Whole pixels that hold the text: a cut to its rounded advance would elide it.
    int captionWidth(const QString& text) const;
    int imageExtent(const QStyleOptionHeader& opt) const;

    int imageRole_;
    QHash<QString, QIcon> images_;
};
