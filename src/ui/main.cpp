// `vedrareader [--search WORDS]`: the desktop program. Installed, it works in the
// user's data folder and, the first time, indexes the machine's documentation.
// With --search it starts searching the current archive for WORDS, as the
// desktop's search box asks it to for "more results".
#include "core/app/InstallLayout.h"
#include "core/app/LargePages.h"
#include "core/indexing/FirstStart.h"
#include "core/indexing/RichTextReader.h"
#include "core/search/RtfText.h"
#include "ui/CScovaroApp.h"

#include <QApplication>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

int main(int argc, char** argv)
{
    // One search after another: what a long list frees is kept for the next.
    vedra::app::KeepFreedHeapForReuse(32 << 20);
    vedra::indexing::SetRichTextReader(&vedra::search::RtfDocumentText);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VedraReader"));
    // Lets a desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vedrareader"));

    std::string startWords;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--search") && i + 1 < arguments.size()) {
            startWords = arguments[++i].toStdString();
        } else {
            std::cerr << "usage: vedrareader [--search WORDS]\n";
            return 2;
        }
    }

    vedra::app::SystemProbe probe = vedra::app::SystemProbe::real();
    if (const char* variable = std::getenv(vedra::app::kMemoryVariable); variable != nullptr && *variable) {
        // A wrong value is named and left out: the window still starts, sized as usual.
        if (std::optional<std::uint64_t> memory = vedra::app::ParseMemoryMegabytes(variable))
            vedra::app::AssumeFreeMemory(probe, *memory);
        else
            std::cerr << "vedrareader: " << vedra::app::kMemoryVariable << " takes whole megabytes from 1 to "
                      << vedra::app::kMaxMemoryMegabytes << ", not '" << variable << "'; ignored\n";
    }
    const vedra::app::InstallLayout layout = vedra::app::DetectInstallLayout(vedra::app::RunningExecutablePath());
    std::optional<std::string> folder = vedra::app::DefaultWorkingFolder(layout);
    if (folder && folder->empty()) {
        std::cerr << "vedrareader: cannot make the working folder in the user's data folder\n";
        return 1;
    }
    if (folder)
        probe.currentDirectory = [path = *folder] { return path; };

    vedra::ui::CScovaroApp program(probe);
    if (layout.installed) {
        const char* first = std::getenv("VEDRA_FIRST_FOLDER");
        program.setInstalled(layout.dataFolder,
                             first != nullptr && *first != '\0' ? first : vedra::indexing::kDocumentationFolder);
    }
    program.setStartWords(startWords);
    return program.run();
}
