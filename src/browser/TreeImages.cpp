#include "browser/TreeImages.h"

#include <QHash>

static void initBrowserResources()
{
    // The resource file sits in a static library, whose registration the linker may drop.
    Q_INIT_RESOURCE(browser);
}

const QStringList& TreeImages::keys()
{
    static const QStringList list{QStringLiteral("tables"),  QStringLiteral("desc"),
                                  QStringLiteral("col"),     QStringLiteral("col_v"),
                                  QStringLiteral("synonym"), QStringLiteral("table"),
                                  QStringLiteral("view")};
    return list;
}

QIcon TreeImages::icon(const QString& key)
{
    // The main window's resource file holds the object and column drawings; the view column
    // and the description mark are this folder's own.
    static const QHash<QString, QIcon> images = [] {
        initBrowserResources();
        const QHash<QString, QString> files{
            {QStringLiteral("tables"), QStringLiteral(":/icons/roots.png")},
            {QStringLiteral("desc"), QStringLiteral(":/browser/desc.png")},
            {QStringLiteral("col"), QStringLiteral(":/icons/column.png")},
            {QStringLiteral("col_v"), QStringLiteral(":/browser/col_v.png")},
            {QStringLiteral("synonym"), QStringLiteral(":/icons/synonym.png")},
            {QStringLiteral("table"), QStringLiteral(":/icons/table.png")},
            {QStringLiteral("view"), QStringLiteral(":/icons/view.png")},
        };
        QHash<QString, QIcon> result;
        for (auto it = files.begin(); it != files.end(); ++it)
            result.insert(it.key(), QIcon(it.value()));
        return result;
    }();
    return images.value(key);
}
