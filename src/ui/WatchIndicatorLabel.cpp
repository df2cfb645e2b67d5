#include "ui/WatchIndicatorLabel.h"

#include "core/watch/WatchState.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QPainter>
#include <QSocketNotifier>
#include <QStringList>

#include <sys/syscall.h>
#include <unistd.h>

namespace vedra::ui {
namespace {

using watch::IndicatorLook;

// Notices closer together than this are read once.
constexpr int kSettleMilliseconds = 40;
// Without a process descriptor, how often a running watcher is looked for.
constexpr int kFallbackCheckMilliseconds = 2000;
constexpr int kDotDiameter = 9;
constexpr int kPadding = 4;

QColor dotColour(IndicatorLook look)
{
    switch (look) {
    case IndicatorLook::Starting: return QColor(60, 120, 210);
    case IndicatorLook::Watching: return QColor(30, 160, 60);
    case IndicatorLook::Updating: return QColor(235, 140, 0);
    case IndicatorLook::Paused: return QColor(130, 130, 130);
    case IndicatorLook::Error: return QColor(210, 30, 30);
    case IndicatorLook::Hidden:
    case IndicatorLook::NotWatching: break;
    }
    return QColor(150, 150, 150);
}

QString tipText(const std::vector<std::string>& lines)
{
    QStringList shown;
    for (const std::string& line : lines)
        shown << QString::fromStdString(line);
    return shown.join(u'\n');
}

} // namespace

WatchIndicatorLabel::WatchIndicatorLabel(const app::MessageTable& messages, QWidget* parent)
    : QWidget(parent), m_messages(messages)
{
    setObjectName(QStringLiteral("watchIndicator"));
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, &WatchIndicatorLabel::refresh);
    m_fallbackCheck.setInterval(kFallbackCheckMilliseconds);
    connect(&m_fallbackCheck, &QTimer::timeout, this, &WatchIndicatorLabel::refresh);
    hide();
}

WatchIndicatorLabel::~WatchIndicatorLabel()
{
    stopFollowingProcess();
}

std::string WatchIndicatorLabel::statePath() const
{
    return m_folder + std::string(watch::kWatchStateName);
}

void WatchIndicatorLabel::follow(const std::string& workingFolder, std::function<bool()> liveIndexOn)
{
    m_folder = workingFolder;
    m_liveIndexOn = std::move(liveIndexOn);
    m_following = !m_folder.empty();
    delete m_files;
    m_files = nullptr;
    if (!m_following)
        return;
    m_files = new QFileSystemWatcher(this);
    m_files->addPath(QString::fromStdString(m_folder));
    const auto changed = [this] {
        // From the first notice, not the last: a folder that never rests still shows.
        if (!m_settle.isActive())
            m_settle.start();
    };
    connect(m_files, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(m_files, &QFileSystemWatcher::fileChanged, this, changed);
    refresh();
}

void WatchIndicatorLabel::refresh()
{
    if (!m_following)
        return;
    watch::WatchFacts facts;
    facts.watcherPid = watch::watcherProcess(m_folder + std::string(watch::kWatchLockName));
    if (facts.watcherPid > 0)
        facts.state = watch::readWatchState(statePath());
    facts.liveIndexOn = m_liveIndexOn && m_liveIndexOn();
    facts.own = m_own;
    followProcess(facts.watcherPid);
    // A replaced file is a new file: it is watched again once it is there.
    const QString state = QString::fromStdString(statePath());
    if (m_files != nullptr && !m_files->files().contains(state) && QFileInfo::exists(state))
        m_files->addPath(state);
    display(facts);
}

void WatchIndicatorLabel::setOwnWatcher(const watch::OwnWatcher& own)
{
    m_own = own;
    if (m_following)
        refresh();
    else
        m_facts.own = own;
}

void WatchIndicatorLabel::showFacts(const watch::WatchFacts& facts)
{
    m_following = false;
    m_settle.stop();
    stopFollowingProcess();
    display(facts);
}

void WatchIndicatorLabel::retranslate()
{
    display(m_facts);
}

void WatchIndicatorLabel::display(const watch::WatchFacts& facts)
{
    m_facts = facts;
    watch::WatchIndicator indicator = watch::DescribeWatch(facts, m_messages);
    if (indicator == m_indicator)
        return;
    m_indicator = std::move(indicator);
    setToolTip(tipText(m_indicator.tipLines));
    setVisible(m_indicator.visible());
    updateGeometry();
    update();
    emit changed();
}

void WatchIndicatorLabel::followProcess(int pid)
{
    if (pid == m_followedPid)
        return;
    stopFollowingProcess();
    if (pid <= 0)
        return;
    m_followedPid = pid;
    // A process descriptor becomes readable when the process ends, whoever its parent.
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd < 0) {
        m_fallbackCheck.start();
        return;
    }
    m_processFd = static_cast<int>(fd);
    m_processEnd = new QSocketNotifier(m_processFd, QSocketNotifier::Read, this);
    connect(m_processEnd, &QSocketNotifier::activated, this, [this] {
        // It stays readable: quiet until refresh lets it go.
        m_processEnd->setEnabled(false);
        refresh();
    });
}

void WatchIndicatorLabel::stopFollowingProcess()
{
    m_fallbackCheck.stop();
    delete m_processEnd;
    m_processEnd = nullptr;
    if (m_processFd >= 0)
        ::close(m_processFd);
    m_processFd = -1;
    m_followedPid = 0;
}

QSize WatchIndicatorLabel::sizeHint() const
{
    const int text = fontMetrics().horizontalAdvance(QString::fromStdString(m_indicator.label));
    return QSize(kPadding + kDotDiameter + kPadding + text + kPadding + 2, 18);
}

void WatchIndicatorLabel::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF dot(kPadding, (height() - kDotDiameter) / 2.0, kDotDiameter, kDotDiameter);
    const QColor colour = dotColour(m_indicator.look);
    if (m_indicator.look == IndicatorLook::NotWatching) {
        // A ring: nothing runs.
        painter.setPen(QPen(colour, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(dot.adjusted(0.75, 0.75, -0.75, -0.75));
    } else {
        painter.setPen(QPen(colour.darker(140), 1));
        painter.setBrush(colour);
        painter.drawEllipse(dot);
    }
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect text = rect().adjusted(kPadding + kDotDiameter + kPadding, 0, -kPadding, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(m_indicator.label));
}

} // namespace vedra::ui
