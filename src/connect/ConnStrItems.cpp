#include "connect/ConnStrItems.h"

#include "odbc/ConnStrValue.h"

namespace connstr {

QString withoutPasswords(const QString& connStr)
{
    QString out;
    out.reserve(connStr.size());
    const qsizetype n = connStr.size();
    qsizetype at = 0;
    while (at < n) {
        qsizetype end = at;
        while (end < n && connStr.at(end) != QLatin1Char(';') &&
               connStr.at(end) != QLatin1Char('='))
            ++end;
        const bool password = end < n && connStr.at(end) == QLatin1Char('=') &&
                              isPasswordKey(QStringView(connStr).mid(at, end - at));
        if (end < n && connStr.at(end) == QLatin1Char('='))
            end = connvalue::valueEnd(connStr, end + 1);
        // The item with its ";"; a password as the last item leaves the ";" before it.
        if (!password)
            out += QStringView(connStr).mid(at, end + 1 - at);
        at = end + 1;
    }
    return out;
}

bool hasPassword(const QString& connStr)
{
    return withoutPasswords(connStr) != connStr;
}

QString driverConnectionString(const QString& driver, const DriverFields& fields)
{
    const auto quoted = [](const QString& value) {
        return QString::fromStdString(connvalue::quote(value.toStdString()));
    };
    QString out = QStringLiteral("DRIVER=") + quoted(driver) + QLatin1Char(';');
    const std::pair<const char*, const QString*> items[] = {{"SERVER", &fields.server},
                                                            {"PORT", &fields.port},
                                                            {"DATABASE", &fields.database},
                                                            {"UID", &fields.uid},
                                                            {"PWD", &fields.pwd}};
    for (const auto& [key, value] : items) {
        // Blanks around a typed name or number are never meant; a password is taken as typed.
        const QString v = value == &fields.pwd ? *value : value->trimmed();
        if (!v.isEmpty())
            out += QLatin1String(key) + QLatin1Char('=') + quoted(v) + QLatin1Char(';');
    }
    QString further = fields.further.trimmed();
    while (further.startsWith(QLatin1Char(';')))
        further.remove(0, 1);
    if (!further.isEmpty()) {
        out += further;
        if (!further.endsWith(QLatin1Char(';')))
            out += QLatin1Char(';');
    }
    return out;
}

} // namespace connstr
