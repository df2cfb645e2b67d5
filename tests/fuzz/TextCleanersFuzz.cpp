// libFuzzer entry: random bytes through the text cleaners and the UTF-8
// conversions. The first byte picks the function (and its mode); the rest is the
// text. Besides the sanitizers' checks, each function's own promises are checked.
#include "FuzzCheck.h"

#include "core/app/HeadlessHost.h"
#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/indexing/MoreTypes.h"
#include "core/indexing/TextCleaners.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using vedra::fuzz::check;
namespace app = vedra::app;
namespace indexing = vedra::indexing;

// One workspace for the whole run: the tag reader pumps messages through it.
app::Workspace& workspace()
{
    static vedra::testing::TempFolder folder;
    static app::HeadlessHost host;
    static std::unique_ptr<app::Workspace> ws = [] {
        auto made = std::make_unique<app::Workspace>(host, vedra::testing::testProbe(folder.path()));
        made->PrepareWorkspace();
        made->setPumpInterval(std::chrono::milliseconds(0));
        return made;
    }();
    return *ws;
}

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

void squeezeNuls(const std::string& text)
{
    std::vector<char> out(text.size() + 1, 'Z');
    std::size_t length = indexing::SqueezeNuls(text.data(), text.size(), out.data());
    check(length <= text.size() && out[text.size()] == 'Z');
    std::string_view squeezed(out.data(), length);
    check(!contains(squeezed, std::string_view("\0", 1)));
    // In place gives the same bytes as into another buffer.
    std::string inPlace = text;
    check(indexing::SqueezeNuls(inPlace.data(), inPlace.size(), inPlace.data()) == length);
    check(std::string_view(inPlace.data(), length) == squeezed);
    // Only NUL runs change: the other bytes keep their order, and each run of two
    // or more leaves one blank.
    std::size_t runs = 0;
    std::string kept;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] != '\0')
            kept += text[k];
        else if (k + 1 < text.size() && text[k + 1] == '\0' && (k == 0 || text[k - 1] != '\0'))
            ++runs;
    }
    check(length == kept.size() + runs);
    if (!contains(text, " ")) {
        std::string withoutBlanks(squeezed);
        check(std::erase(withoutBlanks, ' ') == runs && withoutBlanks == kept);
    }
}

void stripMarkup(const std::string& text, int mode)
{
    std::string buffer = text;
    std::size_t length = indexing::StripMarkup(buffer.data(), buffer.size(), mode);
    check(length <= text.size());
    std::string_view stripped(buffer.data(), length);
    check(!contains(stripped, "\t"));
    if (mode < 2)
        check(!contains(stripped, "\r\n"));
    // Text with nothing to remove or translate comes out as it went in.
    const bool plain = !contains(text, "<") && !contains(text, "&") && !contains(text, "\t") &&
                       (mode == 2 || !contains(text, "\r\n"));
    if (plain)
        check(stripped == text);
}

void readTextBetweenTags(const std::string& text, char opening, char closing)
{
    app::Workspace& ws = workspace();
    ws.BreakCode = app::StopCode::None;
    std::string output = indexing::ReadTextBetweenTags(ws, text, opening, closing);
    // Each piece costs its two tags and adds a blank and at most a line break.
    check(output.size() <= text.size() + text.size() / 2 + 1);
    // The table's last rows take every '#' and every remaining C3 lead away.
    check(!contains(output, "#") && !contains(output, "\xC3"));
    if (!contains(text, std::string_view(&opening, 1)))
        check(output.empty());
}

void applyTagReplacements(const std::string& text)
{
    std::string replaced = text;
    indexing::ApplyTagReplacements(replaced);
    check(replaced.size() <= text.size());
    check(!contains(replaced, "#") && !contains(replaced, "\xC3"));
}

bool finalPassByte(unsigned char c)
{
    switch (c) {
    case '\n':
    case 0x92:
    case 0xE0: case 0xE1: case 0xE8: case 0xE9: case 0xEC: case 0xED: case 0xF2: case 0xF9: case 0xFA:
        return true;
    default:
        return c >= ' ' && c <= '}';
    }
}

void readableWords(const std::string& text, unsigned char rootCut)
{
    std::string view = indexing::ReadableWords(text, [rootCut](std::string_view root) {
        check(root.size() == 3);
        return static_cast<unsigned char>(root[0]) <= rootCut;
    });
    for (char c : view)
        check(finalPassByte(static_cast<unsigned char>(c)) && c != '\r');
    // Words are joined by single blanks.
    check(!contains(view, "  "));
}

void utf8Blocks(const std::string& text)
{
    const std::size_t safe = indexing::Utf8SafeLength(text.data(), text.size());
    check(safe <= text.size() && safe + 3 >= text.size());
    if (safe < text.size())
        check(app::isValidUtf8(std::string_view(text).substr(0, safe)) && !app::isValidUtf8(text));
    if (app::isValidUtf8(text))
        check(safe == text.size());

    std::string block = text;
    const std::size_t length = indexing::TranscodeDocumentBlock(block.data(), block.size());
    check(length <= text.size());
    // The block transcoder and the text conversions agree on what UTF-8 is.
    if (app::isMultiByteUtf8(text))
        check(std::string_view(block.data(), length) == app::utf8ToCp1252(text));
    else
        check(length == text.size() && block == text);
}

// The five bytes cp1252 leaves undefined come back as blanks.
bool undefinedInCp1252(unsigned char c)
{
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

void textEncoding(const std::string& text)
{
    const bool valid = app::isValidUtf8(text);
    const bool multiByte = app::isMultiByteUtf8(text);
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    check(!multiByte || valid);
    check(valid == (multiByte || ascii));

    const std::string utf8 = app::cp1252ToUtf8(text);
    check(app::isValidUtf8(utf8) && utf8.size() >= text.size());
    std::string expected = text;
    for (char& c : expected)
        if (undefinedInCp1252(static_cast<unsigned char>(c)))
            c = ' ';
    check(app::utf8ToCp1252(utf8) == expected);

    const std::string cp1252 = app::utf8ToCp1252(text);
    check(cp1252.size() <= text.size());
    const std::string shown = app::displayUtf8(text);
    check(app::isValidUtf8(shown));
    check(!valid || shown == text);

    // The text sniff of files of no listed type: a NUL makes a head binary; valid
    // UTF-8 without control bytes is text; appending a NUL never makes text.
    const bool sniffed = indexing::LooksLikeText(text);
    const bool control = std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && u != '\t' && u != '\n' && u != '\v' && u != '\f' && u != '\r' && u != '\b' && u != 0x1B) ||
               u == 0x7F;
    });
    if (text.find('\0') != std::string::npos)
        check(!sniffed);
    if (valid && !control)
        check(sniffed);
    check(!indexing::LooksLikeText(text + std::string(1, '\0')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t pick = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (pick % 8) {
    case 0: squeezeNuls(text); break;
    case 1: stripMarkup(text, (pick >> 3) % 4); break;
    case 2: readTextBetweenTags(text, '>', '<'); break;
    case 3:
        // Other tag characters, as the callers may pass, from the text's first bytes.
        if (text.size() >= 2)
            readTextBetweenTags(text.substr(2), text[0], text[1]);
        break;
    case 4: applyTagReplacements(text); break;
    case 5: readableWords(text, static_cast<unsigned char>(pick | 0x60)); break;
    case 6: utf8Blocks(text); break;
    default: textEncoding(text); break;
    }
    return 0;
}
