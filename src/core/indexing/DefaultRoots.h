// The word roots a working folder starts with, built into the engine from
// resources/RadiciParole.txt: without a roots file a first archive would index no
// word that begins with a letter.
#pragma once

#include <string>
#include <string_view>

namespace vedra::indexing {

// The roots file's bytes: one root of one to three ASCII lower-case letters per
// line, sorted, each line ending in LF.
std::string_view DefaultWordRoots();

// Writes the default roots as "Lemmi/Radici/RadiciParole.txt" under workingFolder
// when that folder holds no regular file, creating the folders as needed: the
// installed copy `dataFolder` + "RadiciParole.txt" when it can be read (an
// installed program's share/vedrareader/, which a packager may change), else the
// built-in roots. The user's files are never replaced. True when the folder holds
// a roots file afterwards, whether written here or already there.
bool InstallDefaultRoots(const std::string& workingFolder, const std::string& dataFolder = {});

} // namespace vedra::indexing
