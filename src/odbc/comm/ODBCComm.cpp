#include "odbc/comm/ODBCComm.h"

#include "base/BusyCursor.h"
#include "base/Prompts.h"
#include "base/Utf8Text.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/CommText.h"
#include "odbc/comm/ResultSetInfo.h"

#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

using namespace commtext;

ODBCComm::ODBCComm(OdbcLib& lib, Prompts& prompts)
    : lib_(lib), prompts_(prompts), driverStop_(work_, [this] {
          // A load runs its statements back to back on one statement handle, and stops between
          // them by its own flag: SQLite ODBC 0.9998 frees that handle's buffers in SQLCancel
          // while the next execute uses them (a double free under AddressSanitizer).
          if (work_.call() == ConnectionWork::Kind::Transfer)
              cancelRequested_ = true;
          else
              DbCancel();
      })
{
}

ODBCComm::~ODBCComm()
{
    // The handles are released where they were used; the thread ends with work_.
    if (lib_.hasEnvironment())
        work_.run(ConnectionWork::Kind::Connect, [this] { lib_.OdbcFreeEnv(); });
}

void ODBCComm::warn(QWidget* owner, const QString& title, const QString& text)
{
    prompts_.tell(owner, Prompts::Icon::Warning, title, text);
}

bool ODBCComm::DbInit()
{
    int code = 0;
    work_.run(ConnectionWork::Kind::Connect, [&] { code = lib_.OdbcInitEnv(); });
    if (code != 0) {
        warn(nullptr, QStringLiteral("INIT エラー"),
             QStringLiteral("ＯＤＢＣの初期化に失敗しました。"));
        return false;
    }
    return true;
}

int ODBCComm::DbConnect(QWidget* owner, const QString& dsn, QString& uid, QString& pwd,
                        const QString& driver, QString& connStr)
{
    const QString title = QStringLiteral("CONNECT エラー");
    if (work_.open()) {
        warn(owner, title, QStringLiteral("ＤＢは既に接続されています。"));
        return -99;
    }
    // A new connection starts with autocommit off.
    autocommitUntilClosed_ = false;
    autocommitLeftOn_ = false;
    if (!mayStart()) {
        warn(owner, title, refusal_);
        return -99;
    }
    // The attempt owns its texts: a connect given up on goes on without this frame.
    struct Attempt {
        std::string uid, pwd, conn, dsn, driver;
        bool envFailed = false;
        std::int16_t code = 0;
        std::string error;
    };
    const auto a = std::make_shared<Attempt>();
    a->uid = toUtf8(uid);
    a->pwd = toUtf8(pwd);
    a->conn = toUtf8(connStr);
    a->dsn = toUtf8(dsn);
    a->driver = toUtf8(driver);
    const bool ended = work_.runUntilStopped(
        ConnectionWork::Kind::Connect,
        [this, a] {
            lib_.OdbcFreeEnv();
            if (lib_.OdbcInitEnv() != 0) {
                a->envFailed = true;
                return;
            }
            // unixODBC reads the window argument as its own ODBCINSTWND record naming a
            // prompt plugin, not as a window id; none of our drivers prompts, so no window is
            // passed.
            a->code = lib_.OdbcConnect(nullptr, a->dsn, a->uid, a->pwd, a->driver, a->conn);
            if (a->code != 0)
                a->error = lib_.OdbcTakeLastError();
        },
        // Nobody waits for a late connection: it is closed and its handles freed.
        [this, a] {
            if (!a->envFailed && a->code == 0)
                lib_.OdbcDisconnect();
            lib_.OdbcFreeEnv();
        });
    if (!ended) {
        warn(owner, title, QStringLiteral("接続を中止しました。ＤＢは接続されていません。"));
        return -99;
    }
    if (a->envFailed) {
        warn(owner, title, QStringLiteral("ＯＤＢＣの初期化に失敗しました。"));
        return -99;
    }
    uid = fromUtf8(a->uid);
    pwd = fromUtf8(a->pwd);
    connStr = fromUtf8(a->conn);
    if (a->code != 0) {
        warn(owner, title,
             codeText(a->code) + QStringLiteral(":ＤＢ接続に失敗しました。") + QLatin1Char('\n') +
                 fromUtf8(a->error));
        return -99;
    }
    work_.setOpen(true);
    return 0;
}

