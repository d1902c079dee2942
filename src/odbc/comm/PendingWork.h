#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVector>

#include <cstdint>

// What the user has run since the last COMMIT or ROLLBACK that may have changed data or taken
// locks: the statements with their time, the rows the driver reported and how long they ran.
// Kept with the connection: COMMIT, ROLLBACK (by command, typed, or a load's own) and
// disconnect clear it; nothing is ever committed or rolled back because of it.
class PendingWork : public QObject {
    Q_OBJECT

public:
    struct Entry {
        QString sql;
        QDateTime at;
        std::int64_t rows = 0;
        std::int64_t elapsedMs = 0;
    };

    const QVector<Entry>& entries() const { return entries_; }
    bool empty() const { return entries_.isEmpty(); }
    int statements() const { return static_cast<int>(entries_.size()); }
    std::int64_t rows() const;
    // When the oldest pending statement ran (invalid when none).
    QDateTime since() const;

    void record(const Entry& entry);
    // The last statement was taken back.
    void dropLast();
    void clear();

signals:
    void changed();

private:
    QVector<Entry> entries_;
};

// "未確定 n文 / n行 / mm:ss" (the age of the oldest statement), or empty when nothing is pending.
QString PendingPanelText(const PendingWork& pending, const QDateTime& now);
// The question at disconnect and exit.
QString PendingQuestionText(const PendingWork& pending, const QDateTime& now);
