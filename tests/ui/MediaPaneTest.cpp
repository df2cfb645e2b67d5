// The media pane playing a short WAV that the test writes: it really plays (the
// position moves), closing remembers the position and stops, reopening resumes
// from it; a file that is no sound is reported so the preview can try a picture.
// In the image preview: played, resumed by the next window, a picture under a
// sound's name drawn, and the main window's ShutdownSave stopping it. Where the machine has no
// media backend the playing cases skip with the reason instead of passing.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexFolder.h"
#include "core/search/SearchSession.h"
#include "core/utilities/MediaKinds.h"
#include "ui/CGrafica.h"
#include "ui/MediaPane.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QSignalSpy>
#include <QTest>
#include <QVideoWidget>

#include <cmath>

using vedra::ui::CGrafica;

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
    void thePreviewPlaysResumesTriesAPictureAndShutdownStopsIt();
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
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 2, 10000);
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

void MediaPaneTest::thePreviewPlaysResumesTriesAPictureAndShutdownStopsIt()
{
    vedra::uitest::Session session;
    const QString folder = QString::fromStdString(session.folder());
    QVERIFY(QDir(folder).mkpath(QStringLiteral("Lemmi/Radici")));
    QVERIFY(vedra::uitest::writeAll(folder + "/Lemmi/Radici/RadiciParole.txt", "mare"));
    QVERIFY(session.prepare());
    vedra::indexing::NewArchive request;
    request.name = "media";
    QCOMPARE(vedra::indexing::CreateArchive(session.workspace, request).number, 1);
    QVERIFY(QDir(folder).mkpath(QStringLiteral("docs")));
    QVERIFY(vedra::uitest::writeAll(folder + "/docs/a.txt", "mare"));
    QCOMPARE(vedra::indexing::IndexFolder(session.workspace, (folder + "/docs").toStdString(),
                                          vedra::indexing::IndexCommand::Normal, {}).status,
             vedra::indexing::IndexStatus::Done);
    auto& dialog = session.open();
    // A search of the archive loads its lists, ".wav" among the multimedia ones.
    session.workspace.SearchTarget = vedra::app::SearchTarget::Archive;
    dialog.StartSearch("mare");
    const QString wav = session.file(QStringLiteral("tone.wav"));
    QVERIFY(vedra::uitest::writeAll(wav, toneWav(4000)));
    QVERIFY(dialog.session().run().lists().IsMultimedia(wav.toStdString()));

    dialog.ShowPreviewFile(wav.toStdString());
    QPointer<CGrafica> preview = dialog.imagePreview();
    QVERIFY(preview != nullptr);
    QCOMPARE(preview->mode(), CGrafica::Mode::Media);
    vedra::ui::MediaPane* pane = preview->mediaPane();
    QVERIFY(pane != nullptr && pane->isVisible());
    QVERIFY(!preview->canvas()->isVisible());
    if (QString reason = noPlayback(*pane); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    QSignalSpy failed(pane, &vedra::ui::MediaPane::cannotPlay);
    if (QString reason = playOrReason(*pane, failed); !reason.isEmpty())
        QSKIP(qPrintable(QStringLiteral("the backend cannot play a WAV here: ") + reason));
    QTRY_VERIFY_WITH_TIMEOUT(pane->position() >= 1200, 6000);

    // Closing the window remembers the position and stops; the next window resumes.
    preview->close();
    QTRY_VERIFY(preview.isNull());
    const qint64 stopped = dialog.mediaPositions().remembered();
    QVERIFY2(stopped >= 1200, qPrintable(QString::number(stopped)));
    QElapsedTimer sinceOpen;
    sinceOpen.start();
    dialog.ShowPreviewFile(wav.toStdString());
    preview = dialog.imagePreview();
    QVERIFY(preview != nullptr && preview->mediaPane() != nullptr);
    pane = preview->mediaPane();
    QSignalSpy started(pane, &vedra::ui::MediaPane::started);
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, 6000);
    QVERIFY2(pane->position() >= stopped - 100, qPrintable(QString::number(pane->position())));
    QVERIFY2(sinceOpen.elapsed() < 1000, qPrintable(QStringLiteral("started after %1 ms").arg(sinceOpen.elapsed())));

    // A file the backend refuses is tried as a picture: text is none, so nothing
    // is drawn. (A picture under a sound's name is no test: GStreamer shows a PNG
    // as a one-frame video.)
    const QString refused = session.file(QStringLiteral("words.wav"));
    QVERIFY(vedra::uitest::writeAll(refused, QByteArray("plain words, not a sound\n").repeated(60)));
    dialog.ShowPreviewFile(refused.toStdString());
    QVERIFY2(dialog.mediaPositions().remembered() >= stopped, "the sound left for another file remembers too");
    QTRY_COMPARE_WITH_TIMEOUT(preview->mode(), CGrafica::Mode::Nothing, 8000);
    QVERIFY(!preview->hasPicture());
    QVERIFY(!pane->isVisible());
    QVERIFY(preview->canvas()->isVisible());

    // The program closing stops a playing pane.
    dialog.ShowPreviewFile(wav.toStdString());
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 2, 6000);
    QVERIFY(pane->isPlaying());
    dialog.ShutdownSave();
    QVERIFY(!pane->isPlaying());
    QVERIFY(!pane->isOpen());
    QVERIFY(dialog.mediaPositions().remembered() > 0);
}

VEDRA_UI_TEST_MAIN(MediaPaneTest)
#include "MediaPaneTest.moc"
