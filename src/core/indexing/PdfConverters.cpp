// The outputs are numbered in the order the PDFs were named, in a folder whose name
// carries the run's process id: a run killed outright leaves that folder behind,
// and the next run's converters remove it once no such process lives.
#include "core/indexing/PdfConverters.h"

#include "core/app/StopCode.h"
#include "core/app/Workspace.h"
#include "core/indexing/OutsideTools.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace vedra::indexing {
namespace {

constexpr std::size_t kAheadPerConverter = 4;
constexpr std::size_t kMostConverters = 8;
constexpr std::chrono::milliseconds kPumpEvery{20};
constexpr const char* kFolderPrefix = "pdf-";

void removeOwnFile(const std::string& path)
{
    if (path.empty())
        return;
    ::chmod(path.c_str(), 0600);
    ::unlink(path.c_str());
}

// "pdf-<pid>-XXXXXX" folders of runs that are gone, with the numbered texts in them.
void removeLeftOvers(const std::string& temporaryFolder)
{
    std::error_code error;
    for (std::filesystem::directory_iterator it(temporaryFolder, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.rfind(kFolderPrefix, 0) != 0 || !it->is_directory(error))
            continue;
        char* after = nullptr;
        long pid = std::strtol(name.c_str() + std::char_traits<char>::length(kFolderPrefix), &after, 10);
        if (pid <= 0 || after == nullptr || *after != '-' || pid == static_cast<long>(::getpid()))
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        std::error_code inner;
        std::vector<std::filesystem::path> texts;
        for (const auto& entry : std::filesystem::directory_iterator(it->path(), inner))
            if (entry.path().extension() == ".txt")
                texts.push_back(entry.path());
        for (const auto& text : texts)
            removeOwnFile(text.string());
        ::rmdir(it->path().c_str());
    }
}

} // namespace

std::size_t DefaultPdfConverters()
{
    long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    return static_cast<std::size_t>(std::clamp<long>(cores, 1, static_cast<long>(kMostConverters)));
}

PdfConverters::PdfConverters(app::Workspace& workspace, std::string temporaryFolder, std::size_t converters)
    : m_workspace(workspace), m_temporaryFolder(std::move(temporaryFolder)),
      m_converters(std::min(converters, kMostConverters)), m_limit(m_converters * kAheadPerConverter)
{
    while (!m_temporaryFolder.empty() && m_temporaryFolder.back() == '/')
        m_temporaryFolder.pop_back();
    m_enabled = m_converters > 0 && !m_temporaryFolder.empty() &&
                !PdfToTextArguments(m_workspace, "in.pdf", "out.txt", true).empty();
}

PdfConverters::~PdfConverters()
{
    stopAll();
}

bool PdfConverters::wantsMore() const
{
    return m_enabled && m_jobs.size() < m_limit;
}

std::size_t PdfConverters::running() const
{
    return static_cast<std::size_t>(std::count_if(m_jobs.begin(), m_jobs.end(), [](const Job& job) {
        return job.program.started() && !job.program.reaped();
    }));
}

void PdfConverters::expect(const std::string& pdfPath, std::uint64_t fileTime, std::uint64_t size,
                           std::uint32_t folderPosition)
{
    if (!m_enabled)
        return;
    Job job;
    job.pdfPath = pdfPath;
    job.fileTime = fileTime;
    job.size = size;
    job.folderPosition = folderPosition;
    m_jobs.push_back(std::move(job));
}

bool PdfConverters::makeFolder()
{
    if (!m_folder.empty())
        return true;
    removeLeftOvers(m_temporaryFolder);
    std::string pattern = m_temporaryFolder + "/" + kFolderPrefix + std::to_string(::getpid()) + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return false;
    m_folder = pattern + "/";
    return true;
}

