// Percent-escapes, raw UTF-8 letter pairs and cp1252 accents in text taken from web
// pages and addresses. Word extraction and the search apply DecodeWebEscapes, then
// FoldAccents, to every text they take words from, so both run over every indexed
// chunk: each rule is one linear pass that compacts the buffer in place.
#pragma once

#include <cstddef>
#include <string>

namespace vedra::web {

// Rewrites the escapes of the archive's fixed replacement table in place, in the
// table's order; every replacement is one byte, so the text only shrinks. Returns
// the new length; the bytes past it are left as they were. Never fails: text that
// matches nothing is left unchanged.
std::size_t DecodeWebEscapes(char* text, std::size_t length);
void DecodeWebEscapes(std::string& text);

// Folds the accented cp1252 letters of the archive's table to plain ASCII letters, in
// place. Every other byte is kept (á, í, ó, ú, À, È and É among them).
void FoldAccents(char* text, std::size_t length);
void FoldAccents(std::string& text);

} // namespace vedra::web
