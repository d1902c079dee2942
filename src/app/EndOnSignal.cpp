#include "app/EndOnSignal.h"

#include "base/InputGate.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalSockets[2] = {-1, -1};

void onTerm(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

} // namespace

EndOnSignal::EndOnSignal(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return;
    notifier_ = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &EndOnSignal::signalled);
    struct sigaction action {};
    action.sa_handler = onTerm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
}

EndOnSignal::~EndOnSignal()
{
    if (notifier_ == nullptr)
        return;
    ::signal(SIGTERM, SIG_DFL);
    ::close(signalSockets[0]);
    ::close(signalSockets[1]);
    signalSockets[0] = signalSockets[1] = -1;
}

void EndOnSignal::signalled()
{
    char byte = 0;
    [[maybe_unused]] const ssize_t got = ::read(signalSockets[1], &byte, 1);
    tries_ = 0;
    endWhenNoDialogIsOpen();
}

void EndOnSignal::endWhenNoDialogIsOpen()
{
    // A signal during start-up waits until the window is there to be closed.
    if (!end_) {
        QTimer::singleShot(50, this, &EndOnSignal::endWhenNoDialogIsOpen);
        return;
    }
    // A dialog's own event loop (the connect dialog, a message box) must end before the main
    // window closes, or the window would unload underneath it. A dialog that refuses to close
    // does not keep the program alive for ever.
    if (QWidget* dialog = QApplication::activeModalWidget(); dialog != nullptr && tries_ < 50) {
        ++tries_;
        dialog->close();
        QTimer::singleShot(50, this, &EndOnSignal::endWhenNoDialogIsOpen);
        return;
    }
    // The external editor's wait refuses every close; an end that did not take is tried again.
    InputGate::letClosesThrough();
    if (!end_())
        QTimer::singleShot(50, this, &EndOnSignal::endWhenNoDialogIsOpen);
}
