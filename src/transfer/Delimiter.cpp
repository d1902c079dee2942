#include "transfer/Delimiter.h"

std::optional<QString> delimiterFromBox(const QString& typed)
{
    if (typed.isEmpty())
        return std::nullopt;
    const QString trimmed = typed.trimmed();
    if (trimmed == QStringLiteral("TAB"))
        return QStringLiteral("\t");
    if (trimmed.isEmpty())
        return typed.contains(u'\t') ? QStringLiteral("\t") : QStringLiteral(" ");
    return trimmed;
}
