// A signal handler may only write to a pipe: the event loop reads it, here as in
// the nested loops long work runs while it pumps events.
#include "ui/StopSignals.h"

#include "core/app/StopCode.h"
#include "core/app/Workspace.h"
#include "ui/CScovaroDlg.h"
#include "ui/ForwardingHost.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vedra::ui {
namespace {

constexpr std::array<int, 3> kStopSignals = {SIGTERM, SIGHUP, SIGINT};
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[kStopSignals.size()];

void onStopSignal(int signal)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

MessageResponder declineEverything()
{
    return [](const std::string&, app::MessageButtons buttons) { return scriptedAnswer(buttons, false); };
}

} // namespace

StopSignals::StopSignals(CScovaroDlg& dialog, ForwardingHost& host) : m_dialog(dialog), m_host(host)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::onSignal);
    m_idle.setInterval(50);
    connect(&m_idle, &QTimer::timeout, this, &StopSignals::closeWhenIdle);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
        ::sigaction(kStopSignals[i], &action, &g_previous[i]);
}

StopSignals::~StopSignals()
{
    if (m_notifier == nullptr)
        return;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
        ::sigaction(kStopSignals[i], &g_previous[i], nullptr);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void StopSignals::onSignal()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        if (m_signal != 0) {
            // Asked twice: as the signal would have done without us.
            ::signal(byte, SIG_DFL);
            ::raise(byte);
        }
        m_signal = byte;
    }
    if (m_signal == 0)
        return;
    // Nobody is there to answer: every box is declined without being shown, and
    // one open now is closed (as Escape would).
    m_host.setMessageResponder(declineEverything());
    m_dialog.setMessageResponder(declineEverything());
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != &m_dialog)
        modal->close();
    if (m_dialog.longWorkRunning() || m_dialog.workspace().busy)
        m_dialog.workspace().BreakCode = app::StopCode::Break;
    closeWhenIdle();
}

void StopSignals::closeWhenIdle()
{
    if (m_dialog.longWorkRunning() || m_dialog.workspace().busy) {
        m_idle.start();
        return;
    }
    m_idle.stop();
    // Accepted: the goodbye of a cancelled window is a box nobody would answer.
    m_dialog.done(QDialog::Accepted);
}

} // namespace vedra::ui
