// A preview document as bytes, for handing it to another process (the print
// program that `vedra print` starts), which draws it as the window would.
//
//   offset   size  field
//   0        4     "VPD1"
//   4        4     T, the text's length in bytes (uint32, little-endian)
//   8        T     the text, cp1252
//   8+T      4     N, the number of marked spans (uint32)
//   12+T     10*N  the spans, each:
//                    0  uint32  start, a character position in the text
//                    4  uint32  length, at least 1; start + length <= T
//                    8  uint8   1 bold, 2 underline (other bits: damaged)
//                    9  uint8   colour: 0 none, 1 blue, 2 red, 3 green
//
// Nothing follows the last span.
#pragma once

#include "core/search/PreviewDocument.h"

#include <optional>
#include <string>
#include <string_view>

namespace vedra::search {

std::string EncodePreviewDocument(const PreviewDocument& document);

// nullopt for bytes that are not such a document: a wrong tag, a length that
// reaches past the bytes, a span outside the text, an unknown flag or colour,
// bytes left over.
std::optional<PreviewDocument> DecodePreviewDocument(std::string_view bytes);

} // namespace vedra::search
