// Saved ranges are merged as they grow, so a range is saved once however often a
// run rewrites it. Unchanged bytes are left out, and changed runs closer than an
// entry's own head are saved as one entry.
#include "core/archive/RunJournal.h"

#include "core/archive/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace vedra::archive {
namespace {

constexpr char kMagic[8] = {'V', 'E', 'D', 'R', 'A', 'R', 'U', 'N'};
// No archive file passes 32-bit offsets.
constexpr std::uint64_t kLargestFile = std::uint64_t{1} << 32;

} // namespace

int markedIndex(int slot)
{
    for (std::size_t i = 0; i < kMarkedSlots.size(); ++i)
        if (kMarkedSlots[i] == slot)
            return static_cast<int>(i);
    return -1;
}

std::string RunMark::encodeHead() const
{
    std::string bytes(kHeadSize, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
    std::memcpy(p, kMagic, sizeof kMagic);
    putI32le(p + 8, kVersion);
    putI32le(p + 12, state);
    for (std::size_t i = 0; i < sizes.size(); ++i)
        putU64le(p + 16 + 8 * i, sizes[i]);
    return bytes;
}

std::string RunMark::encodeEntry(int slot, std::uint64_t offset, std::string_view bytes)
{
    std::string entry(kEntryHeadSize, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(entry.data());
    putI32le(p, slot);
    putU64le(p + 4, offset);
    putU32le(p + 12, static_cast<std::uint32_t>(bytes.size()));
    entry.append(bytes);
    return entry;
}

std::optional<RunMark> RunMark::decode(std::string_view bytes)
{
    if (bytes.size() < kHeadSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (getI32le(p + 8) != kVersion)
        return std::nullopt;
    RunMark mark;
    mark.state = getI32le(p + 12);
    if (mark.state != kClosed && mark.state != kRunOpen)
        return std::nullopt;
    for (std::size_t i = 0; i < mark.sizes.size(); ++i) {
        mark.sizes[i] = getU64le(p + 16 + 8 * i);
        if (mark.sizes[i] > kLargestFile)
            return std::nullopt;
    }
    std::size_t at = kHeadSize;
    while (bytes.size() - at >= kEntryHeadSize) {
        const std::uint8_t* e = p + at;
        int slot = getI32le(e);
        std::uint64_t offset = getU64le(e + 4);
        std::uint32_t length = getU32le(e + 12);
        int index = markedIndex(slot);
        // Only bytes that lay below the recorded size were ever saved.
        if (index < 0 || length > bytes.size() - at - kEntryHeadSize || offset > mark.sizes[index] ||
            length > mark.sizes[index] - offset)
            break;
        mark.entries.push_back({slot, offset, std::string(bytes.substr(at + kEntryHeadSize, length))});
        at += kEntryHeadSize + length;
    }
    mark.ignoredTail = bytes.size() - at;
    return mark;
}

bool writeMarkFile(const std::filesystem::path& markPath, const std::string& bytes)
{
    return io::writeFileAtomically(markPath, bytes) && io::syncFolder(markPath.parent_path());
}

bool RunJournal::begin(const std::filesystem::path& markPath, const MarkedSizes& sizes)
{
    abandon();
    RunMark mark;
    mark.state = RunMark::kRunOpen;
    mark.sizes = sizes;
    if (!writeMarkFile(markPath, mark.encodeHead()))
        return false;
    auto file = io::FileHandle::open(markPath, io::OpenMode::ReadWrite);
    if (!file)
        return false;
    m_file = std::move(*file);
    m_path = markPath;
    m_end = RunMark::kHeadSize;
    m_committed = sizes;
    m_active = true;
    return true;
}

std::uint64_t RunJournal::committedSize(int slot) const
{
    int index = markedIndex(slot);
    return m_active && index >= 0 ? m_committed[static_cast<std::size_t>(index)] : 0;
}

bool RunJournal::protect(int slot, const io::FileHandle& file, std::uint64_t offset, const void* bytes,
                         std::size_t count)
{
    int signedIndex = markedIndex(slot);
    if (!m_active || signedIndex < 0)
        return true;
    const auto index = static_cast<std::size_t>(signedIndex);
    const std::uint64_t committed = m_committed[index];
    if (offset >= committed || count == 0)
        return true;
    const std::uint64_t end = std::min<std::uint64_t>(offset + count, committed);
    const auto* fresh = static_cast<const std::uint8_t*>(bytes);
    const auto& saved = m_saved[index];

    // The unsaved gaps of [offset, end).
    std::vector<std::pair<std::uint64_t, std::uint64_t>> gaps;
    std::uint64_t at = offset;
    auto next = saved.upper_bound(at);
    if (next != saved.begin() && std::prev(next)->second > at)
        at = std::prev(next)->second;
    while (at < end) {
        next = saved.lower_bound(at);
        std::uint64_t gapEnd = next == saved.end() ? end : std::min(end, next->first);
        if (gapEnd > at)
            gaps.emplace_back(at, gapEnd);
        if (next == saved.end() || next->first >= end)
            break;
        at = next->second;
    }
    if (gaps.empty())
        return true;

    std::string entries;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> changed;
    std::vector<std::uint8_t> old;
    for (auto [from, to] : gaps) {
        old.resize(static_cast<std::size_t>(to - from));
        if (file.readAt(from, old.data(), old.size()) != static_cast<std::int64_t>(old.size()))
            return false;
        const std::uint8_t* now = fresh + (from - offset);
        std::size_t i = 0;
        const std::size_t n = old.size();
        while (i < n) {
            while (i < n && old[i] == now[i])
                ++i;
            if (i == n)
                break;
            std::size_t runEnd = i;
            // A run of changes goes on across equal stretches shorter than an entry's head.
            std::size_t equal = 0;
            for (std::size_t j = i; j < n && equal < RunMark::kEntryHeadSize; ++j) {
                if (old[j] != now[j]) {
                    runEnd = j + 1;
                    equal = 0;
                } else {
                    ++equal;
                }
            }
            entries += RunMark::encodeEntry(
                slot, from + i, std::string_view(reinterpret_cast<const char*>(old.data() + i), runEnd - i));
            changed.emplace_back(from + i, from + runEnd);
            i = runEnd;
        }
    }
    if (entries.empty())
        return true;
    if (!appendEntries(entries))
        return false;
    for (auto [from, to] : changed)
        markSaved(index, from, to);
    return true;
}

bool RunJournal::saveWhole(int slot, std::string_view bytes)
{
    int index = markedIndex(slot);
    if (!m_active || index < 0 || bytes.empty())
        return true;
    const std::uint64_t size = std::min<std::uint64_t>(bytes.size(), m_committed[static_cast<std::size_t>(index)]);
    if (!appendEntries(RunMark::encodeEntry(slot, 0, bytes.substr(0, static_cast<std::size_t>(size)))))
        return false;
    markSaved(static_cast<std::size_t>(index), 0, size);
    return true;
}

bool RunJournal::appendEntries(const std::string& entries)
{
    if (!m_file.writeAt(m_end, entries))
        return false;
    m_end += entries.size();
    return true;
}

void RunJournal::markSaved(std::size_t index, std::uint64_t from, std::uint64_t to)
{
    auto& saved = m_saved[index];
    auto it = saved.lower_bound(from);
    if (it != saved.begin()) {
        auto before = std::prev(it);
        if (before->second >= from) {
            from = before->first;
            to = std::max(to, before->second);
            it = saved.erase(before);
        }
    }
    while (it != saved.end() && it->first <= to) {
        to = std::max(to, it->second);
        it = saved.erase(it);
    }
    saved.emplace(from, to);
}

bool RunJournal::sync()
{
    return !m_active || m_file.sync();
}

bool RunJournal::finish(const MarkedSizes& sizes)
{
    if (!m_active)
        return true;
    RunMark mark;
    mark.state = RunMark::kClosed;
    mark.sizes = sizes;
    m_file.close();
    bool ok = writeMarkFile(m_path, mark.encodeHead());
    abandon();
    return ok;
}

void RunJournal::abandon()
{
    m_file.close();
    m_active = false;
    m_end = 0;
    m_committed = {};
    for (auto& saved : m_saved)
        saved.clear();
}

} // namespace vedra::archive
