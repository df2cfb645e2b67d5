// SIGTERM, SIGHUP and SIGINT (a session ending, a terminal closed, Ctrl-C) end the
// program as a user closing it would, never in the middle of writing an archive:
// work going on is stopped as Escape stops it (its resume point kept, the
// converters ended), no box waits for an answer, and the window closes once the
// work has ended. A second signal ends the program at once; the archive's run
// mark then undoes the cut-off run when it is next opened.
#pragma once

#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace vedra::ui {

class CScovaroDlg;
class ForwardingHost;

class StopSignals : public QObject {
public:
    StopSignals(CScovaroDlg& dialog, ForwardingHost& host);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that asked the program to end; 0 while none has.
    int received() const { return m_signal; }

private:
    void onSignal();
    void closeWhenIdle();

    CScovaroDlg& m_dialog;
    ForwardingHost& m_host;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_idle;
    int m_signal = 0;
};

} // namespace vedra::ui
