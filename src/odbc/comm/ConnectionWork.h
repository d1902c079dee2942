#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// What the one connection is doing, known in one place: whether it is open, what work runs on
// it, whether a driver call is in progress on its thread, and whether a result cursor is held
// (a fill in progress or suspended). The main window derives every command's enabled state
// from it; changed() tells it when to.
//
// The connection has one long-lived thread, started with the first job, that makes every
// driver call: run() queues a job there and is the one place where the window thread waits
// for the connection, painting, with the program's input gated (see InputGate).
class Prompts;
class QWidget;

class ConnectionWork : public QObject {
    Q_OBJECT

public:
    enum class Kind { None, Connect, Execute, Transact, Fetch, Catalog, Columns, Transfer };

    explicit ConnectionWork(QObject* parent = nullptr);
    ~ConnectionWork() override;

    bool open() const { return open_; }
    // Work is running on the connection: commands that would use or change it must wait.
    bool busy() const { return depth_ > 0; }
    // The outermost work running (None when idle).
    Kind kind() const { return kind_; }
    // The kind of the driver call in progress on the connection's thread (None when none).
    Kind call() const { return call_; }
    bool callInProgress() const { return call_ != Kind::None; }
    bool cursorHeld() const { return cursorHeld_; }

    void setOpen(bool open);
    void setCursorHeld(bool held);
    // How the connection is named to the user (the connection string as the connection box
    // shows it, password masked): the history records it with each statement.
    const QString& sourceText() const { return sourceText_; }
    void setSourceText(const QString& text) { sourceText_ = text; }

    // The text of every refusal of work while other work runs.
    static QString busyText();
    // The one refusal of a command that arrives while work runs (or the window waits for the
    // external editor): busyText in a box titled title, and true. False when the command may
    // start. A command is refused whole, never half done, and never silently.
    bool refuseWhileBusy(Prompts& prompts, QWidget* owner, const QString& title) const;

    // Runs job on the connection's thread and returns when it has ended; the job must not
    // touch widgets. On the window thread of a GUI program the windows paint meanwhile and the
    // input gate is closed; elsewhere (plain programs, benchmarks) this thread simply waits.
    // Called on the connection's thread, the job runs at once.
    // Other Kind::Connect work (environment, source and driver lists) is quick: the window
    // thread simply waits for it, running no events, as a dialog being set up expects; behind
    // a job given up on it waits with events as other work does.
    void run(Kind kind, const std::function<void()>& job);

    // As run(), for a call that may never answer (a connect to a silent server): the window
    // thread always waits with events, and a stop (cancelAll) gives the wait up at once. The
    // job then goes on by itself on the connection's thread, so it must own everything it
    // uses; when it ends, late, dropLate runs there after it to undo what it did. False when
    // given up; a job that ended first counts as ended.
    bool runUntilStopped(Kind kind, std::function<void()> job, std::function<void()> dropLate);
    // A job given up on is still running on the connection's thread.
    bool lateJobRunning() const { return lateJobs_.load() > 0; }

    // Lets the window's events run once with the input gated as run() gates it, where run()
    // would wait with events: between pieces of a result the connection handed over faster
    // than the window took them, so that a suspension or a stop still acts between them.
    static void letGatedEventsRun();

    // Asks all work running now to stop: the registered stops are called (the driver call is
    // cancelled, a transfer ends before its next row). stopRequested() stays true until the
    // outermost work has ended.
    void cancelAll();
    bool stopRequested() const { return stopRequested_; }
    // The program is ending (its window closed, SIGTERM): all work is stopped as by cancelAll,
    // and from now on work ends without a box or a question (nobody may be there to answer).
    void endAll();
    bool ending() const { return ending_; }

    // Registers a stop for cancelAll for its lifetime.
    class Stop {
    public:
        Stop(ConnectionWork& work, std::function<void()> stop);
        ~Stop();
        Stop(const Stop&) = delete;
        Stop& operator=(const Stop&) = delete;

    private:
        ConnectionWork& work_;
        int id_;
    };

    // Marks work on the connection for its lifetime. Scopes nest; the outermost names the work.
    class Scope {
    public:
        Scope(ConnectionWork& work, Kind kind);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ConnectionWork& work_;
    };

signals:
    void changed();
    // The outermost work has ended (emitted after changed()).
    void idle();

private:
    void threadLoop();
    // Queues job for the connection's thread, which the first job starts.
    void enqueue(std::function<void()> job);

    bool open_ = false;
    bool cursorHeld_ = false;
    QString sourceText_;
    int depth_ = 0;
    Kind kind_ = Kind::None;
    Kind call_ = Kind::None;
    bool stopRequested_ = false;
    bool ending_ = false;
    int nextStopId_ = 0;
    std::vector<std::pair<int, std::function<void()>>> stops_;

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool quit_ = false;
    std::atomic<std::thread::id> threadId_{};
    std::atomic<int> lateJobs_{0};
};
