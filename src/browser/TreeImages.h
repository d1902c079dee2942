#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

// The image list imlTree of the object tree and the search list: seven images under the keys
// "tables", "desc", "col", "col_v", "synonym", "table", "view", in that order.
class TreeImages {
public:
    static const QStringList& keys();
    // The image of a key; a null icon for an unknown key or an empty one.
    static QIcon icon(const QString& key);
};
