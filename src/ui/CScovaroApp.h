// The desktop program's run: prepares the workspace, opens the main window
// modally and says goodbye when it has gone.
#pragma once

#include "core/app/SystemProbe.h"
#include "ui/MessageBoxes.h"

#include <QColor>

#include <functional>
#include <string>

namespace vedra::ui {

class CScovaroDlg;

class CScovaroApp {
public:
    // Behind the window icon, which is what a minimised window shows.
    static constexpr QRgb kFillColour = qRgb(255, 230, 186);

    explicit CScovaroApp(app::SystemProbe probe = app::SystemProbe::real());

    // Answers every message box of the run. Without one, the environment variable
    // VEDRA_AUTO_ANSWER (accept|reject) may answer them, echoing each to stderr;
    // otherwise they are shown.
    void setMessageResponder(MessageResponder responder) { m_responder = std::move(responder); }

    // An installed program: the data folder its workspace finds its files in, and
    // the folder its first start indexes when the working folder has no catalogue.
    // Without a first-start folder a missing catalogue is the fatal error it
    // always was.
    void setInstalled(std::string dataFolder, std::string firstStartFolder)
    {
        m_dataFolder = std::move(dataFolder);
        m_firstStartFolder = std::move(firstStartFolder);
    }

    // Words the window searches the archive for once it is shown (`--search`);
    // none when empty. Not on a first start, which is busy indexing.
    void setStartWords(std::string words) { m_startWords = std::move(words); }

    // Called once the window's modal loop runs, with the window (not owned).
    void setOnWindowShown(std::function<void(CScovaroDlg&)> onShown) { m_onShown = std::move(onShown); }

    // 1 when the workspace cannot be prepared (no window is shown), else 0 once
    // the window has closed. Needs a QApplication.
    int run();

private:
    app::SystemProbe m_probe;
    MessageResponder m_responder;
    std::function<void(CScovaroDlg&)> m_onShown;
    std::string m_dataFolder;
    std::string m_firstStartFolder;
    std::string m_startWords;
};

} // namespace vedra::ui
