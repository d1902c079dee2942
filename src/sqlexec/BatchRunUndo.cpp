// The transaction's side of a run: COMMIT and ROLLBACK, the record of pending work, and the
// savepoint before each statement that may change data, which "直前のSQLを取り消す" rolls back
// to.
#include "sqlexec/BatchRun.h"

#include "sqlexec/SqlExecText.h"

#include "base/Prompts.h"
#include "odbc/comm/ODBCComm.h"

namespace {

const QString kUndoSavepoint = QStringLiteral("quorvant_undo");

} // namespace

void BatchRun::commit_command()
{
    transact(true);
}

void BatchRun::rollback_command()
{
    transact(false);
}

void BatchRun::transact(bool commit)
{
    const QString word = commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK");
    if (!db_.DbIsConnected()) {
        prompts_.tell(boxOwner_, Prompts::Icon::Warning,
                      QStringLiteral("QUORVANT - ") + word + QStringLiteral("の実行"),
                      NotConnectedText());
        return;
    }
    // A result kept open across it would be computed to its end by the server.
    endSuspendedFetch();
    const std::int16_t code = commit ? db_.DbCommit(boxOwner_) : db_.DbRollback(boxOwner_);
    QString message;
    if (code == 0) {
        message = word + QStringLiteral("が完了しました。");
        prompts_.tell(boxOwner_, Prompts::Icon::Information,
                      QStringLiteral("QUORVANT - ") + word + QStringLiteral("完了"), message);
    } else {
        message = word + QStringLiteral("エラー：") + db_.DbLastErrorText();
    }
    setPanels(StatusCodeText(code), QStringLiteral("行数:"), QStringLiteral("実行時間："), message);
}

bool BatchRun::undoAvailable() const
{
    return undoLive_ && db_.DbIsConnected() && db_.DbStatementsSent() == undoStamp_;
}

void BatchRun::dropUndo()
{
    if (!undoLive_)
        return;
    undoLive_ = false;
    emit undoChanged();
}

void BatchRun::forgetSavepointAfterFailure()
{
    // psqlODBC takes back the whole transaction at a failure when our savepoint came first in
    // it: releasing the savepoint that is gone would abort the next transaction.
    if (db_.DbFailedStatementMayDropWrites())
        savepointSet_ = false;
}

void BatchRun::afterImplicitCommitFailed()
{
    // The question would take the cursor of a suspended result; the ledger then stays.
    if (db_.work().cursorHeld() || db_.DbExecute(QStringLiteral("SELECT @@in_transaction")) != 0)
        return;
    QVector<QString> values;
    const bool ended = db_.DbFetch(values, true) == 0 && !values.isEmpty() && values[0] == u"0";
    db_.DbCloseCursor();
    if (ended) {
        savepointSet_ = false;
        db_.pending().clear();
    }
}

bool BatchRun::setSavepoint(const StatementEffect& effect)
{
    if (!undoEnabled_ || !db_.DbSavepointsUndo() || (effect.ddl && db_.DbDdlCommitsItself()))
        return false;
    // The previous one is released first, while it is known to exist: savepoints that pile up
    // in one transaction slow PostgreSQL down, and releasing one that is gone would abort it.
    const bool release = savepointSet_ && savepointTransactions_ == db_.DbTransactionEnds();
    const std::string name = kUndoSavepoint.toStdString();
    std::int16_t code = ODBCComm::kBusy;
    db_.DbRunStatements([&](ODBCComm::StatementCalls& calls) {
        code = release ? calls.execute("RELEASE SAVEPOINT " + name) : 0;
        if (code == 0)
            code = calls.execute("SAVEPOINT " + name);
    });
    savepointSet_ = code == 0;
    savepointTransactions_ = db_.DbTransactionEnds();
    return savepointSet_;
}

bool BatchRun::afterChange(const QString& sql, const StatementEffect& effect, bool savepoint,
                           std::int64_t rows)
{
    // COMMIT, ROLLBACK, DDL that commits by itself, or a statement before which the database
    // commits (MariaDB's BEGIN, LOCK TABLES, ...): the transaction has ended, with what was
    // pending and the savepoints.
    const bool ddlCommitted = effect.ddl && db_.DbDdlCommitsItself();
    if (effect.commits || effect.rollsBack || ddlCommitted || effect.commitsBefore) {
        savepointSet_ = false;
        db_.pending().clear();
    }
    if (effect.mayChange && !ddlCommitted)
        db_.pending().record(
            {sql, exec_started_at, std::max<std::int64_t>(0, rows), exec_elapsed_ms});
    if (!savepoint)
        return true;
    undoLive_ = true;
    undoStamp_ = db_.DbStatementsSent();
    undoSql_ = sql;
    undoEntries_ = 1;
    emit undoChanged();
    if (!effect.updateOrDelete || (!effect.withoutWhere && rows <= undoAskRows_) ||
        !askingAllowed())
        return true;
    // Asked after it ran, with the exact count; taking it back is the safe answer.
    if (prompts_.ask(boxOwner_, Prompts::Icon::Question, QStringLiteral("QUORVANT"),
                     QStringLiteral("%1行が変更されました。この変更を残しますか？").arg(rows),
                     Prompts::Buttons::KeepUndo, Prompts::Answer::No) == Prompts::Answer::Yes)
        return true;
    undoLast();
    return false;
}

void BatchRun::undoLast()
{
    if (!undoAvailable())
        return;
    // The undone statement's own result would be closed under its fill by the rollback; a
    // suspended result of an earlier statement stays.
    if (resultStamp_ == undoStamp_)
        endSuspendedFetch();
    const std::string sql = "ROLLBACK TO SAVEPOINT " + kUndoSavepoint.toStdString();
    std::int16_t code = ODBCComm::kBusy;
    db_.DbRunStatements([&](ODBCComm::StatementCalls& calls) { code = calls.execute(sql); });
    undoLive_ = false;
    emit undoChanged();
    if (code != 0) {
        const QString error = db_.DbLastErrorText();
        prompts_.tell(boxOwner_, Prompts::Icon::Warning, ExecErrorTitle(), error);
        setPanels(StatusCodeText(code), QStringLiteral("行数:"), QStringLiteral("実行時間："),
                  QStringLiteral("取り消しエラー：") + error);
        return;
    }
    for (int i = 0; i < undoEntries_; ++i)
        db_.pending().dropLast();
    setPanels(StatusCodeText(0), QStringLiteral("行数:"), QStringLiteral("実行時間："),
              QStringLiteral("直前のSQLを取り消しました：") + StatementPreview(undoSql_));
}
