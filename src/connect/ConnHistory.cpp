#include "connect/ConnHistory.h"

#include "connect/ConnStrItems.h"
#include "connect/ConnectionString.h"

void ConnHistory::load(const QStringList& entries)
{
    entries_.clear();
    for (const QString& e : entries) {
        if (!e.trimmed().isEmpty())
            entries_ << e;
    }
}

QList<int> ConnHistory::addToFront(const QString& connStr)
{
    const QString e = connstr::trimTrailingSpaces(connStr);
    QList<int> removed;
    if (e.trimmed().isEmpty())
        return removed;
    // The file keeps entries without their passwords: one that differs only in its password is
    // the same entry, and the newer password replaces the older.
    const QString stored = connstr::withoutPasswords(e);
    for (int i = size() - 1; i >= 0; --i) {
        if (entries_.at(i) == e || connstr::withoutPasswords(entries_.at(i)) == stored) {
            entries_.removeAt(i);
            removed << i;
        }
    }
    entries_.prepend(e);
    return removed;
}

bool ConnHistory::removeAt(int pos)
{
    if (pos < 0 || pos >= size())
        return false;
    entries_.removeAt(pos);
    return true;
}
