// "LinguaVedra.vedra" in the working folder: 16 bytes, two 8-byte words.
//
//   offset width  content
//    0     8      interface language: "italiano", "inglese " or "spagnolo"
//    8     8      English reading: "inglese " (on) or "italiano" (off)
#pragma once

#include "core/io/FileHandle.h"

#include <filesystem>

namespace vedra::app {

inline constexpr const char* kLanguageFileName = "LinguaVedra.vedra";

struct LanguageSetting {
    int languageIndex = 1;  // 0 Italian, 1 English, 2 Spanish
    bool englishReading = true;
};

// Reads the language file; a missing or unreadable file is created as English
// ("inglese inglese "). A first word that is none of the three reads as English.
// The file is opened through `open` (the workspace's probe).
LanguageSetting readOrCreateLanguageFile(const std::filesystem::path& file,
                                         const io::FileOpener& open = &io::FileHandle::open);

// The language word saved for the checked flag button: 2 "spagnolo", 0 "italiano",
// anything else (no button checked included) "inglese ".
// Returns false when the file could not be written; the old file then stays.
bool writeLanguageFile(const std::filesystem::path& file, int checkedLanguage, bool englishReading,
                       const io::FileOpener& open = &io::FileHandle::open);

} // namespace vedra::app
