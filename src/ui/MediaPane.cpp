// The resume position is decided once the file is loaded (only then is its length
// known, so that a position past the end of a shorter file starts it from the top)
// and the seek is made once it plays: earlier ones are dropped by the GStreamer
// backend.
#include "ui/MediaPane.h"

#include "core/utilities/MediaKinds.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace vedra::ui {
namespace {

// Backends land a seek near the asked position, not on it.
constexpr qint64 kSeekToleranceMs = 100;

} // namespace

MediaPane::MediaPane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("mediaPane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_video = new QVideoWidget(this);
    m_video->setObjectName(QStringLiteral("mediaVideo"));
    layout->addWidget(m_video);
    m_audio = new QAudioOutput(this);
    makePlayer();
}

void MediaPane::makePlayer()
{
    m_player = new QMediaPlayer(this);
    m_player->setAudioOutput(m_audio);
    m_player->setVideoOutput(m_video);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MediaPane::statusChanged);
    connect(m_player, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& text) { fail(text); });
    connect(m_player, &QMediaPlayer::positionChanged, this, &MediaPane::positionChanged);
}

// A player given a second file can end it at once, unplayed (loaded, then at its
// end with no position), with the GStreamer backend: most often after a file it
// refused, sometimes after one it played. So every file gets a player of its own.
// The old one may be inside its own signal here, so it goes later.
void MediaPane::replaceUsedPlayer()
{
    if (!m_playerUsed)
        return;
    m_playerUsed = false;
    QMediaPlayer* old = m_player;
    old->disconnect(this);
    old->stop();
    old->setAudioOutput(nullptr);
    old->setVideoOutput(nullptr);
    old->deleteLater();
    makePlayer();
}

MediaPane::~MediaPane()
{
    m_player->stop();
}

bool MediaPane::open(const QString& path, qint64 resumeFromMs)
{
    m_path = path;
    m_resumeFromMs = resumeFromMs;
    m_seeked = false;
    m_seekAsked = false;
    m_startMs = 0;
    m_failed = false;
    m_startReported = false;
    replaceUsedPlayer();
    if (!m_player->isAvailable()) {
        fail(QStringLiteral("no media backend"));
        return false;
    }
    if (!QFileInfo(path).isFile()) {
        fail(QStringLiteral("no such file"));
        return false;
    }
    m_playerUsed = true;
    m_player->setSource(QUrl::fromLocalFile(path));
    return !m_failed;
}

void MediaPane::statusChanged()
{
    if (m_failed || !isOpen())
        return;
    switch (m_player->mediaStatus()) {
    case QMediaPlayer::InvalidMedia:
        fail(m_player->errorString());
        break;
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferedMedia:
        if (!m_seeked) {
            m_seeked = true;
            m_startMs = utilities::StartPosition(m_resumeFromMs, m_player->duration());
            m_player->play();
        }
        break;
    default:
        break;
    }
}

void MediaPane::positionChanged(qint64 position)
{
    if (m_startReported || !m_seeked || m_player->playbackState() != QMediaPlayer::PlayingState)
        return;
    // Started means playing from where it should. The seek goes once the pipeline
    // plays: asked while it is still being set up (loaded, paused) it is dropped.
    if (position < m_startMs - kSeekToleranceMs) {
        if (!m_seekAsked) {
            m_seekAsked = true;
            m_player->setPosition(m_startMs);
        }
        return;
    }
    m_startReported = true;
    emit started();
}

void MediaPane::fail(const QString& reason)
{
    if (m_failed)
        return;
    m_failed = true;
    const QString path = m_path;
    m_player->stop();
    m_player->setSource(QUrl());
    m_path.clear();
    emit cannotPlay(path, reason.isEmpty() ? QStringLiteral("cannot be played") : reason);
}

qint64 MediaPane::closeAndRemember()
{
    if (!isOpen())
        return 0;
    // Not seeked yet: the file never played, and the position to keep is the one it
    // would have started from.
    const qint64 reached = m_seeked ? m_player->position() : m_resumeFromMs;
    m_player->stop();
    m_player->setSource(QUrl());
    m_path.clear();
    return reached;
}

bool MediaPane::isPlaying() const
{
    return isOpen() && m_player->playbackState() == QMediaPlayer::PlayingState;
}

qint64 MediaPane::position() const
{
    return isOpen() ? m_player->position() : 0;
}

} // namespace vedra::ui
