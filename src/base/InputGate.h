#pragma once

#include <QObject>
#include <QPointer>

class QEventLoop;

#include <vector>

// Closes the program to the user's input while long work runs, for the whole program at once:
// the windows keep painting, but keys, clicks, wheels and drops reach only what may act
// during work: the menus and toolbars (their commands are enabled by the connection's state,
// so only stop and exit are), and the widgets let through by allow() (a running window's
// Cancel). Shortcuts of enabled commands still fire. Closes nest; the gate opens again when
// the outermost Closed ends. A strict close lets through only the allowed widgets: while the
// user works in another program on the window's text (the external editor), no command of the
// window may act.
class InputGate : public QObject {
public:
    // Input goes to widget (and its children) also while the gate is closed, for the
    // widget's lifetime.
    static void allow(QObject* widget);
    static bool isClosed();
    // The program is ending on the session's word (SIGTERM): from now on a strict close lets
    // the closes of windows through, so the end is not lost while the external editor runs.
    static void letClosesThrough();

    // The window thread's only ways to let events run while it waits (for the connection, the
    // keyring, the external editor): the windows paint, input is gated as a Closed gates it.
    // wait() runs loop until it quits (quit it queued from another thread); strict as Closed.
    static void wait(QEventLoop& loop, bool strict = false);
    // Lets what is pending run once, gated (a repaint between pieces of work).
    static void runPending();

    class Closed {
    public:
        explicit Closed(bool strict = false);
        ~Closed();
        Closed(const Closed&) = delete;
        Closed& operator=(const Closed&) = delete;

    private:
        bool strict_;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool letsThrough(QObject* target) const;

    std::vector<QPointer<QObject>> allowed_;
    int depth_ = 0;
    int strictDepth_ = 0;
    bool closesThrough_ = false;
};
