#pragma once

#include "odbc/ParamValue.h"
#include "transfer/CsvImport.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ODBCComm;

// Loading a delimited file into a table, committing every so many rows, without widgets. Lines
// go to the database as one prepared INSERT with their values bound as parameter arrays, inside a
// savepoint; a batch the database refuses is taken back and sent again line by line, so a
// refused line is found and asked about as itself. A line with raw SQL values goes alone, in
// its place, and only when they keep to their place. The
// lines are read, built into statements and sent on the connection's thread
// (ODBCComm::DbRunStatements), one piece of work until the end, a stop or a refused line; what
// needs the user in between is asked through onFailedLine on the window thread. The whole load is
// work on the connection, and ConnectionWork::cancelAll stops it as cancel() does.
class LoadJob {
public:
    struct Options {
        QString filePath;
        // "INSERT INTO <target>"; the header's column list is appended when it names them.
        QString head;
        QString delimiter;
        // The first line is a header, not data; headerNames: its fields are the columns.
        bool header = false;
        bool headerNames = false;
        // COMMIT after every this many rows.
        qint64 interval = 1;
        FileEncoding encoding = FileEncoding::Cp932;
        // A line break inside a quoted value is part of it (see LineSource).
        bool quotedLineBreaks = false;
    };

    struct Progress {
        // Lines of data read (a header is not one), and rows inserted and not taken back.
        qint64 linesRead = 0;
        qint64 inserted = 0;
        // The statement sent last, whole.
        QString statement;
    };

    // A line the database refused: its text, and when the rows since the last COMMIT went
    // with it, the note saying so (else empty).
    struct FailedLine {
        QString error;
        QString rolledBack;
    };

    enum class End {
        // Every line was read (or the load was cancelled) and the rows are committed.
        Completed,
        // Stopped after a refused line; the rows before it are committed.
        Stopped,
        // A COMMIT failed: commitCode, with its text as the connection's last error.
        CommitFailed,
        // The file could not be opened; nothing was sent.
        Unreadable,
        // Reading the file failed part way: the rows before are committed, message says so.
        ReadFailed,
    };

    struct Outcome {
        End end = End::Unreadable;
        qint64 inserted = 0;
        std::int16_t commitCode = 0;
        // The end message when completed, or when reading failed.
        QString message;
        // Said however the load ended when values had bytes that are not code page 932.
        QString badValues;
    };

    LoadJob(ODBCComm& db, Options options);
    ~LoadJob();
    LoadJob(const LoadJob&) = delete;
    LoadJob& operator=(const LoadJob&) = delete;

    // Called on the thread that runs the load, as the counts change (at least when each piece
    // of work ends).
    std::function<void(const Progress&)> onProgress;
    // Called on that thread after a refused line; true goes on with the next line.
    std::function<bool(const FailedLine&)> onFailedLine;

    // Runs the load and returns when it has ended.
    Outcome run();
    // The load stops before its next line and ends as completed, "（中断）". Any thread.
    void cancel() { cancel_ = true; }

private:
    Progress progress() const;
    // Hands the counts to the running thread: post() from the connection's thread, show() on
    // the running thread itself.
    void post();
    void show();
    void deliver(std::uint64_t sequence, const Progress& progress);
    // After a refused INSERT: whether the rows since the last commit went with it. psqlODBC
    // (13.02) takes back the whole transaction when a statement fails to parse (its
    // statement-level rollback covers only later errors), and says nothing of it. Asked with
    // PostgreSQL's txid_current_if_assigned(), which is NULL in a transaction that has written
    // nothing; elsewhere the probe fails and the rows count as kept, as they are there.
    bool pendingRowsLost();
    // COMMIT as a piece of its own; 0 or the failure's code.
    std::int16_t commit();

    // One line read and built, not sent yet: its bound values in stored_ (count from first),
    // and, when a raw value of it makes it go alone, its own statement.
    struct Line {
        std::size_t first = 0;
        std::size_t count = 0;
        std::size_t fieldCount = 0;
        int badValues = 0;
        bool alone = false;
        std::string statement;
        // Why it is not sent, when a raw value would reach beyond its place.
        QString refusal;
        // As shown to the user, when it goes alone.
        std::string shown;
    };
    // A bound value kept in arena_.
    struct Stored {
        ParamKind kind;
        std::size_t at;
        std::size_t size;
        bool bare; // a number, shown as it stands
    };

    ODBCComm& db_;
    const Options options_;
    // The lines read ahead and from which one on they are still to be sent. Kept across
    // pieces: after a refused line the load goes on with the next.
    std::vector<Line> lines_;
    std::vector<Stored> stored_;
    std::string arena_;
    std::size_t next_ = 0;
    // The values of the statement being sent, the kinds of a batch's columns, and the INSERT
    // of markers built last, for multiRows_ lines of multiCount_ values.
    std::vector<ParamValue> params_;
    std::vector<ParamKind> batchKinds_;
    std::string head_;
    std::string multi_;
    std::size_t multiCount_ = 0;
    std::size_t multiRows_ = 0;
    // The last line's statement as shown, and why the last refused line was not sent.
    std::string shown_;
    QString refusal_;
    std::atomic<bool> cancel_{false};
    qint64 linesRead_ = 0;
    qint64 inserted_ = 0;
    // Made with the first piece, once the header is read; holds the statement sent last.
    std::optional<csvimport::StatementBuilder> builder_;
    // Counts handed over during a piece can arrive after the piece's own last ones: each has a
    // number, and older ones are dropped. Used by one thread at a time (the pieces are waited
    // for).
    std::uint64_t sequence_ = 0;
    std::uint64_t delivered_ = 0;
    // Receives the counts posted from the connection's thread; posts still pending go with it.
    QObject receiver_;
};
