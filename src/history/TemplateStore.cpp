#include "history/TemplateStore.h"

#include "history/StatementCursor.h"
#include "history/StatementListFile.h"

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
    return i;
}

void TemplateStore::read()
{
    templates_.clear();
    QByteArray bytes;
    stmtfile::readFile(path_, bytes);
    // One sort of the whole file rather than an insertion per record: a long file would cost
    // the square of its length. Stable, so equal entries keep the file's order.
    struct Keyed {
        QString key;
        ClassSQL entry;
    };
    std::vector<Keyed> keyed;
    for (ClassSQL& entry : stmtfile::decodeRecords(stmtfile::splitRecords(bytes)))
        keyed.push_back({entryText(entry), std::move(entry)});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return QString::compare(a.key, b.key, Qt::CaseInsensitive) < 0;
    });
    templates_.reserve(static_cast<qsizetype>(keyed.size()));
    for (Keyed& k : keyed)
        templates_.append(std::move(k.entry));
}

bool TemplateStore::save() const
{
    QByteArray bytes;
    for (const ClassSQL& entry : templates_)
        bytes += stmtfile::encodeRecord(entry);
    return stmtfile::replaceFile(path_, bytes);
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
