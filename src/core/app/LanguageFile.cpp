// Reading never fails: an unknown first word is English, and a file too short for
// a second word takes English reading from the interface language. Only
// "italiano" somewhere past the first seven bytes turns English reading off.
// Writing always stores both 8-byte words, and skips a file already equal.
#include "core/app/LanguageFile.h"

#include "core/io/FileHandle.h"

#include <string>
#include <string_view>

namespace vedra::app {
namespace {

constexpr std::string_view kItalian = "italiano";
constexpr std::string_view kEnglish = "inglese ";
constexpr std::string_view kSpanish = "spagnolo";

} // namespace

LanguageSetting readOrCreateLanguageFile(const std::filesystem::path& file, const io::FileOpener& open)
{
    auto bytes = io::readFileBytes(file, 512, open);
    if (!bytes) {
        std::string initial = std::string(kEnglish) + std::string(kEnglish);
        io::writeFileAtomically(file, initial, open);
        return LanguageSetting{1, true};
    }
    std::string text = std::move(*bytes);
    LanguageSetting setting;
    std::string_view first = std::string_view(text).substr(0, 8);
    if (first == kItalian)
        setting.languageIndex = 0;
    else if (first == kEnglish)
        setting.languageIndex = 1;
    else if (first == kSpanish)
        setting.languageIndex = 2;
    else
        setting.languageIndex = 1;

    if (text.size() > 8) {
        // NULs would end the search for the second word early; the last three bytes
        // are left alone, as the file's own readers always did.
        for (std::size_t i = 0; i + 3 < text.size(); ++i)
            if (text[i] == '\0')
                text[i] = ' ';
        setting.englishReading = text.find(kItalian, 7) == std::string::npos;
    } else {
        setting.englishReading = setting.languageIndex == 1;
    }
    return setting;
}

bool writeLanguageFile(const std::filesystem::path& file, int checkedLanguage, bool englishReading,
                       const io::FileOpener& open)
{
    std::string bytes;
    if (checkedLanguage == 2)
        bytes = kSpanish;
    else if (checkedLanguage == 0)
        bytes = kItalian;
    else
        bytes = kEnglish;
    bytes += englishReading ? kEnglish : kItalian;
    // Saved at every close: an unchanged file is not written again (the atomic
    // write syncs the disk, which costs more than the rest of a search).
    if (auto stored = io::readFileBytes(file, bytes.size() + 1, open); stored && *stored == bytes)
        return true;
    return io::writeFileAtomically(file, bytes, open);
}

} // namespace vedra::app
