#include "odbc/comm/PendingWork.h"

#include <algorithm>

std::int64_t PendingWork::rows() const
{
    std::int64_t sum = 0;
    for (const Entry& e : entries_)
        sum += std::max<std::int64_t>(0, e.rows);
    return sum;
}

QDateTime PendingWork::since() const
{
    return entries_.isEmpty() ? QDateTime() : entries_.first().at;
}

void PendingWork::record(const Entry& entry)
{
    entries_.append(entry);
    emit changed();
}

void PendingWork::dropLast()
{
    if (entries_.isEmpty())
        return;
    entries_.removeLast();
    emit changed();
}

void PendingWork::clear()
{
    if (entries_.isEmpty())
        return;
    entries_.clear();
    emit changed();
}

QString PendingPanelText(const PendingWork& pending, const QDateTime& now)
{
    if (pending.empty())
        return {};
    const std::int64_t seconds = std::max<std::int64_t>(0, pending.since().secsTo(now));
    return QStringLiteral("未確定 %1文 / %2行 / %3:%4")
        .arg(pending.statements())
        .arg(pending.rows())
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString PendingQuestionText(const PendingWork& pending, const QDateTime& now)
{
    const std::int64_t minutes = std::max<std::int64_t>(0, pending.since().secsTo(now)) / 60;
    return QStringLiteral("未確定の変更があります（%1文、%2行、%3分前から）。COMMITしますか？")
        .arg(pending.statements())
        .arg(pending.rows())
        .arg(minutes);
}
