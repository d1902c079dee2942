#include "connect/SourceMarks.h"

#include "base/INIfile_IO.h"
#include "connect/ConnectionString.h"

namespace {

const QString kProduction = QStringLiteral("Production");
const QString kReadOnly = QStringLiteral("ReadOnly");

QString sectionOf(const QString& key)
{
    return QStringLiteral("DataSource ") + key;
}

QString onOff(bool on)
{
    return on ? QStringLiteral("ON") : QStringLiteral("OFF");
}

} // namespace

namespace sourcemarks {

QString keyOf(const QString& connStr)
{
    QString key = connstr::maskHistoryEntry(connStr.trimmed());
    for (const auto& [name, value] : connstr::splitItems(connStr)) {
        if (name.trimmed().compare(QLatin1String("DSN"), Qt::CaseInsensitive) != 0)
            continue;
        key = value.trimmed();
        if (key.size() >= 2 && key.startsWith(QLatin1Char('{')) && key.endsWith(QLatin1Char('}')))
            key = key.mid(1, key.size() - 2).replace(QLatin1String("}}"), QLatin1String("}"));
        break;
    }
    return key.replace(QLatin1Char(']'), QChar(0xFF3D));
}

SourceMarks read(const INIfile_IO& ini, const QString& key)
{
    SourceMarks marks;
    if (key.isEmpty())
        return marks;
    marks.production = ini.ReadIniValue(sectionOf(key), kProduction) == QLatin1String("ON");
    marks.readOnly = ini.ReadIniValue(sectionOf(key), kReadOnly) == QLatin1String("ON");
    return marks;
}

bool write(INIfile_IO& ini, const QString& key, const SourceMarks& marks)
{
    if (key.isEmpty() || read(ini, key) == marks)
        return true;
    return ini.WriteIniValue(sectionOf(key), kProduction, onOff(marks.production)) &&
           ini.WriteIniValue(sectionOf(key), kReadOnly, onOff(marks.readOnly));
}

} // namespace sourcemarks
