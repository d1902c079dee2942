#pragma once

#include "sql/SqlLexer.h"
#include "sqlexec/ResultGridModel.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The table an editable result's rows belong to, as the statements of an apply name it.
struct EditTarget {
    sql::Dialect dialect;
    QString owner; // the table's schema, empty where the driver names none
    QString table;
    // Per result column: the table's column it shows (empty for a computed column) and its
    // ODBC SQL type.
    std::vector<QString> columns;
    std::vector<std::int16_t> sqlTypes;
    // Result columns of the key, in key order.
    std::vector<int> key;
};

// One statement of an apply: its text with parameter markers, and its values in marker order
// (nullopt is NULL) with the SQL type each is compared with or stored in.
struct EditStatement {
    enum class Kind { Update, Insert, Delete };
    Kind kind = Kind::Update;
    std::size_t pos = 0; // the row's position in the model
    std::string sql;
    std::vector<std::optional<std::string>> values;
    std::vector<std::int16_t> types;
    // For an UPDATE on MariaDB: the SELECT COUNT(*) of the rows its WHERE finds, with its
    // values from values[countFrom] on. Where the driver counts only rows it changed
    // (DriverTraits::countsChangedRows), a row set to the values it had reports 0; the count
    // tells that from a row gone.
    std::string countSql;
    std::size_t countFrom = 0;
    // The row's key after the statement (nullopt where an added row leaves it to the
    // database), to read the row again.
    std::vector<std::optional<std::string>> keyAfter;
    std::vector<std::int16_t> keyTypes;
};

// A name as SQL text, always quoted the dialect's way.
std::string quotedName(const QString& name, sql::Dialect dialect);
// The table's name qualified by its schema where it has one.
std::string quotedTable(const EditTarget& target);

// One statement per marked row, in grid order: UPDATE of the changed columns, INSERT of the
// columns given (the rest take their defaults), DELETE; every row found by its key, and with
// checkOriginals also by the values it was read with in the columns it changes.
std::vector<EditStatement> editStatements(const ResultGridModel& model, const EditTarget& target,
                                          bool checkOriginals);
// The SELECT that reads a row again by its key: the result's table columns in order.
std::string rereadStatement(const EditTarget& target);
// The statement with its values written in as literals: what the preview shows, for reading
// or running by hand. Never sent.
QString previewText(const EditStatement& statement, sql::Dialect dialect);
