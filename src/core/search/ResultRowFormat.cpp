// Dates go through the C library's local time so the list shows what the file
// manager shows; FILETIME counts 100-ns ticks from 1601, time_t seconds from 1970.
#include "core/search/ResultRowFormat.h"

#include <cstdio>
#include <ctime>

namespace vedra::search {
namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr int kEnglish = 1;

void appendTwoDigits(std::string& text, int value)
{
    if (value < 0 || value > 99) {
        text += std::to_string(value);
        return;
    }
    text += static_cast<char>('0' + value / 10);
    text += static_cast<char>('0' + value % 10);
}

std::optional<std::tm> localCalendar(std::int64_t unixSeconds)
{
    const auto seconds = static_cast<std::time_t>(unixSeconds);
    std::tm calendar{};
    if (::localtime_r(&seconds, &calendar) == nullptr)
        return std::nullopt;
    return calendar;
}

} // namespace

std::string FileTimeText(std::uint64_t fileTime, int languageIndex)
{
    const std::int64_t unixSeconds =
        static_cast<std::int64_t>(fileTime / kTicksPerSecond) - kSecondsFrom1601To1970;
    const std::optional<std::tm> local = localCalendar(unixSeconds);
    if (!local)
        return {};
    const int month = local->tm_mon + 1;
    const int first = languageIndex == kEnglish ? month : local->tm_mday;
    const int second = languageIndex == kEnglish ? local->tm_mday : month;
    // "%02d/%02d/%d  %02d:%02d" written by hand: a long result list formats
    // thousands of dates, and the printf family was most of a row's cost.
    std::string text;
    text.reserve(20);
    appendTwoDigits(text, first);
    text += '/';
    appendTwoDigits(text, second);
    text += '/';
    text += std::to_string(local->tm_year + 1900);
    text += "  ";
    appendTwoDigits(text, local->tm_hour);
    text += ':';
    appendTwoDigits(text, local->tm_min);
    return text;
}

namespace {

std::string calendarTimeText(std::uint64_t timeBytes)
{
    if (timeBytes == 0)
        return {};
    const std::optional<std::tm> local = localCalendar(static_cast<std::int64_t>(timeBytes));
    if (!local)
        return {};
    char text[64];
    if (std::strftime(text, sizeof text, "%d/%m/%Y %H:%M:%S", &*local) == 0)
        return {};
    return text;
}

} // namespace

std::optional<std::int64_t> RecordTimeSeconds(std::uint64_t timeBytes, char documentKind)
{
    if (documentKind == 'f' || documentKind == 'c')
        return static_cast<std::int64_t>(timeBytes / kTicksPerSecond) - kSecondsFrom1601To1970;
    if (timeBytes == 0)
        return std::nullopt;
    return static_cast<std::int64_t>(timeBytes);
}

ResultRow FormatResultRow(const ResultRowInput& input)
{
    ResultRow row;
    row.pathKind = input.documentKind == 'w' ? 'w' : 'f';
    row.archiveNumber = input.archiveNumber;
    row[ResultColumn::Path] = input.path;
    row[ResultColumn::Size] = input.sizeText.empty() && input.sizeBytes ? SizeText(*input.sizeBytes) : input.sizeText;
    if (input.lastWrite) {
        // A marking update leaves 'c' on a disk document, whose time is still a FILETIME.
        const bool diskDocument = input.documentKind == 'f' || input.documentKind == 'c';
        row[ResultColumn::LastUpdating] = diskDocument ? FileTimeText(*input.lastWrite, input.languageIndex)
                                                       : calendarTimeText(*input.lastWrite);
        row[ResultColumn::Position] = std::to_string(input.documentNumber);
        row.modifiedSeconds = RecordTimeSeconds(*input.lastWrite, input.documentKind);
    }
    row[ResultColumn::Words] = input.wordsText;
    if (!input.inTheIndex)
        row[ResultColumn::Archive] = input.archiveName;
    return row;
}

std::string SizeText(std::uint64_t bytes)
{
    return std::to_string(bytes);
}

void ResultCounters::count(std::string_view words)
{
    if (words.empty())
        return;
    if (words == kNameRowWords)
        ++nameRows;
    else
        ++documents;
}

} // namespace vedra::search
