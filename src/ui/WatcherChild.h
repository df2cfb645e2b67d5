// The watcher the window runs itself, `vedra --workdir W watch`, as a child
// process: started when the window opens (when the live index is on and nothing
// watches yet), ended when it closes. Only the program's start calls start(), so a
// window made by a test never runs one.
#pragma once

#include "core/watch/WatchIndicator.h"

#include <QObject>

#include <string>
#include <vector>

class QProcess;

namespace vedra::ui {

class WatcherChild : public QObject {
    Q_OBJECT

public:
    // How long closing waits for the watcher to end after SIGTERM before SIGKILL
    // (a batch cut off is undone by the next run, as any killed run is).
    static constexpr int kStopWaitMilliseconds = 3000;

    explicit WatcherChild(QObject* parent = nullptr);
    ~WatcherChild() override;

    // Starts `program` with `arguments` (an argument vector, no shell). An empty
    // program, or one that cannot be run, is told through state().startError.
    // The child gets SIGTERM from the kernel if this process dies without closing.
    void start(const std::string& program, const std::vector<std::string>& arguments);
    // SIGTERM, up to `waitMilliseconds` for it to end, then SIGKILL. Nothing when
    // it does not run.
    void stop(int waitMilliseconds = kStopWaitMilliseconds);
    bool running() const;

    const watch::OwnWatcher& state() const { return m_state; }

signals:
    // Started, failed to start or ended.
    void changed();

private:
    QProcess* m_process = nullptr;
    watch::OwnWatcher m_state;
};

} // namespace vedra::ui
