#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <utility>

// Runs action once, from the window's events while long work runs (a fill, a load), as soon as
// ready() holds; the timer checks every intervalMs.
class OnceWhen {
public:
    OnceWhen(std::function<bool()> ready, std::function<void()> action, int intervalMs = 0)
    {
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout,
                         [this, ready = std::move(ready), action = std::move(action)] {
                             if (done_ || !ready())
                                 return;
                             done_ = true;
                             timer_.stop();
                             action();
                         });
        timer_.start();
    }
    bool done() const { return done_; }

private:
    QTimer timer_;
    bool done_ = false;
};
