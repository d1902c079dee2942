#include "sqlexec/GridEditStatements.h"

#include "sqlexec/CellType.h"

namespace {

// Characters go as characters; a number or date column's value is described by its type.
bool characterType(std::int16_t type)
{
    const CellType::Kind kind = cellTypeOf(type, 0, 0).kind;
    return kind == CellType::Kind::Text || kind == CellType::Kind::LongText;
}

// Written without quotes in the preview.
bool numberType(std::int16_t type)
{
    switch (cellTypeOf(type, 0, 0).kind) {
    case CellType::Kind::Integer:
    case CellType::Kind::Decimal:
    case CellType::Kind::Real:
    case CellType::Kind::Boolean:
        return true;
    default:
        return false;
    }
}

std::optional<std::string> valueOf(const QString& text)
{
    if (text.isNull())
        return std::nullopt;
    return text.toStdString();
}

// The target's names quoted and its columns' marker types, worked out once for all rows.
struct Quoted {
    explicit Quoted(const EditTarget& target) : target(target)
    {
        for (std::size_t c = 0; c < target.columns.size(); ++c) {
            names.push_back(quotedName(target.columns[c], target.dialect));
            // Characters go as characters; a typed marker is for numbers and dates.
            const std::int16_t type = target.sqlTypes[c];
            types.push_back(characterType(type) ? 0 : type);
        }
    }
    const EditTarget& target;
    std::vector<std::string> names;
    std::vector<std::int16_t> types;
};

class Builder {
public:
    Builder(EditStatement& s, const Quoted& q) : s_(s), q_(q) {}
    void value(int column, const QString& text)
    {
        s_.values.push_back(valueOf(text));
        s_.types.push_back(typeOf(column));
    }
    // "col = ?" or, for a NULL, "col IS NULL" (no value): NULL equals nothing.
    void match(int column, const QString& text)
    {
        s_.sql += name(column);
        if (text.isNull()) {
            s_.sql += " IS NULL";
            return;
        }
        s_.sql += " = ?";
        value(column, text);
    }
    const std::string& name(int column) const { return q_.names[static_cast<std::size_t>(column)]; }
    std::int16_t typeOf(int column) const { return q_.types[static_cast<std::size_t>(column)]; }

private:
    EditStatement& s_;
    const Quoted& q_;
};

void whereKey(EditStatement& s, const Quoted& q, const QVector<QString>& cells,
              const std::vector<bool>* changed, const QVector<QString>* original)
{
    const EditTarget& t = q.target;
    Builder b(s, q);
    s.sql += " WHERE ";
    bool first = true;
    for (const int k : t.key) {
        if (!first)
            s.sql += " AND ";
        first = false;
        b.match(k, cells.at(k));
    }
    if (changed == nullptr)
        return;
    for (std::size_t c = 0; c < changed->size(); ++c) {
        const int column = static_cast<int>(c);
        if (!(*changed)[c] || std::find(t.key.begin(), t.key.end(), column) != t.key.end())
            continue;
        s.sql += " AND ";
        b.match(column, original->at(column));
    }
}

} // namespace

std::string quotedName(const QString& name, sql::Dialect dialect)
{
    const bool backtick = dialect.engine == sql::Engine::MariaDb && !dialect.ansiQuotes;
    const char quote = backtick ? '`' : '"';
    std::string out(1, quote);
    for (const char ch : name.toStdString()) {
        out += ch;
        if (ch == quote)
            out += ch;
    }
    out += quote;
    return out;
}

std::string quotedTable(const EditTarget& target)
{
    std::string out;
    if (!target.owner.isEmpty())
        out = quotedName(target.owner, target.dialect) + ".";
    return out + quotedName(target.table, target.dialect);
}

