// The preview's media mode: a player whose video fills the pane and whose sound goes
// to the default output. The pane plays one file at a time, resumes where the last
// media window stopped (the position itself is kept by the main window, which
// outlives the preview window), and says when a file cannot be played so that the
// preview can try it as a picture instead.
#pragma once

#include <QString>
#include <QWidget>

class QAudioOutput;
class QMediaPlayer;
class QVideoWidget;

namespace vedra::ui {

class MediaPane : public QWidget {
    Q_OBJECT

public:
    explicit MediaPane(QWidget* parent = nullptr);
    ~MediaPane() override;

    // Opens `path` and plays it from `resumeFromMs` once its length is known (from
    // the start when that lies past its end). A file open before is closed first,
    // without remembering. False, with cannotPlay emitted, when there is no media
    // backend or the file is not there; a file the backend refuses later is
    // reported by cannotPlay too.
    bool open(const QString& path, qint64 resumeFromMs);
    // The position reached, then the player stopped and the file let go; 0 when no
    // file was open. Playing never resumes by itself after this.
    qint64 closeAndRemember();

    bool isOpen() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }
    bool isPlaying() const;
    qint64 position() const;
    QMediaPlayer* player() const { return m_player; }
    QVideoWidget* videoWidget() const { return m_video; }

signals:
    // The player plays the file from where it was to start (its first position
    // there once playing).
    void started();
    // The file cannot be played: `reason` is the backend's word, for the status line.
    void cannotPlay(const QString& path, const QString& reason);

private:
    void makePlayer();
    void replaceUsedPlayer();
    void statusChanged();
    void positionChanged(qint64 position);
    void fail(const QString& reason);

    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    QVideoWidget* m_video = nullptr;
    QString m_path;
    qint64 m_resumeFromMs = 0;
    qint64 m_startMs = 0;  // where playing starts: the resume position, or 0 past the file's end
    bool m_seeked = false;      // loaded and asked to play
    bool m_seekAsked = false;
    bool m_failed = false;
    bool m_startReported = false;
    bool m_playerUsed = false;  // it was given a file: the next file gets a new one
};

} // namespace vedra::ui
