#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Ends the program as closing its window does when the session or a user sends SIGTERM (log-out,
// shut-down, kill), so the settings and lists are saved instead of lost. The signal handler only
// writes a byte to a socket; the work is done on the window thread.
class EndOnSignal : public QObject {
    Q_OBJECT
public:
    explicit EndOnSignal(QObject* parent = nullptr);
    ~EndOnSignal() override;

    // What ending means: the main window's close; true once the window has closed or will
    // close when its work has unwound. Tried again until then.
    void onSignal(std::function<bool()> end) { end_ = std::move(end); }

private:
    void signalled();
    void endWhenNoDialogIsOpen();

    QSocketNotifier* notifier_ = nullptr;
    std::function<bool()> end_;
    int tries_ = 0;
};
