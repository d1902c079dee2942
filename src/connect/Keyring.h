#pragma once

#include <QString>

#include <functional>

namespace QKeychain {
class Job;
}

// Secrets in the desktop's Secret Service keyring (QtKeychain), under one service name, one
// secret per key; never in a file, whatever the keyring answers. The keyring's jobs are
// asynchronous: each call waits for its answer with the window painting and the program's input
// gated, at most timeoutMs. A keyring that gave no answer once (no Secret Service on the bus, no
// bus, a timeout) is not asked again while the program runs, so a hung keyring costs one wait.
class Keyring {
public:
    enum class Result { Done, NotFound, NoKeyring };

    static constexpr int kTimeoutMs = 10000;

    explicit Keyring(const QString& service, int timeoutMs = kTimeoutMs);

    Result write(const QString& key, const QString& secret);
    Result read(const QString& key, QString& secret);
    Result remove(const QString& key);

    // False once the keyring has failed to answer.
    bool available() const { return available_; }

private:
    // onAnswer runs when the job answers within the wait, while the job is still alive.
    Result wait(QKeychain::Job* job, const std::function<void()>& onAnswer = {});

    QString service_;
    int timeoutMs_;
    bool available_ = true;
};
