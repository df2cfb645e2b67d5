#include "ui/WatcherChild.h"

#include <QProcess>
#include <QStringList>

#include <csignal>
#include <cstring>
#include <sys/prctl.h>
#include <unistd.h>

namespace vedra::ui {

WatcherChild::WatcherChild(QObject* parent) : QObject(parent) {}

WatcherChild::~WatcherChild()
{
    // Its end is nobody's news any more: whoever listened may be gone already.
    if (m_process != nullptr)
        m_process->disconnect(this);
    stop();
}

bool WatcherChild::running() const
{
    return m_process != nullptr && m_process->state() != QProcess::NotRunning;
}

void WatcherChild::start(const std::string& program, const std::vector<std::string>& arguments)
{
    if (running())
        return;
    m_state = {};
    if (program.empty()) {
        m_state.startError = std::string("vedra: ") + std::strerror(ENOENT);
        emit changed();
        return;
    }
    delete m_process;
    m_process = new QProcess(this);
    // Its notices go where the window's go; what it prints for a user at a
    // terminal has no reader here.
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const pid_t window = ::getpid();
    m_process->setChildProcessModifier([window] {
        // Between fork and exec: only calls safe there.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != window)
            ::_exit(1);
    });
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    connect(m_process, &QProcess::started, this, [this] {
        m_state.runningPid = static_cast<int>(m_process->processId());
        emit changed();
    });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        m_state = {};
        m_state.startError = m_process->program().toStdString() + ": " + m_process->errorString().toStdString();
        emit changed();
    });
    connect(m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        m_state.runningPid = 0;
        m_state.ended = true;
        // As a shell tells a program a signal ended.
        m_state.exitCode = status == QProcess::CrashExit ? 128 + exitCode : exitCode;
        emit changed();
    });
    m_process->start(QString::fromStdString(program), list);
}

void WatcherChild::stop(int waitMilliseconds)
{
    if (!running())
        return;
    m_process->terminate();
    if (!m_process->waitForFinished(waitMilliseconds)) {
        m_process->kill();
        m_process->waitForFinished(waitMilliseconds);
    }
}

} // namespace vedra::ui