std::vector<EditStatement> editStatements(const ResultGridModel& model, const EditTarget& target,
                                          bool checkOriginals)
{
    std::vector<EditStatement> out;
    const std::vector<ResultGridModel::Row>& rows = model.rows();
    const std::string table = quotedTable(target);
    const Quoted quoted(target);
    const int columns = static_cast<int>(target.columns.size());
    for (const std::size_t pos : model.markedRows()) {
        const ResultGridModel::Row& row = rows[pos];
        const ResultGridModel::RowEdit& edit = *row.edit;
        EditStatement s;
        s.pos = pos;
        Builder b(s, quoted);
        switch (edit.mark) {
        case ResultGridModel::RowMark::Changed: {
            s.kind = EditStatement::Kind::Update;
            s.sql = "UPDATE " + table + " SET ";
            bool first = true;
            for (int c = 0; c < columns; ++c) {
                if (!edit.changed[static_cast<std::size_t>(c)])
                    continue;
                s.sql += (first ? "" : ", ") + b.name(c) + " = ?";
                first = false;
                b.value(c, row.cells.at(c));
            }
            // Found by the key it was read with: a key column may be among those changed.
            const std::size_t where = s.sql.size();
            s.countFrom = s.values.size();
            whereKey(s, quoted, edit.original, checkOriginals ? &edit.changed : nullptr,
                     &edit.original);
            // Only MariaDB counts changed rows instead of found ones; its count must read the
            // rows as they are now, not the transaction's snapshot.
            if (target.dialect.engine == sql::Engine::MariaDb)
                s.countSql = "SELECT COUNT(*) FROM " + table + s.sql.substr(where) + " FOR UPDATE";
            for (const int k : target.key)
                s.keyAfter.push_back(valueOf(row.cells.at(k)));
            break;
        }
        case ResultGridModel::RowMark::Added: {
            s.kind = EditStatement::Kind::Insert;
            std::string names;
            std::string markers;
            for (int c = 0; c < columns; ++c) {
                // Cells left alone take the column's default, a NULL set by hand goes as NULL.
                if (!edit.changed[static_cast<std::size_t>(c)] || target.columns[c].isEmpty())
                    continue;
                if (!names.empty()) {
                    names += ", ";
                    markers += ", ";
                }
                names += b.name(c);
                markers += "?";
                b.value(c, row.cells.at(c));
            }
            // A row of defaults only: MariaDB has no DEFAULT VALUES.
            if (!names.empty())
                s.sql = "INSERT INTO " + table + " (" + names + ") VALUES (" + markers + ")";
            else if (target.dialect.engine == sql::Engine::MariaDb)
                s.sql = "INSERT INTO " + table + " () VALUES ()";
            else
                s.sql = "INSERT INTO " + table + " DEFAULT VALUES";
            for (const int k : target.key) {
                const bool given = edit.changed[static_cast<std::size_t>(k)];
                s.keyAfter.push_back(given ? valueOf(row.cells.at(k)) : std::nullopt);
            }
            break;
        }
        case ResultGridModel::RowMark::Deleted:
            s.kind = EditStatement::Kind::Delete;
            s.sql = "DELETE FROM " + table;
            whereKey(s, quoted, edit.original, nullptr, nullptr);
            break;
        case ResultGridModel::RowMark::None:
            continue;
        }
        for (const int k : target.key)
            s.keyTypes.push_back(b.typeOf(k));
        out.push_back(std::move(s));
    }
    return out;
}

std::string rereadStatement(const EditTarget& target)
{
    std::string names;
    for (const QString& column : target.columns) {
        if (column.isEmpty())
            continue;
        names += (names.empty() ? "" : ", ") + quotedName(column, target.dialect);
    }
    std::string sql = "SELECT " + names + " FROM " + quotedTable(target) + " WHERE ";
    bool first = true;
    for (const int k : target.key) {
        sql += (first ? "" : " AND ") +
               quotedName(target.columns[static_cast<std::size_t>(k)], target.dialect) + " = ?";
        first = false;
    }
    return sql;
}

QString previewText(const EditStatement& statement, sql::Dialect dialect)
{
    const bool backslash = dialect.engine == sql::Engine::MariaDb && dialect.backslashEscapes;
    std::string out;
    std::size_t next = 0;
    for (const char ch : statement.sql) {
        if (ch != '?' || next >= statement.values.size()) {
            out += ch;
            continue;
        }
        const std::optional<std::string>& v = statement.values[next];
        const std::int16_t type = statement.types[next];
        ++next;
        if (!v) {
            out += "NULL";
            continue;
        }
        if (numberType(type)) {
            out += *v;
            continue;
        }
        out += '\'';
        for (const char c : *v) {
            if (c == '\'' || (backslash && c == '\\'))
                out += c;
            out += c;
        }
        out += '\'';
    }
    return QString::fromStdString(out);
}
