#pragma once

#include "odbc/comm/ResultSetInfo.h"
#include "transfer/ResultStream.h"
#include "transfer/RowTransfer.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>
#include <vector>

class ODBCComm;

// The rows of the result grid as the export reads them, without the grid itself: result
// columns and rows from 0, texts as the grid shows them.
struct ResultGridSource {
    std::function<int()> columnCount;
    std::function<int()> rowCount;
    std::function<QString(int column)> headerText;
    // Number for right-aligned number columns.
    std::function<ColumnKind(int column)> kind;
    // A NULL is a null QString (QString()), an empty text an empty one.
    std::function<QString(int row, int column)> cellText;
};

// The grid's rows, as it shows them. Given the rows it read but does not show (held, as the
// grid's texts) and the connection, the rest of its open result follows them: held, then the
// cursor to its end, read as the grid reads it. The statement is not executed again; the
// cursor is left to the caller.
class GridRows : public RowSource {
public:
    explicit GridRows(const ResultGridSource& grid);
    GridRows(const ResultGridSource& grid, const std::vector<QVector<QString>>& held, ODBCComm& db);

    QStringList names() const override;
    ColumnKinds kinds() const override;
    bool pass(RowFeed& feed, RowSink& sink) override;
    const StreamOutcome* stream() const override { return stream_ ? &*stream_ : nullptr; }

private:
    // Copies the next rows' texts (at least one row) from the grid into cells_, row by row: the
    // grid is the window thread's, the sink writes on the connection's.
    int copyBlock(int from);

    const ResultGridSource& grid_;
    const std::vector<QVector<QString>>* held_ = nullptr;
    ODBCComm* db_ = nullptr;
    std::vector<QString> cells_;
    std::optional<StreamOutcome> stream_;
};

// Every row of the open result (described in info), values whole, with no row limit. The
// cursor is left to the caller.
class ResultRows : public RowSource {
public:
    ResultRows(ODBCComm& db, const ResultSetInfo& info) : db_(db), info_(info) {}

    QStringList names() const override { return info_.names; }
    ColumnKinds kinds() const override { return info_.kinds; }
    bool pass(RowFeed& feed, RowSink& sink) override;
    const StreamOutcome* stream() const override { return stream_ ? &*stream_ : nullptr; }

private:
    ODBCComm& db_;
    const ResultSetInfo& info_;
    std::optional<StreamOutcome> stream_;
};
