// The host exists before the window and forwards to it once it is made, so the
// workspace's start-up messages reach the same responder. The first start and the
// callers' hooks run from zero-delay timers inside the modal loop, so their work
// pumps events like any command a user gives.
#include "ui/CScovaroApp.h"

#include "core/app/MessageTable.h"
#include "core/app/Workspace.h"
#include "ui/CScovaroDlg.h"
#include "ui/ForwardingHost.h"
#include "ui/ScreenshotTour.h"
#include "ui/StopSignals.h"

#include <QPixmap>
#include <QString>
#include <QTimer>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace vedra::ui {
namespace {

// VEDRA_SCREENSHOT=file.png: the window saves a picture of itself shortly after it
// opens, then closes, so that a run without a user can be looked at.
void scheduleScreenshot(CScovaroDlg& dialog, const QString& file)
{
    QTimer::singleShot(300, &dialog, [&dialog, file] {
        // A first start indexes before there is anything to show: the picture
        // waits for it, and closing must not cut the run short.
        if (dialog.longWorkRunning() || dialog.workspace().busy) {
            scheduleScreenshot(dialog, file);
            return;
        }
        if (!dialog.grab().save(file))
            std::cerr << "vedrareader: cannot save the screenshot " << file.toStdString() << '\n';
        dialog.close();
    });
}

} // namespace

CScovaroApp::CScovaroApp(app::SystemProbe probe) : m_probe(std::move(probe)) {}

int CScovaroApp::run()
{
    MessageResponder responder = m_responder ? m_responder : autoAnswerResponder(std::getenv("VEDRA_AUTO_ANSWER"), std::cerr);

    ForwardingHost host;
    host.setMessageResponder(responder);
    app::Workspace workspace(host, m_probe);
    workspace.DataFolder = m_dataFolder;
    if (workspace.PrepareWorkspace() < 0)
        return 1;
    const bool missing = workspace.OpenCatalogueAtStart() == app::CatalogueState::Missing;
    const bool firstStart = missing && !m_firstStartFolder.empty();
    if (missing && !firstStart)
        host.messageBox(std::string(app::kFatalErrorText), app::MessageButtons::Ok);

    auto dialog = std::make_unique<CScovaroDlg>(workspace);
    dialog->setFillColour(QColor(kFillColour));
    dialog->setMessageResponder(responder);
    host.setTarget(dialog.get());
    dialog->initialise();
    dialog->startLiveIndex();

    if (m_onShown) {
        CScovaroDlg* window = dialog.get();
        QTimer::singleShot(0, window, [this, window] { m_onShown(*window); });
    }
    if (firstStart) {
        CScovaroDlg* window = dialog.get();
        QTimer::singleShot(0, window, [window, folder = m_firstStartFolder] { window->FirstStart(folder); });
    } else if (!m_startWords.empty()) {
        CScovaroDlg* window = dialog.get();
        QTimer::singleShot(0, window,
                           [window, words = QString::fromStdString(m_startWords)] { window->SearchArchiveFor(words); });
    }
    if (const char* screenshot = std::getenv("VEDRA_SCREENSHOT"); screenshot != nullptr && *screenshot != '\0')
        scheduleScreenshot(*dialog, QString::fromLocal8Bit(screenshot));
    // VEDRA_SCREENSHOT_DIR=folder: a search for VEDRA_SCREENSHOT_WORDS and pictures of it.
    if (const char* folder = std::getenv("VEDRA_SCREENSHOT_DIR"); folder != nullptr && *folder != '\0') {
        const char* words = std::getenv("VEDRA_SCREENSHOT_WORDS");
        // VEDRA_SCREENSHOT_LANGUAGE=it|en|es: the pictures in that language.
        const char* language = std::getenv("VEDRA_SCREENSHOT_LANGUAGE");
        StartScreenshotTour(*dialog, QString::fromLocal8Bit(folder),
                            QString::fromLocal8Bit(words != nullptr ? words : "license"),
                            QString::fromLocal8Bit(language != nullptr ? language : ""));
    }

    auto stopSignals = std::make_unique<StopSignals>(*dialog, host);
    int result = dialog->exec();
    const int signal = stopSignals->received();
    stopSignals.reset();
    // The goodbye is shown with no window left behind it.
    host.setTarget(nullptr);
    dialog.reset();
    // As a shell reports a program its signal ended.
    if (signal != 0)
        return 128 + signal;
    if (result == QDialog::Rejected)
        host.messageBox(std::string(app::kExitWithCancelText), app::MessageButtons::Ok);
    return 0;
}

} // namespace vedra::ui
