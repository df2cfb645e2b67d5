// The live index's indicator in the window's status area: a coloured dot and a
// short word for the watcher's phase, the facts of its state file in the tooltip.
// What to show is the engine's (DescribeWatch); this widget gathers the facts and
// draws the answer.
//
// It follows "<workdir>/vedrawatch.state" through file-system notices, on the
// file and on the working folder (the watcher replaces the file by a rename), and
// the watcher's end through a process descriptor (a watcher killed outright
// changes no file), so it does nothing while nothing changes.
#pragma once

#include "core/app/MessageTable.h"
#include "core/watch/WatchIndicator.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>

class QFileSystemWatcher;
class QSocketNotifier;

namespace vedra::ui {

class WatchIndicatorLabel : public QWidget {
    Q_OBJECT

public:
    // `messages` is the workspace's table, lent for the widget's life.
    explicit WatchIndicatorLabel(const app::MessageTable& messages, QWidget* parent = nullptr);
    ~WatchIndicatorLabel() override;

    // Follows the watcher of `workingFolder` (with its trailing '/');
    // `liveIndexOn` is asked at every change.
    void follow(const std::string& workingFolder, std::function<bool()> liveIndexOn);
    // Reads the lock and the state file again and shows what they say.
    void refresh();
    // The watcher the window started itself.
    void setOwnWatcher(const watch::OwnWatcher& own);
    // Shows `facts` as given and stops following the files (the screenshot tour).
    void showFacts(const watch::WatchFacts& facts);
    // The texts again, in the table's current language.
    void retranslate();

    const watch::WatchIndicator& indicator() const { return m_indicator; }
    QSize sizeHint() const override;

signals:
    // Shown, hidden, or its text changed (and so its width).
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void display(const watch::WatchFacts& facts);
    void followProcess(int pid);
    void stopFollowingProcess();
    std::string statePath() const;

    const app::MessageTable& m_messages;
    std::string m_folder;
    std::function<bool()> m_liveIndexOn;
    watch::OwnWatcher m_own;
    watch::WatchFacts m_facts;
    watch::WatchIndicator m_indicator;
    bool m_following = false;
    QFileSystemWatcher* m_files = nullptr;
    // A rename shows as several notices in a row: they are read as one.
    QTimer m_settle;
    // The watcher's end, when the system gives a descriptor for it; otherwise a
    // slow check while a watcher runs.
    int m_processFd = -1;
    int m_followedPid = 0;
    QSocketNotifier* m_processEnd = nullptr;
    QTimer m_fallbackCheck;
};

} // namespace vedra::ui