void PdfConverters::startWaiting()
{
    std::size_t busy = 0;
    std::size_t made = 0;  // started and not taken: running, or an output waiting
    for (Job& job : m_jobs) {
        if (job.program.started()) {
            ++made;
            if (!job.program.reaped()) {
                if (endPastLimit(job))
                    continue;
                if (job.program.hasEnded())
                    job.program.reap();
                else
                    ++busy;
            }
        }
    }
    // A stopped run starts nothing more.
    if (m_workspace.BreakCode != app::StopCode::None)
        return;
    for (Job& job : m_jobs) {
        if (busy >= m_converters || made >= m_limit)
            break;
        if (job.tried)
            continue;
        job.tried = true;
        if (!makeFolder())
            continue;
        job.output = m_folder + std::to_string(++m_sequence) + ".txt";
        job.program = app::RunningProgram::Start(PdfToTextArguments(m_workspace, job.pdfPath, job.output, true),
                                                 OutsideProgramLimits(m_workspace, job.size));
        if (job.program.started()) {
            ++busy;
            ++made;
        }
    }
}

bool PdfConverters::endPastLimit(Job& job)
{
    if (!job.program.pastTimeLimit())
        return false;
    app::StopPrograms({&job.program});
    job.pastLimit = true;
    removeOwnFile(job.output);
    return true;
}

void PdfConverters::discard(Job& job)
{
    app::StopPrograms({&job.program});
    removeOwnFile(job.output);
}

void PdfConverters::dropBefore(std::uint32_t folderPosition)
{
    while (!m_jobs.empty() && m_jobs.front().folderPosition < folderPosition) {
        discard(m_jobs.front());
        m_jobs.pop_front();
    }
}

PdfConverters::Taken PdfConverters::take(const std::string& pdfPath, std::uint64_t fileTime, std::uint64_t size,
                                         const std::function<void()>& whileWaiting)
{
    Taken taken;
    auto match = std::find_if(m_jobs.begin(), m_jobs.end(), [&](const Job& job) {
        return job.pdfPath == pdfPath && job.fileTime == fileTime && job.size == size;
    });
    if (match == m_jobs.end())
        return taken;
    // Named in the walk's order: what comes before this PDF, the walk has passed.
    for (auto passed = match - m_jobs.begin(); passed > 0; --passed) {
        discard(m_jobs.front());
        m_jobs.pop_front();
    }
    for (;;) {
        startWaiting();
        Job& job = m_jobs.front();
        if (!job.program.started()) {
            // Not started (no room for the folder, no process): the caller converts it itself.
            removeOwnFile(job.output);
            m_jobs.pop_front();
            return taken;
        }
        if (endPastLimit(job) || job.pastLimit) {
            taken.held = true;
            taken.pastLimit = true;
            m_jobs.pop_front();
            startWaiting();
            return taken;
        }
        if (job.program.hasEnded()) {
            taken.exitCode = job.program.reap();
            taken.held = true;
            taken.output = job.output;
            m_jobs.pop_front();
            startWaiting();
            return taken;
        }
        std::vector<const app::RunningProgram*> busy;
        for (const Job& other : m_jobs)
            if (other.program.started() && !other.program.reaped())
                busy.push_back(&other.program);
        // Another converter's end frees a place for the next waiting PDF.
        if (app::WaitForAnyEnd(busy, kPumpEvery))
            continue;
        if (whileWaiting)
            whileWaiting();
        if (m_workspace.BreakCode != app::StopCode::None) {
            stopAll();
            taken.held = true;
            taken.stopped = true;
            return taken;
        }
    }
}

void PdfConverters::stopAll()
{
    std::vector<app::RunningProgram*> programs;
    for (Job& job : m_jobs)
        programs.push_back(&job.program);
    app::StopPrograms(programs);
    for (Job& job : m_jobs)
        removeOwnFile(job.output);
    m_jobs.clear();
    if (!m_folder.empty()) {
        ::rmdir(m_folder.c_str());
        m_folder.clear();
    }
}

} // namespace vedra::indexing
