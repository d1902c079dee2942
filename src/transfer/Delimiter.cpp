#include "transfer/Delimiter.h"

QString trimSpaces(const QString& typed)
{
    qsizetype from = 0;
    qsizetype to = typed.size();
    while (from < to && typed[from] == u' ')
        ++from;
    while (to > from && typed[to - 1] == u' ')
        --to;
    return typed.mid(from, to - from);
}

std::optional<QString> delimiterFromBox(const QString& typed)
{
    if (typed.isEmpty())
        return std::nullopt;
    const QString trimmed = trimSpaces(typed);
    if (trimmed == QStringLiteral("TAB"))
        return QStringLiteral("\t");
    if (trimmed.isEmpty())
        return QStringLiteral(" ");
    return trimmed;
}
