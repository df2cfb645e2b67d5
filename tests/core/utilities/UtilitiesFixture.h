// A working folder with a current archive "C_UTIL_2", a fake PATH folder, a fake
// usual program folder and a fake drive root, so that no program of the machine is ever found or started, and a
// program of the test's own that records the arguments it was started with.
#pragma once

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveEntry.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace vedra::utilities {

namespace fs = std::filesystem;

class UtilitiesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string catalogue(300, '\0');
        archive::ArchiveEntry entry;
        entry.identification = "C_UTIL_2";
        entry.encode(reinterpret_cast<std::uint8_t*>(catalogue.data()) + 200);
        writeCatalogue(catalogue);
        fs::create_directories(folder.path() / "C_UTIL_2");
        fs::create_directories(pathFolder);
        fs::create_directories(driveRoot);

        app::SystemProbe probe = testing::testProbe(folder.path());
        probe.searchPath = [this] { return std::vector<std::string>{pathFolder.string()}; };
        probe.driveRoots = [this] { return std::vector<std::string>{driveRoot.string()}; };
        probe.programFolders = [this] { return std::vector<std::string>{usualFolder.string()}; };
        ws = std::make_unique<app::Workspace>(host, probe);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ASSERT_EQ(ws->OpenCatalogueAtStart(), app::CatalogueState::ArchiveOpened);
        ws->SetLanguage(1);
    }

    void writeCatalogue(std::string catalogue)
    {
        // Current number 2 at offset 92, as the catalogue keeps it.
        catalogue[92] = 2;
        testing::writeFile(folder.path() / "IND_ARC.PRI", catalogue);
    }

    fs::path archiveFolder() const { return folder.path() / "C_UTIL_2"; }

    // A program that writes each argument it gets on a line of its own into
    // `<path>.argv` (through a rename, so a reader never sees half of it).
    fs::path writeRecorder(const fs::path& path) const
    {
        testing::writeFile(path, "#!/bin/sh\nout=\"$0.argv\"\nprintf '%s\\n' \"$0\" \"$@\" > \"$out.tmp\"\nmv \"$out.tmp\" \"$out\"\n");
        ::chmod(path.c_str(), 0755);
        return path;
    }

    // The recorded arguments, waiting up to five seconds for the program to run.
    static std::vector<std::string> recordedArguments(const fs::path& program)
    {
        fs::path out = program.string() + ".argv";
        for (int i = 0; i < 500 && !fs::exists(out); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<std::string> lines;
        std::string text = testing::readFile(out), line;
        for (char c : text) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        return lines;
    }

    int messagesWith(const std::string& text) const
    {
        int count = 0;
        for (const auto& message : host.messages())
            count += message.text.find(text) != std::string::npos;
        return count;
    }

    testing::TempFolder folder;
    fs::path pathFolder = folder.path() / "bin";
    fs::path driveRoot = folder.path() / "disk";
    fs::path usualFolder = folder.path() / "usr-bin";
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

} // namespace vedra::utilities
