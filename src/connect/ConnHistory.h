#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The connection history: complete connection strings, newest first, passwords in clear while
// the program runs. Unlimited in memory; only the first kStoredMax entries are written to the
// settings file.
class ConnHistory {
public:
    static constexpr int kStoredMax = 20;

    // Replaces the list; blank entries are skipped.
    void load(const QStringList& entries);

    // Puts connStr (trailing spaces removed) at the front after removing every entry equal to
    // it apart from its password items. Returns the positions removed, highest first, so that a
    // list widget can mirror the change; a blank string is not added and gives no positions.
    QList<int> addToFront(const QString& connStr);

    // False when pos is out of range.
    bool removeAt(int pos);

    // What the settings file keeps: the first kStoredMax entries.
    QStringList stored() const { return entries_.mid(0, kStoredMax); }

    const QStringList& entries() const { return entries_; }
    int size() const { return static_cast<int>(entries_.size()); }
    QString at(int pos) const { return entries_.value(pos); }

private:
    QStringList entries_;
};
