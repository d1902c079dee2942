#include "connect/SourceMarks.h"

#include "base/INIfile_IO.h"
#include "connect/ConnStrItems.h"
#include "connect/ConnectionString.h"
#include "odbc/ConnStrValue.h"

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

// The items that identify a connection's database, unquoted; the first of each counts, as
// drivers read them.
struct Identity {
    QString dsn;
    QString driver;
    QString server;
    QString port;
    QString database;
};

Identity identityOf(const QString& connStr)
{
    Identity id;
    for (const auto& [name, raw] : connstr::splitItems(connStr)) {
        const QString value =
            QString::fromStdString(connvalue::unquote(raw.trimmed().toStdString()));
        const QString key = name.trimmed().toUpper();
        QString* slot = nullptr;
        if (key == QLatin1String("DSN"))
            slot = &id.dsn;
        else if (key == QLatin1String("DRIVER"))
            slot = &id.driver;
        else if (key == QLatin1String("SERVER") || key == QLatin1String("SERVERNAME") ||
                 key == QLatin1String("HOST"))
            slot = &id.server;
        else if (key == QLatin1String("PORT"))
            slot = &id.port;
        else if (key == QLatin1String("DATABASE") || key == QLatin1String("DB"))
            slot = &id.database;
        if (slot != nullptr && slot->isEmpty())
            // A data source's name as it stands: marks stored under it must still be found.
            *slot = slot == &id.dsn ? value : value.trimmed();
    }
    return id;
}

QString sectionSafe(QString key)
{
    return key.replace(QLatin1Char(']'), QChar(0xFF3D));
}

// Earlier versions kept the marks of a string without DSN under the whole string.
QString wholeStringKey(const QString& connStr)
{
    return sectionSafe(connstr::maskHistoryEntry(connStr.trimmed()));
}

QString keyOf(const Identity& id, const QString& connStr)
{
    if (!id.dsn.isEmpty())
        return sectionSafe(id.dsn);
    // Without its password items, as the history keeps the string: SQLite ODBC completes with
    // an empty "PWD=" that the stored entry no longer has.
    if (id.driver.isEmpty() && id.server.isEmpty() && id.database.isEmpty())
        return sectionSafe(connstr::withoutPasswords(connStr.trimmed()));
    QString key;
    const std::pair<const char*, const QString*> parts[] = {{"DRIVER", &id.driver},
                                                            {"SERVER", &id.server},
                                                            {"PORT", &id.port},
                                                            {"DATABASE", &id.database}};
    for (const auto& [name, value] : parts) {
        if (!value->isEmpty())
            key += QLatin1String(name) + QLatin1Char('=') + *value + QLatin1Char(';');
    }
    return sectionSafe(key);
}

} // namespace

namespace sourcemarks {

QString keyOf(const QString& connStr)
{
    return ::keyOf(identityOf(connStr), connStr);
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

SourceMarks readOf(const INIfile_IO& ini, const QString& connStr)
{
    const Identity id = identityOf(connStr);
    const QString key = ::keyOf(id, connStr);
    const QString section = sectionOf(key);
    if (!id.dsn.isEmpty() || !ini.ReadIniValue(section, kProduction).isEmpty() ||
        !ini.ReadIniValue(section, kReadOnly).isEmpty())
        return read(ini, key);
    return read(ini, wholeStringKey(connStr));
}

bool write(INIfile_IO& ini, const QString& key, const SourceMarks& marks)
{
    if (key.isEmpty() || read(ini, key) == marks)
        return true;
    return ini.WriteIniValue(sectionOf(key), kProduction, onOff(marks.production)) &&
           ini.WriteIniValue(sectionOf(key), kReadOnly, onOff(marks.readOnly));
}

} // namespace sourcemarks
