// PDF conversions started ahead of the walk. pdftotext takes most of a run over a
// tree of documents, and the run reads one file at a time; so the run names the
// PDFs it will convert next, a few converters work on them as separate processes
// while the run indexes what is ready, and the run takes each text when it reaches
// its PDF. What enters the archive, and in which order, is the run's alone: a
// conversion made ahead is the same program with the same arguments, only its
// output lies elsewhere, and a PDF the run reaches without one is converted then,
// as always.
#pragma once

#include "core/app/ProcessRunner.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace vedra::app {
class Workspace;
}

namespace vedra::indexing {

// How many converters a run keeps busy by default: one per core, at most eight.
std::size_t DefaultPdfConverters();

class PdfConverters {
public:
    // Up to `converters` at a time, their outputs in a folder of their own made
    // under `temporaryFolder` at the first start and removed with them.
    PdfConverters(app::Workspace& workspace, std::string temporaryFolder, std::size_t converters);
    ~PdfConverters();
    PdfConverters(const PdfConverters&) = delete;
    PdfConverters& operator=(const PdfConverters&) = delete;

    // False when none may run or the converter is missing: every PDF is then
    // converted the usual way, with its usual messages.
    bool enabled() const { return m_enabled; }
    // True while fewer conversions are waiting to be taken than the run may keep
    // ahead (four per converter): the run may name more.
    bool wantsMore() const;
    // The run will convert `pdfPath` (with this time and size, in the folder node
    // at `folderPosition`) after every PDF named before it.
    void expect(const std::string& pdfPath, std::uint64_t fileTime, std::uint64_t size, std::uint32_t folderPosition);
    // Reaps converters that ended, ends those past their time limit (each runs
    // under OutsideProgramLimits of its PDF's size) and starts waiting
    // conversions, in order, while fewer than the allowed number run. Never waits.
    void startWaiting();
    // The walk has gone past every folder node before `folderPosition`: their
    // conversions will not be taken.
    void dropBefore(std::uint32_t folderPosition);

    struct Taken {
        bool held = false;     // false: no conversion of this file was made ahead
        bool stopped = false;  // BreakCode was set while waiting: every converter is gone
        bool pastLimit = false;  // its converter passed its time limit and was ended: no output
        int exitCode = -1;     // the converter's exit status; -1 when it ended by a signal
        std::string output;    // the text file, the caller's to read and remove
    };
    // The conversion of `pdfPath` if one was named with this time and size: waits
    // for its end, calling `whileWaiting` about every 20 ms and stopping when
    // BreakCode is set. The conversions named before it are dropped (the run has
    // passed their PDFs). A converter that could not be started counts as none.
    Taken take(const std::string& pdfPath, std::uint64_t fileTime, std::uint64_t size,
               const std::function<void()>& whileWaiting);
    // Ends every converter and removes every output and the folder.
    void stopAll();

    // Conversions named and not yet taken or dropped; converters running now.
    std::size_t pending() const { return m_jobs.size(); }
    std::size_t running() const;
    const std::string& outputFolder() const { return m_folder; }

private:
    struct Job {
        std::string pdfPath;
        std::uint64_t fileTime = 0;
        std::uint64_t size = 0;
        std::uint32_t folderPosition = 0;
        std::string output;
        bool tried = false;  // a start was attempted
        bool pastLimit = false;
        app::RunningProgram program;
    };

    bool makeFolder();
    void discard(Job& job);
    // Ends the job's converter once it is past its time limit; true when it was.
    bool endPastLimit(Job& job);

    app::Workspace& m_workspace;
    std::string m_temporaryFolder;
    std::string m_folder;  // made at the first start
    std::size_t m_converters;
    std::size_t m_limit;
    bool m_enabled = false;
    std::uint64_t m_sequence = 0;
    std::deque<Job> m_jobs;
};

} // namespace vedra::indexing
