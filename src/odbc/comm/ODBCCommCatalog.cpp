// The catalog of ODBCComm: data sources and drivers of the environment, and the objects,
// columns and key columns of the connected database, each read as a list on the connection's
// thread.
#include "odbc/comm/ODBCComm.h"

#include "odbc/comm/CommText.h"

using namespace commtext;

namespace {

const char* const kObjectTypes = "TABLE,VIEW,SYNONYM";

} // namespace

std::int16_t ODBCComm::DbListDataSources(int max, int& count, QStringList& names,
                                         QStringList& descriptions)
{
    if (!mayStart())
        return kBusy;
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Connect,
                 [&] { code = listDataSources(max, count, names, descriptions); });
    return code;
}

std::int16_t ODBCComm::listDataSources(int max, int& count, QStringList& names,
                                       QStringList& descriptions)
{
    count = 0;
    names.clear();
    descriptions.clear();
    std::string name;
    std::string description;
    std::int16_t code = 0;
    while ((code = lib_.OdbcNextDataSource(name, description)) == 0) {
        if (count < max) {
            names.append(fromUtf8(name));
            descriptions.append(fromUtf8(description));
            ++count;
        }
    }
    return code == 100 ? 0 : code;
}

std::int16_t ODBCComm::DbListDrivers(int max, int& count, QStringList& names)
{
    if (!mayStart())
        return kBusy;
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Connect, [&] { code = listDrivers(max, count, names); });
    return code;
}

std::int16_t ODBCComm::listDrivers(int max, int& count, QStringList& names)
{
    count = 0;
    names.clear();
    std::string description;
    std::string attributes;
    std::int16_t code = 0;
    while ((code = lib_.OdbcNextDriver(description, attributes)) == 0) {
        if (count < max) {
            names.append(fromUtf8(description));
            ++count;
        }
    }
    return code == 100 ? 0 : code;
}

bool ODBCComm::mayReadCatalog()
{
    if (!mayStart())
        return false;
    // Where the driver keeps a result open beside a catalog read, a suspended fill stays.
    if (!lib_.catalogBesideCursor())
        releaseHeldCursor(true);
    return true;
}

std::int16_t ODBCComm::DbListObjects(const std::optional<QString>& owner, int& tableCount,
                                     QStringList& tables, int& viewCount, QStringList& views,
                                     int& otherCount, QStringList& others)
{
    if (!mayReadCatalog())
        return kBusy;
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Catalog, [&] {
        tableCount = 0;
        viewCount = 0;
        otherCount = 0;
        tables.clear();
        views.clear();
        others.clear();
        const std::optional<std::string> ownerText = toUtf8(owner);
        std::string type;
        std::string name;
        while ((code = lib_.OdbcNextTable(kObjectTypes, ownerText, type, name)) == 0) {
            if (type == "TABLE") {
                tables.append(fromUtf8(name));
                ++tableCount;
            } else if (type == "VIEW") {
                views.append(fromUtf8(name));
                ++viewCount;
            } else {
                others.append(fromUtf8(name));
                ++otherCount;
            }
        }
    });
    return code == 100 ? 0 : code;
}

std::int16_t ODBCComm::DbListColumns(const std::optional<QString>& owner, const QString& table,
                                     int max, int& count, QStringList& names,
                                     QStringList& typeTexts)
{
    if (!mayReadCatalog())
        return kBusy;
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Catalog, [&] {
        count = 0;
        names.clear();
        typeTexts.clear();
        const std::optional<std::string> ownerText = toUtf8(owner);
        const std::string tableText = toUtf8(table);
        std::string rowTable;
        std::string column;
        std::string typeText;
        while ((code = lib_.OdbcNextColumn(ownerText, tableText, rowTable, column, typeText)) ==
               0) {
            // The table name is a pattern to the driver ("_" matches any character).
            if (rowTable != tableText)
                continue;
            if (count < max) {
                names.append(fromUtf8(column));
                typeTexts.append(fromUtf8(typeText));
                ++count;
            }
        }
    });
    return code == 100 ? 0 : code;
}

std::int16_t ODBCComm::DbMarkKeyColumns(const std::optional<QString>& owner, const QString& table,
                                        int count, const QStringList& names,
                                        QVector<std::int16_t>& keyPositions)
{
    if (!mayReadCatalog())
        return kBusy;
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Catalog, [&] {
        count = std::clamp<int>(count, 0, static_cast<int>(names.size()));
        if (keyPositions.size() < count)
            keyPositions.resize(count, 0);
        const std::optional<std::string> ownerText = toUtf8(owner);
        const std::string tableText = toUtf8(table);
        std::string column;
        std::int16_t position = 0;
        while ((code = lib_.OdbcNextIndexColumn(ownerText, tableText, column, position)) == 0) {
            const QString name = fromUtf8(column);
            for (int i = 0; i < count; ++i) {
                if (names[i] == name) {
                    keyPositions[i] = position;
                    break;
                }
            }
        }
    });
    return code == 100 ? 0 : code;
}

std::int16_t ODBCComm::DbTableKey(const std::optional<QString>& owner, const QString& table,
                                  TableKey& key)
{
    key = TableKey();
    if (!mayReadCatalog())
        return kBusy;
    std::int16_t code = 0;
    OdbcLib::TableKey found;
    callOnWorker(ConnectionWork::Kind::Catalog,
                 [&] { code = lib_.OdbcTableKey(toUtf8(owner), toUtf8(table), found); });
    key.kind = fromUtf8(found.kind);
    key.primary = found.primary;
    for (const std::string& column : found.columns)
        key.columns.append(fromUtf8(column));
    for (const std::string& column : found.tableColumns)
        key.tableColumns.append(fromUtf8(column));
    return code;
}
