#include "connect/Keyring.h"

#include "base/BusyCursor.h"
#include "base/InputGate.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <optional>

Keyring::Keyring(const QString& service, int timeoutMs) : service_(service), timeoutMs_(timeoutMs)
{
}

Keyring::Result Keyring::wait(QKeychain::Job* job, const std::function<void()>& onAnswer)
{
    // Without the plain-text fallback QtKeychain would write the secret to a settings file of
    // its own where no keyring answers.
    job->setInsecureFallback(false);
    // A job that outlives the wait (timeout) deletes itself when it ends at last.
    job->setAutoDelete(true);
    QCoreApplication* app = QCoreApplication::instance();
    if (!available_ || app == nullptr || QThread::currentThread() != app->thread()) {
        delete job;
        available_ = false;
        return Result::NoKeyring;
    }

    std::optional<QKeychain::Error> error;
    QEventLoop loop;
    // The loop is the context: an answer after the timeout reaches nobody.
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* done) {
        error = done->error();
        if (onAnswer)
            onAnswer();
        loop.quit();
    });
    QTimer::singleShot(timeoutMs_, &loop, &QEventLoop::quit);
    job->start();
    // A quit before exec() would be lost: a job that answered at once needs no wait.
    if (!error) {
        const BusyCursor busy;
        InputGate::wait(loop);
    }

    if (error == QKeychain::NoError)
        return Result::Done;
    if (error == QKeychain::EntryNotFound)
        return Result::NotFound;
    available_ = false;
    return Result::NoKeyring;
}

Keyring::Result Keyring::write(const QString& key, const QString& secret)
{
    auto* job = new QKeychain::WritePasswordJob(service_);
    job->setKey(key);
    job->setTextData(secret);
    return wait(job);
}

Keyring::Result Keyring::read(const QString& key, QString& secret)
{
    auto* job = new QKeychain::ReadPasswordJob(service_);
    job->setKey(key);
    QString text;
    const Result result = wait(job, [job, &text] { text = job->textData(); });
    if (result == Result::Done)
        secret = text;
    return result;
}

Keyring::Result Keyring::remove(const QString& key)
{
    auto* job = new QKeychain::DeletePasswordJob(service_);
    job->setKey(key);
    return wait(job);
}
