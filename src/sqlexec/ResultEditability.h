#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "sqlexec/GridEditStatements.h"

class ODBCComm;
struct ResultSetInfo;

// Whether the rows of an open result can be changed in the grid, by the key of the one table
// they are rows of; and when not, why, as the status bar says it.
struct Editability {
    bool editable = false;
    // "編集不可：..." when not editable, else empty.
    QString reason;
    // The table, as the driver names it, and its schema where the driver gives one.
    QString owner;
    QString table;
    // The table's key in key order, each column with the result column that holds it.
    struct KeyColumn {
        QString name;
        int column = -1;
    };
    std::vector<KeyColumn> key;
    // The key is the primary key (else a unique index without NULLs).
    bool primaryKey = false;
    // Per result column: it is one of the table's columns (computed columns are not).
    std::vector<bool> columnEditable;
};

// Decides from the statement text, the described result and the catalog. The driver's column
// origins alone cannot tell a DISTINCT or a UNION from a table's rows (SQLite names the first
// branch's table), nor a view (SQLite names the table under it), so the statement is read too,
// and the table must be one the statement names and the catalog calls a table.
class ResultEditability {
public:
    explicit ResultEditability(ODBCComm& db) : db_(db) {}

    // For the result of sql just opened and described (info from DbOpenResult). Asks the
    // catalog, so it ends a suspended fill on a driver that cannot read the catalog beside an
    // open result.
    Editability decide(const QString& sql, const ResultSetInfo& info) const;

private:
    ODBCComm& db_;
};

// What the statements of an apply need of an editable result.
EditTarget editTargetOf(const Editability& e, const ResultSetInfo& info, sql::Dialect dialect);
