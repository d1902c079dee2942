// Applying the grid's edits: bound statements after one savepoint in the user's transaction,
// all or none, recorded as pending work and taken back together by the undo command.
#include "sqlexec/BatchRun.h"

#include "sqlexec/GridEditStatements.h"
#include "sqlexec/SqlExecText.h"

#include "odbc/comm/ODBCComm.h"

#include <charconv>

namespace {

// The apply's own savepoint where undo sets none ([SET] UNDO=OFF): all or none still holds.
const std::string kEditSavepoint = "quorvant_edit";

std::vector<ParamValue> paramsOf(const std::vector<std::optional<std::string>>& values,
                                 const std::vector<std::int16_t>& types, std::size_t from = 0)
{
    std::vector<ParamValue> params;
    params.reserve(values.size() - from);
    for (std::size_t i = from; i < values.size(); ++i) {
        ParamValue p;
        p.sqlType = types[i];
        if (values[i]) {
            p.kind = ParamKind::Text;
            p.text = *values[i];
        }
        params.push_back(p);
    }
    return params;
}

QString rowsFoundText(std::int64_t rows)
{
    if (rows == 0)
        return QStringLiteral(
            "対象の行が見つかりません（他で変更または削除された可能性があります）");
    return QStringLiteral("対象の行が%1行あります（キーで1行に決まりません）").arg(rows);
}

} // namespace

BatchRun::EditOutcome BatchRun::applyEdits(const std::vector<EditStatement>& statements,
                                           const std::string& rereadSql)
{
    EditOutcome outcome;
    if (statements.empty()) {
        outcome.applied = true;
        return outcome;
    }
    if (!db_.DbIsConnected()) {
        outcome.problem = NotConnectedText();
        return outcome;
    }
    // The grid's statement keeps its own times, for a fill resumed after the apply.
    const QDateTime startedAt = QDateTime::currentDateTime();
    const auto started = std::chrono::steady_clock::now();
    StatementEffect effect;
    effect.mayChange = true;
    const bool undo = setSavepoint(effect);
    const std::string savepoint = undo ? "quorvant_undo" : kEditSavepoint;
    std::int64_t changedRows = 0;
    const bool ran = db_.DbRunStatements([&](ODBCComm::StatementCalls& calls) {
        if (!undo && calls.execute("SAVEPOINT " + savepoint) != 0) {
            outcome.problem = calls.lastErrorText();
            return;
        }
        for (std::size_t i = 0; i < statements.size(); ++i) {
            const EditStatement& s = statements[i];
            std::int16_t code =
                calls.executeBound(s.sql, s.values.size(), paramsOf(s.values, s.types));
            std::int64_t rows = code == 0 ? calls.boundRowCount() : -1;
            if (code == 0 && rows == 0 && calls.traits().countsChangedRows && !s.countSql.empty()) {
                // Counted as changed rows, a row set to its own values is 0: count the found.
                std::vector<std::optional<std::string>> found;
                code = calls.executeBound(s.countSql, s.values.size() - s.countFrom,
                                          paramsOf(s.values, s.types, s.countFrom));
                if (code == 0 && calls.fetchBoundRow(found) == 0 && !found.empty() && found[0])
                    std::from_chars(found[0]->data(), found[0]->data() + found[0]->size(), rows);
            }
            if (code != 0 || rows != 1) {
                outcome.failed = static_cast<int>(i);
                // Read before the rollback's success clears the database's words.
                outcome.problem = code == 0 ? rowsFoundText(rows) : calls.lastErrorText();
                calls.execute("ROLLBACK TO SAVEPOINT " + savepoint);
                return;
            }
            changedRows += rows;
        }
        if (!undo)
            calls.execute("RELEASE SAVEPOINT " + savepoint);
        outcome.applied = true;
        // Defaults, triggers and the database's own rounding show in the rows read again.
        outcome.reread.resize(statements.size());
        for (std::size_t i = 0; i < statements.size(); ++i) {
            const EditStatement& s = statements[i];
            if (s.kind == EditStatement::Kind::Delete || s.keyAfter.empty() ||
                std::any_of(s.keyAfter.begin(), s.keyAfter.end(), [](const auto& v) { return !v; }))
                continue;
            std::vector<std::optional<std::string>> row;
            if (calls.executeBound(rereadSql, s.keyAfter.size(),
                                   paramsOf(s.keyAfter, s.keyTypes)) == 0 &&
                calls.fetchBoundRow(row) == 0)
                outcome.reread[i] = std::move(row);
        }
    });
    if (!ran) {
        outcome.problem = db_.DbLastErrorText();
        return outcome;
    }
    if (!outcome.applied) {
        // Rolled back to the savepoint set for this apply: the earlier statement's undo went
        // with the release before it.
        if (undo)
            dropUndo();
        forgetSavepointAfterFailure();
        return outcome;
    }
    const std::int64_t elapsedMs = msSince(started);
    for (const EditStatement& s : statements)
        db_.pending().record({previewText(s, db_.DbDialect()), startedAt, 1,
                              elapsedMs / static_cast<std::int64_t>(statements.size())});
    if (undo) {
        undoLive_ = true;
        undoStamp_ = db_.DbStatementsSent();
        undoSql_ = QStringLiteral("変更を反映（%1文）").arg(statements.size());
        undoEntries_ = static_cast<int>(statements.size());
        emit undoChanged();
    }
    setPanels(StatusCodeText(0), RowCountText(static_cast<std::int32_t>(changedRows)),
              QStringLiteral("実行時間：") + ElapsedTimeText(elapsedMs),
              QStringLiteral("変更を反映しました（%1文）").arg(statements.size()));
    return outcome;
}
