#include "base/SqlNames.h"

QString sqlName(QStringView name)
{
    if (!name.contains(u' ') && !name.contains(u'"'))
        return name.toString();
    QString quoted = name.toString();
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString sqlStringLiteral(QStringView value)
{
    QString quoted = value.toString();
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}
