#pragma once

#include "history/ClassSQL.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

// The SQL history without its window: the entries (oldest first), the queue of entries still
// to be appended to SQLHIST.TXT, the capacity and the file's trim at exit.
class HistoryLog {
public:
    // Time stamps are 17 characters: "yy/mm/dd hh:nn:ss".
    static constexpr int kStampLength = 17;
    // Data-source texts longer than this are cut and get "...".
    static constexpr int kDsnMaxChars = 64;

    // filePath: SQLHIST.TXT; maxHist: the capacity from the settings.
    HistoryLog(QString filePath, int maxHist);

    // The clock; tests give a fixed one.
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

    // ReadHist: the entries of the file, the oldest dropped beyond the capacity. Two entries
    // with the same stamp (two program instances in the same second) are both kept.
    void read();
    // AddHist: nothing for an empty statement. Drops the oldest entries to make room and
    // returns how many were dropped (-1 when nothing was added). The stamp is unique: a second
    // already taken gives the next free one.
    int add(const QString& dsnText, const QString& sql);
    // Appends the oldest pending entry to the file; false when nothing was pending. The entry
    // leaves the queue also when the write fails.
    bool writeNextPending();
    // SaveHist: pending entries written, then the file cut to the newest maxHist records. The
    // file, not the memory, is trimmed, so what other instances appended is kept. A file that
    // cannot be read or replaced is left as it was.
    void trimFile();

    bool Changed() const { return changed_; }
    const QList<ClassSQL>& entries() const { return entries_; }
    // Serial numbers of the entries, parallel to entries(): a row of the window finds its entry
    // by it, also when two entries share a stamp.
    const QList<quint64>& serials() const { return serials_; }
    // Index of the entry with this serial, -1 when it is gone.
    int indexOfSerial(quint64 serial) const;

    // Cursor methods of the input area: the statement at the resulting position, "" where
    // there is none. Next walks towards older entries, Back towards newer ones.
    QString GetHistCurr(std::int16_t& hist_no) const;
    QString GetHistNext(std::int16_t& hist_no) const;
    QString GetHistBack(std::int16_t& hist_no) const;
    int GetHistNum() const { return static_cast<int>(entries_.size()); }

    // The header of an entry: stamp, a space, the data-source text (cut beyond 64 characters).
    static QString header(const QString& stamp, const QString& dsnText);
    static QString stampOf(const ClassSQL& entry) { return entry.SQLhead.left(kStampLength); }
    static QString dsnOf(const ClassSQL& entry) { return entry.SQLhead.mid(kStampLength + 1); }

private:
    bool hasStamp(const QString& stamp) const;
    void append(const ClassSQL& entry);
    QString statementAt(std::int16_t pos) const;

    QString path_;
    int maxHist_;
    QList<ClassSQL> entries_;
    QList<quint64> serials_;
    quint64 nextSerial_ = 1;
    QList<ClassSQL> pending_;
    bool changed_ = false;
    std::function<QDateTime()> clock_;
};
