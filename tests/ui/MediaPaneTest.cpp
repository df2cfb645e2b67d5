// The media pane playing a short WAV that the test writes: it really plays (the
// position moves), closing remembers the position and stops, reopening resumes
// from it; a file that is no sound is reported so the preview can try a picture;
// the main window's ShutdownSave stops a playing pane. Where the machine has no
// media backend the playing cases skip with the reason instead of passing.
#include "UiTestSupport.h"

#include "core/utilities/MediaKinds.h"
#include "ui/MediaPane.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QSignalSpy>
#include <QTest>
#include <QVideoWidget>

#include <cmath>

namespace {

// A mono 16-bit PCM WAV of a 440 Hz tone, written from the format's byte layout.
QByteArray toneWav(int milliseconds, int sampleRate = 8000)
{
    const quint32 samples = static_cast<quint32>(sampleRate) * static_cast<quint32>(milliseconds) / 1000;
    const quint32 dataBytes = samples * 2;
    QByteArray bytes;
    auto u32 = [&bytes](quint32 v) {
        for (int i = 0; i < 4; ++i)
            bytes.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&bytes](quint16 v) {
        bytes.append(static_cast<char>(v & 0xFF));
        bytes.append(static_cast<char>(v >> 8));
    };
    bytes.append("RIFF");
    u32(36 + dataBytes);
    bytes.append("WAVEfmt ");
    u32(16);
    u16(1);  // PCM
    u16(1);  // mono
    u32(static_cast<quint32>(sampleRate));
    u32(static_cast<quint32>(sampleRate) * 2);
    u16(2);
    u16(16);
    bytes.append("data");
    u32(dataBytes);
    for (quint32 i = 0; i < samples; ++i)
        u16(static_cast<quint16>(static_cast<qint16>(8000 * std::sin(2 * M_PI * 440 * i / sampleRate))));
    return bytes;
}

// Why this machine cannot play, or empty when it can: a backend must be there.
QString noPlayback(vedra::ui::MediaPane& pane)
{
    if (!pane.player()->isAvailable())
        return QStringLiteral("no Qt Multimedia backend on this machine");
    return {};
}

// Waits for the pane to play or fail; the failure's reason when it failed.
QString playOrReason(vedra::ui::MediaPane& pane, QSignalSpy& failed, int timeoutMs = 8000)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (failed.count() > 0)
            return failed.last().at(1).toString();
        if (pane.isPlaying() && pane.position() > 0)
            return {};
        QTest::qWait(20);
    }
    return QStringLiteral("did not start within %1 ms").arg(timeoutMs);
}

} // namespace

class MediaPaneTest : public QObject {
    Q_OBJECT

private slots:
    void playsAWavAndResumesWhereItWasClosed();
    void aFileThatIsNoSoundIsReported();
    void shutdownSaveStopsAPlayingPane();
};

void MediaPaneTest::playsAWavAndResumesWhereItWasClosed()
{
    QTemporaryDir folder;
    const QString wav = folder.filePath(QStringLiteral("tone.wav"));
    QVERIFY(vedra::uitest::writeAll(wav, toneWav(4000)));
    vedra::ui::MediaPane pane;
    pane.resize(200, 150);
    pane.show();
    if (QString reason = noPlayback(pane); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    QSignalSpy failed(&pane, &vedra::ui::MediaPane::cannotPlay);
    QSignalSpy started(&pane, &vedra::ui::MediaPane::started);
    QVERIFY(pane.open(wav, 0));
    if (QString reason = playOrReason(pane, failed); !reason.isEmpty())
        QSKIP(qPrintable(QStringLiteral("the backend cannot play a WAV here: ") + reason));
    QTRY_COMPARE(started.count(), 1);
    QCOMPARE(pane.videoWidget()->geometry(), pane.rect());
    // Let it play on, then close: the position must have moved on with the sound.
    QTRY_VERIFY_WITH_TIMEOUT(pane.position() >= 1500, 6000);
    vedra::utilities::MediaPositionMemory memory;
    memory.Remember(pane.closeAndRemember());
    QVERIFY(!pane.isOpen());
    QCOMPARE(pane.player()->playbackState(), QMediaPlayer::StoppedState);
    QVERIFY2(memory.remembered() >= 1500 && memory.remembered() < 4000, qPrintable(QString::number(memory.remembered())));
    // Closing twice remembers nothing more.
    QCOMPARE(pane.closeAndRemember(), qint64{0});

    // Reopened, it goes on from there: playing from the start would take 1.5 s to
    // get there.
    QElapsedTimer sinceOpen;
    sinceOpen.start();
    QVERIFY(pane.open(wav, memory.remembered()));
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 2, 6000);
    const qint64 took = sinceOpen.elapsed();
    QVERIFY2(pane.position() >= memory.remembered() - 100, qPrintable(QString::number(pane.position())));
    QVERIFY2(took < 1000, qPrintable(QStringLiteral("started after %1 ms").arg(took)));

    // A position past the end of a shorter file starts that file from its start.
    const QString shortWav = folder.filePath(QStringLiteral("short.wav"));
    QVERIFY(vedra::uitest::writeAll(shortWav, toneWav(500)));
    pane.closeAndRemember();
    QVERIFY(pane.open(shortWav, 3000));
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 3, 6000);
    QVERIFY2(pane.position() < 500, qPrintable(QString::number(pane.position())));
    QCOMPARE(failed.count(), 0);
}

void MediaPaneTest::aFileThatIsNoSoundIsReported()
{
    QTemporaryDir folder;
    vedra::ui::MediaPane pane;
    QSignalSpy failed(&pane, &vedra::ui::MediaPane::cannotPlay);
    QVERIFY(!pane.open(folder.filePath(QStringLiteral("missing.wav")), 0));
    QCOMPARE(failed.count(), 1);
    QVERIFY(!pane.isOpen());
    if (QString reason = noPlayback(pane); !reason.isEmpty())
        QSKIP(qPrintable(reason));

    const QString fake = folder.filePath(QStringLiteral("fake.wav"));
    QVERIFY(vedra::uitest::writeAll(fake, QByteArray("this is plain text, not a sound at all\n").repeated(50)));
    pane.open(fake, 0);
    QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 2, 8000);
    QCOMPARE(failed.last().at(0).toString(), fake);
    QVERIFY(!pane.isOpen());
    QCOMPARE(pane.closeAndRemember(), qint64{0});
}

void MediaPaneTest::shutdownSaveStopsAPlayingPane()
{
    vedra::uitest::Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    const QString wav = session.file(QStringLiteral("tone.wav"));
    QVERIFY(vedra::uitest::writeAll(wav, toneWav(4000)));
    auto* pane = new vedra::ui::MediaPane(&dialog);
    if (QString reason = noPlayback(*pane); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    dialog.setMediaPane(pane);
    QSignalSpy failed(pane, &vedra::ui::MediaPane::cannotPlay);
    QVERIFY(pane->open(wav, 0));
    if (QString reason = playOrReason(*pane, failed); !reason.isEmpty())
        QSKIP(qPrintable(QStringLiteral("the backend cannot play a WAV here: ") + reason));
    QTRY_VERIFY_WITH_TIMEOUT(pane->position() >= 300, 5000);
    dialog.ShutdownSave();
    QVERIFY(!pane->isPlaying());
    QVERIFY(!pane->isOpen());
    QVERIFY2(dialog.mediaPositions().remembered() >= 300, qPrintable(QString::number(dialog.mediaPositions().remembered())));
}

QTEST_MAIN(MediaPaneTest)
#include "MediaPaneTest.moc"