int ODBCComm::DbDisconnect(QWidget* owner, EndOfWork end)
{
    if (!work_.open())
        return 0;
    if (!mayStart())
        return -99;
    // A result left open would be computed to its end by the COMMIT (a cursor kept across
    // it): it ends first, as for a new statement.
    releaseHeldCursor();
    forgetFetchEnd();
    int result = 0;
    std::int16_t commit = 0;
    QString commitError;
    callOnWorker(ConnectionWork::Kind::Execute, [&] {
        if (end == EndOfWork::RollBack) {
            result = lib_.OdbcRollback() != 0 || lib_.OdbcDisconnect() != 0 ? -99 : 0;
            lib_.OdbcFreeEnv();
            return;
        }
        commit = lib_.OdbcCommit();
        if (commit != 0)
            commitError = fromUtf8(lib_.OdbcLastError());
        result = lib_.OdbcDisconnect() != 0 || commit != 0 ? -99 : 0;
        lib_.OdbcFreeEnv();
    });
    if (commit != 0)
        warn(owner, QStringLiteral("QUORVANT - COMMITエラー"),
             codeText(commit) +
                 QStringLiteral(":切断時のCOMMITに失敗しました。"
                                "作業内容はCOMMITされていません。") +
                 QLatin1Char('\n') + commitError);
    ++generation_;
    ++statementsSent_;
    ++transactionEnds_;
    pending_.clear();
    work_.setCursorHeld(false);
    work_.setOpen(false);
    return result;
}

int ODBCComm::DbSetReadOnly(QWidget* owner, bool tellUnguarded)
{
    if (!work_.open() || !mayStart())
        return -99;
    std::int16_t code = 0;
    bool serverEnforced = false;
    QString error;
    callOnWorker(ConnectionWork::Kind::Connect, [&] {
        code = lib_.OdbcSetReadOnly(serverEnforced);
        if (code != 0)
            error = fromUtf8(lib_.OdbcLastError());
    });
    if (code != 0) {
        warn(owner, QStringLiteral("CONNECT エラー"),
             codeText(code) +
                 QStringLiteral(":読取専用に設定できませんでした。接続を切断します。") +
                 QLatin1Char('\n') + error);
        DbDisconnect(owner);
        return -99;
    }
    if (!serverEnforced && tellUnguarded)
        warn(owner, QStringLiteral("QUORVANT - 読取専用"),
             QStringLiteral("このデータベースでは読取専用を保証できません。"
                            "ドライバに読取専用を指定しましたが、"
                            "更新がデータベースに拒否されるとは限りません。"));
    return 0;
}

std::int16_t ODBCComm::transact(bool commit, QWidget* owner)
{
    if (!mayStart())
        return kBusy;
    // A suspended result would be kept across the COMMIT and computed to its end there.
    releaseHeldCursor();
    std::int16_t code = 0;
    ++statementsSent_;
    ++transactionEnds_;
    callOnWorker(ConnectionWork::Kind::Transact,
                 [&] { code = commit ? lib_.OdbcCommit() : lib_.OdbcRollback(); });
    // A failed one leaves the transaction as the database has it: the record stays.
    if (code == 0)
        pending_.clear();
    if (code != 0)
        DbShowError(code,
                    commit ? QStringLiteral("COMMIT エラー") : QStringLiteral("ROLLBACK エラー"),
                    owner);
    return code;
}

std::int16_t ODBCComm::DbCommit(QWidget* owner)
{
    return transact(true, owner);
}

std::int16_t ODBCComm::DbRollback(QWidget* owner)
{
    return transact(false, owner);
}

std::int16_t ODBCComm::DbExecute(const QString& sql, std::int32_t maxRows)
{
    lastRowCount_ = 0;
    lastColumnCount_ = 0;
    if (!mayStart())
        return kBusy;
    if (autocommitLeftOn_) {
        // No statement of the user's may run in autocommit mode: it would commit itself.
        std::int16_t off = 0;
        work_.run(ConnectionWork::Kind::Execute, [&] { off = lib_.OdbcSetAutocommit(false); });
        if (off != 0)
            return off;
        autocommitLeftOn_ = false;
    }
    cancelRequested_ = false;
    const std::string text = toUtf8(sql);
    std::int16_t code = 0;
    ++statementsSent_;
    bool cursorStays = false;
    callOnWorker(ConnectionWork::Kind::Execute, [&] {
        code = lib_.OdbcExecute(text, lastRowCount_, lastColumnCount_, maxRows);
        cursorStays = lib_.cursorAllocated();
    });
    if (code == 0 && lastColumnCount_ > 0) {
        // The new result took the cursor; rows read ahead from an earlier one are gone with it.
        forgetFetchEnd();
        ++generation_;
        work_.setCursorHeld(true);
    } else if (!cursorStays) {
        forgetFetchEnd();
        work_.setCursorHeld(false);
    }
    return code;
}

