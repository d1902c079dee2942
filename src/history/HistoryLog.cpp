#include "history/HistoryLog.h"

#include "history/StatementCursor.h"
#include "history/StatementListFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace {

// Guards the append and the trim of two program instances against each other: a trim that read
// the file before another instance appended would otherwise drop that record.
class FileLock {
public:
    explicit FileLock(const QString& path) : lock_(path + QStringLiteral(".lock"))
    {
        lock_.setStaleLockTime(10000);
        locked_ = lock_.tryLock(2000);
    }
    bool locked() const { return locked_; }

private:
    QLockFile lock_;
    bool locked_ = false;
};

} // namespace

HistoryLog::HistoryLog(QString filePath, int maxHist)
    : path_(std::move(filePath)), maxHist_(maxHist),
      clock_([] { return QDateTime::currentDateTime(); })
{
}

QString HistoryLog::header(const QString& stamp, const QString& dsnText)
{
    QString dsn = dsnText;
    if (dsn.size() > kDsnMaxChars) {
        qsizetype cut = kDsnMaxChars;
        // Never half a surrogate pair.
        if (dsn[cut - 1].isHighSurrogate())
            --cut;
        dsn = dsn.left(cut) + QStringLiteral("...");
    }
    return stamp + QLatin1Char(' ') + dsn;
}

void HistoryLog::append(const ClassSQL& entry)
{
    entries_.append(entry);
    serials_.append(nextSerial_++);
}

void HistoryLog::read()
{
    entries_.clear();
    serials_.clear();
    pending_.clear();
    QByteArray bytes;
    stmtfile::readFile(path_, bytes);
    QList<QByteArray> records = stmtfile::splitRecords(bytes);
    // Only the newest maxHist records are decoded: a long file costs nothing beyond its bytes.
    if (records.size() > maxHist_)
        records.remove(0, records.size() - maxHist_);
    for (const ClassSQL& entry : stmtfile::decodeRecords(records, stmtfile::codingOf(bytes)))
        append(entry);
}

bool HistoryLog::hasStamp(const QString& stamp) const
{
    for (const ClassSQL& e : entries_) {
        if (stampOf(e) == stamp)
            return true;
    }
    return false;
}

int HistoryLog::add(const QString& dsnText, const QString& sql)
{
    if (sql.isEmpty())
        return -1;
    int dropped = 0;
    while (entries_.size() >= maxHist_ && !entries_.isEmpty()) {
        entries_.removeFirst();
        serials_.removeFirst();
        ++dropped;
    }
    // A stamp already taken moves on to the next free second at once: waiting for the clock
    // would hold a batch of statements up for a second each.
    QDateTime at = clock_();
    QString stamp = at.toString(QStringLiteral("yy/MM/dd HH:mm:ss"));
    while (hasStamp(stamp)) {
        at = at.addSecs(1);
        stamp = at.toString(QStringLiteral("yy/MM/dd HH:mm:ss"));
    }
    const ClassSQL entry{header(stamp, dsnText), sql};
    append(entry);
    pending_.append(entry);
    changed_ = true;
    return dropped;
}

bool HistoryLog::writeNextPending()
{
    if (pending_.isEmpty())
        return false;
    const ClassSQL entry = pending_.takeFirst();
    const FileLock lock(path_);
    // Appending needs only the file's coding, from its first bytes; the file is read whole only
    // when it has to change coding.
    QFile file(path_);
    QByteArray head;
    if (file.open(QIODevice::ReadOnly))
        head = file.read(static_cast<qint64>(codepage::kUtf8Bom.size()));
    else if (QFileInfo::exists(path_))
        return true; // unreadable: its coding is unknown, so nothing is written
    file.close();
    stmtfile::FileCoding coding = stmtfile::codingOf(head);
    if (coding == stmtfile::FileCoding::Cp932 && !stmtfile::cp932HoldsExactly(entry)) {
        coding = stmtfile::FileCoding::Utf8;
        if (!head.isEmpty()) {
            // The older records go over to UTF-8 with the new one in one replacement. Without
            // the lock another instance may be appending, and its record would be lost.
            QByteArray bytes;
            if (!lock.locked() || !stmtfile::readFile(path_, bytes))
                return true;
            QList<QByteArray> records = stmtfile::splitRecords(bytes);
            for (QByteArray& r : records)
                r = stmtfile::recodeRecord(r, stmtfile::FileCoding::Cp932, coding);
            stmtfile::replaceFile(path_, stmtfile::joinRecords(records, coding) +
                                             stmtfile::encodeRecord(entry, coding));
            return true;
        }
        stmtfile::appendToFile(path_,
                               QByteArray(codepage::kUtf8Bom.data(), codepage::kUtf8Bom.size()) +
                                   stmtfile::encodeRecord(entry, coding));
        return true;
    }
    stmtfile::appendToFile(path_, stmtfile::encodeRecord(entry, coding));
    return true;
}

void HistoryLog::trimFile()
{
    while (writeNextPending()) {
    }
    const FileLock lock(path_);
    // Without the lock another instance may be appending: the file is better left long.
    if (!lock.locked())
        return;
    QByteArray bytes;
    if (!stmtfile::readFile(path_, bytes) || bytes.isEmpty())
        return;
    QList<QByteArray> records = stmtfile::splitRecords(bytes);
    if (records.size() > maxHist_)
        records.remove(0, records.size() - maxHist_);
    const QByteArray trimmed = stmtfile::joinRecords(records, stmtfile::codingOf(bytes));
    if (trimmed != bytes)
        stmtfile::replaceFile(path_, trimmed);
}

int HistoryLog::indexOfSerial(quint64 serial) const
{
    return static_cast<int>(serials_.indexOf(serial));
}

QString HistoryLog::statementAt(std::int16_t pos) const
{
    const int i = stmtcursor::indexAt(pos, GetHistNum());
    return i < 0 ? QString() : entries_[i].SQLstmt;
}

QString HistoryLog::GetHistCurr(std::int16_t& hist_no) const
{
    return statementAt(hist_no);
}

QString HistoryLog::GetHistNext(std::int16_t& hist_no) const
{
    hist_no = stmtcursor::stepDown(hist_no, GetHistNum());
    return statementAt(hist_no);
}

QString HistoryLog::GetHistBack(std::int16_t& hist_no) const
{
    hist_no = stmtcursor::stepUp(hist_no, GetHistNum());
    return statementAt(hist_no);
}
