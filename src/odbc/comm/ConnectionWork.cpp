#include "odbc/comm/ConnectionWork.h"

#include "base/BusyCursor.h"
#include "base/InputGate.h"
#include "base/Prompts.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <memory>
#include <optional>

ConnectionWork::ConnectionWork(QObject* parent) : QObject(parent) {}

ConnectionWork::~ConnectionWork()
{
    if (!thread_.joinable())
        return;
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

QString ConnectionWork::busyText()
{
    return QStringLiteral("[ODBCComm]他の処理が実行中です。終了してから実行して下さい。");
}

bool ConnectionWork::refuseWhileBusy(Prompts& prompts, QWidget* owner, const QString& title) const
{
    if (!busy() && !InputGate::isClosed())
        return false;
    prompts.tell(owner, Prompts::Icon::Warning, title, busyText());
    return true;
}

void ConnectionWork::setOpen(bool open)
{
    if (open_ == open)
        return;
    open_ = open;
    emit changed();
}

void ConnectionWork::setCursorHeld(bool held)
{
    if (cursorHeld_ == held)
        return;
    cursorHeld_ = held;
    emit changed();
}

void ConnectionWork::threadLoop()
{
    threadId_ = std::this_thread::get_id();
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

namespace {

// run() waits with the window's events running on the window thread of a GUI program.
bool waitsWithEvents()
{
    QCoreApplication* app = QCoreApplication::instance();
    return qobject_cast<QGuiApplication*>(app) != nullptr &&
           QThread::currentThread() == app->thread();
}

} // namespace

void ConnectionWork::letGatedEventsRun()
{
    if (!waitsWithEvents())
        return;
    InputGate::runPending();
}

void ConnectionWork::enqueue(std::function<void()> job)
{
    {
        const std::lock_guard lock(mutex_);
        if (!thread_.joinable())
            thread_ = std::thread([this] { threadLoop(); });
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void ConnectionWork::run(Kind kind, const std::function<void()>& job)
{
    if (std::this_thread::get_id() == threadId_.load()) {
        job();
        return;
    }
    const Scope scope(*this, kind);
    const Kind outerCall = call_;
    call_ = kind;
    BusyCursor busy;

    // The job's end, told to this thread: a flag for the wait below and a quit for the loop.
    struct Done {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    } done;
    QEventLoop* loop = nullptr;
    const bool windowThread = waitsWithEvents() && (kind != Kind::Connect || lateJobRunning());
    std::optional<QEventLoop> ownLoop;
    if (windowThread)
        loop = &ownLoop.emplace();
    enqueue([&job, &done, loop] {
        job();
        {
            const std::lock_guard doneLock(done.mutex);
            done.done = true;
        }
        done.cv.notify_one();
        // Queued, so the quit takes effect inside exec() even when the job ends first.
        if (loop != nullptr)
            QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    if (loop != nullptr)
        InputGate::wait(*loop);
    // exec() also returns when the program is told to exit; the job may still use this frame.
    std::unique_lock lock(done.mutex);
    done.cv.wait(lock, [&done] { return done.done; });
    lock.unlock();
    call_ = outerCall;
}

bool ConnectionWork::runUntilStopped(Kind kind, std::function<void()> job,
                                     std::function<void()> dropLate)
{
    if (!waitsWithEvents() || std::this_thread::get_id() == threadId_.load()) {
        run(kind, job);
        return true;
    }
    const Scope scope(*this, kind);
    const Kind outerCall = call_;
    call_ = kind;
    BusyCursor busy;
    // Whether the job ended or was given up is settled under the mutex, once, by whichever
    // side comes first; the loop is only told to quit while the wait still watches it.
    struct Handover {
        std::mutex mutex;
        bool ended = false;
        bool givenUp = false;
    };
    const auto handover = std::make_shared<Handover>();
    QEventLoop loop;
    QEventLoop* const watching = &loop;
    enqueue([this, handover, watching, job = std::move(job), dropLate = std::move(dropLate)] {
        job();
        std::unique_lock lock(handover->mutex);
        handover->ended = true;
        if (!handover->givenUp) {
            QMetaObject::invokeMethod(watching, &QEventLoop::quit, Qt::QueuedConnection);
            return;
        }
        lock.unlock();
        if (dropLate)
            dropLate();
        --lateJobs_;
    });
    {
        const Stop stop(*this, [watching] { watching->quit(); });
        InputGate::wait(loop);
    }
    call_ = outerCall;
    const std::lock_guard lock(handover->mutex);
    if (handover->ended)
        return true;
    handover->givenUp = true;
    ++lateJobs_;
    return false;
}

void ConnectionWork::cancelAll()
{
    if (depth_ == 0)
        return;
    stopRequested_ = true;
    // A stop may end its own registration: call copies.
    const auto stops = stops_;
    for (const auto& [id, stop] : stops)
        stop();
}

void ConnectionWork::endAll()
{
    ending_ = true;
    cancelAll();
}

ConnectionWork::Stop::Stop(ConnectionWork& work, std::function<void()> stop)
    : work_(work), id_(++work.nextStopId_)
{
    work_.stops_.emplace_back(id_, std::move(stop));
}

ConnectionWork::Stop::~Stop()
{
    std::erase_if(work_.stops_, [this](const auto& entry) { return entry.first == id_; });
}

ConnectionWork::Scope::Scope(ConnectionWork& work, Kind kind) : work_(work)
{
    if (work_.depth_++ == 0) {
        work_.kind_ = kind;
        work_.stopRequested_ = false;
        emit work_.changed();
    }
}

ConnectionWork::Scope::~Scope()
{
    if (--work_.depth_ == 0) {
        work_.kind_ = Kind::None;
        work_.stopRequested_ = false;
        emit work_.changed();
        emit work_.idle();
    }
}