std::int16_t ODBCComm::StatementCalls::execute(std::string_view utf8Sql)
{
    return db_.lib_.OdbcExecuteAgain(utf8Sql);
}

std::int16_t ODBCComm::StatementCalls::executeBound(std::string_view utf8Sql, std::size_t columns,
                                                    const std::vector<ParamValue>& values)
{
    return db_.lib_.OdbcExecuteBound(utf8Sql, columns, values);
}

QString ODBCComm::StatementCalls::lastErrorText() const
{
    return fromUtf8(db_.lib_.OdbcLastError());
}

std::int64_t ODBCComm::StatementCalls::boundRowCount()
{
    return db_.lib_.OdbcBoundRowCount();
}

std::int16_t
ODBCComm::StatementCalls::fetchBoundRow(std::vector<std::optional<std::string>>& values)
{
    return db_.lib_.OdbcFetchBoundRow(values);
}

const DriverTraits& ODBCComm::StatementCalls::traits() const
{
    return db_.lib_.traits();
}

std::int16_t ODBCComm::StatementCalls::commit()
{
    commitSent_ = true;
    const std::int16_t code = db_.lib_.OdbcCommit();
    if (code == 0)
        committed_ = true;
    return code;
}

bool ODBCComm::DbRunStatements(const std::function<void(StatementCalls&)>& work)
{
    lastRowCount_ = 0;
    lastColumnCount_ = 0;
    if (!mayStart())
        return false;
    StatementCalls calls(*this);
    ++statementsSent_;
    callOnWorker(ConnectionWork::Kind::Transfer, [&] { work(calls); });
    // The work's own COMMIT committed what the user had pending as well.
    if (calls.commitSent_)
        ++transactionEnds_;
    if (calls.committed_)
        pending_.clear();
    return true;
}

void ODBCComm::DbCancel()
{
    cancelRequested_ = true;
    lib_.OdbcCancel();
}

void ODBCComm::callOnWorker(ConnectionWork::Kind kind, const std::function<void()>& work)
{
    work_.run(kind, work);
    if (closePending_) {
        closePending_ = false;
        closeCursorNow();
    }
}

bool ODBCComm::mayStart()
{
    refusal_.clear();
    if (!work_.callInProgress())
        return true;
    refusal_ = ConnectionWork::busyText();
    return false;
}

void ODBCComm::releaseHeldCursor(bool forCatalog)
{
    if (!work_.cursorHeld())
        return;
    if (endCursorHolder_)
        endCursorHolder_(forCatalog);
    if (work_.cursorHeld())
        DbCloseCursor();
}

QString ODBCComm::DbLastErrorText() const
{
    if (!refusal_.isEmpty())
        return refusal_;
    return fromUtf8(lib_.OdbcLastError());
}

void ODBCComm::DbShowError(std::int16_t code, const QString& title, QWidget* owner)
{
    try {
        // The text stays readable after the box: the COMMIT and ROLLBACK commands repeat it
        // in the status bar.
        QString text = codeText(code);
        if (code == -9)
            text += QStringLiteral(":データが重複しています。コードを変更して下さい。");
        else if (code == 100)
            text += QStringLiteral(":該当データがありません。コードを変更して下さい。");
        else if (work_.open())
            text += QStringLiteral(":以下のメッセージを参照。") + QLatin1Char('\n') +
                    fromUtf8(lib_.OdbcLastError());
        else
            text += QStringLiteral(":ＤＢ接続に失敗しています。") + QLatin1Char('\n') +
                    fromUtf8(lib_.OdbcLastError());
        warn(owner, title, text);
    } catch (...) {
        // An error box that cannot be shown must not take the program down with it.
    }
}

bool ODBCComm::DbFailedStatementMayDropWrites() const
{
    return lib_.failedStatementMayDropWrites();
}

bool ODBCComm::DbSavepointsUndo() const
{
    return lib_.savepointsUndo();
}

bool ODBCComm::DbDdlCommitsItself() const
{
    return lib_.ddlCommitsItself();
}

sql::Dialect ODBCComm::DbDialect() const
{
    return work_.open() ? lib_.dialect() : sql::Dialect{};
}
