#include "history/TemplateStore.h"

#include "history/StatementCursor.h"
#include "history/StatementListFile.h"

#include <QFileInfo>

#include <algorithm>
#include <vector>

TemplateStore::TemplateStore(QString filePath) : path_(std::move(filePath)) {}

QString TemplateStore::cleanTitle(QString title)
{
    for (QChar& c : title) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return title;
}

QString TemplateStore::entryText(const ClassSQL& entry)
{
    return QStringLiteral("【") + entry.SQLhead + QStringLiteral("】") +
           stmtfile::oneLine(entry.SQLstmt);
}

int TemplateStore::insertSorted(const ClassSQL& entry)
{
    const QString text = entryText(entry);
    // After entries that sort equal, so equal titles keep the order they came in.
    int i = 0;
    while (i < templates_.size() &&
           QString::compare(entryText(templates_[i]), text, Qt::CaseInsensitive) <= 0)
        ++i;
    templates_.insert(i, entry);
    stored_.insert(i, QByteArray());
    return i;
}

bool TemplateStore::read()
{
    templates_.clear();
    stored_.clear();
    QByteArray bytes;
    readFailed_ = !stmtfile::readFile(path_, bytes) && QFileInfo::exists(path_);
    coding_ = stmtfile::codingOf(bytes);
    // One sort of the whole file rather than an insertion per record: a long file would cost
    // the square of its length. Stable, so equal entries keep the file's order.
    struct Keyed {
        QString key;
        ClassSQL entry;
        QByteArray stored;
    };
    std::vector<Keyed> keyed;
    for (QByteArray& record : stmtfile::splitRecords(bytes)) {
        ClassSQL entry = stmtfile::decodeRecord(record, coding_);
        QString key = entryText(entry);
        keyed.push_back({std::move(key), std::move(entry), std::move(record)});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return QString::compare(a.key, b.key, Qt::CaseInsensitive) < 0;
    });
    templates_.reserve(static_cast<qsizetype>(keyed.size()));
    stored_.reserve(static_cast<qsizetype>(keyed.size()));
    for (Keyed& k : keyed) {
        templates_.append(std::move(k.entry));
        stored_.append(std::move(k.stored));
    }
    return !readFailed_;
}

bool TemplateStore::save() const
{
    // Replacing a file that could not be read would lose every template it holds.
    if (readFailed_)
        return false;
    using codepage::FileCoding;
    FileCoding coding = coding_;
    for (qsizetype i = 0; i < templates_.size() && coding == FileCoding::Cp932; ++i) {
        if (stored_[i].isEmpty() && !stmtfile::cp932HoldsExactly(templates_[i]))
            coding = FileCoding::Utf8;
    }
    QList<QByteArray> records;
    records.reserve(templates_.size());
    for (qsizetype i = 0; i < templates_.size(); ++i) {
        if (stored_[i].isEmpty())
            records.append(stmtfile::recordBytes(templates_[i], coding));
        else
            records.append(stmtfile::recodeRecord(stored_[i], coding_, coding));
    }
    return stmtfile::replaceFile(path_, stmtfile::joinRecords(records, coding));
}

int TemplateStore::add(ClassSQL entry)
{
    entry.SQLhead = cleanTitle(entry.SQLhead);
    changed_ = true;
    return insertSorted(entry);
}

void TemplateStore::remove(int index)
{
    if (index < 0 || index >= templates_.size())
        return;
    templates_.removeAt(index);
    stored_.removeAt(index);
    changed_ = true;
}

QString TemplateStore::statementAt(std::int16_t pos) const
{
    const int i = stmtcursor::indexAt(pos, GetTempNum());
    return i < 0 ? QString() : templates_[i].SQLstmt;
}

QString TemplateStore::GetTempCurr(std::int16_t& temp_no) const
{
    return statementAt(temp_no);
}

QString TemplateStore::GetTempNext(std::int16_t& temp_no) const
{
    temp_no = stmtcursor::stepUp(temp_no, GetTempNum());
    return statementAt(temp_no);
}

QString TemplateStore::GetTempBack(std::int16_t& temp_no) const
{
    temp_no = stmtcursor::stepDown(temp_no, GetTempNum());
    return statementAt(temp_no);
}
