// The selected record ends at its first CR LF or NUL. Entries are lower-cased and
// deduplicated when read, not when written, so a hand-edited list still reads
// clean. A rebuild that cannot be written still answers with the defaults.
#include "core/app/BrowserList.h"

#include "core/app/SystemProbe.h"
#include "core/io/FileHandle.h"

#include <algorithm>

namespace vedra::app {

BrowserChoice BrowserList::defaults()
{
    return BrowserChoice{"xdg-open", {"xdg-open", "firefox", "chromium", "google-chrome"}};
}

bool BrowserList::write(const std::filesystem::path& list, const BrowserChoice& choice, const io::FileOpener& open)
{
    std::string head = choice.selected + "\r\n";
    if (head.size() > kSelectedRecordSize)
        return false;
    head.resize(kSelectedRecordSize, '\0');
    for (const auto& browser : choice.browsers)
        head += browser + "\r\n";
    return io::writeFileAtomically(list, head, open);
}

BrowserChoice BrowserList::readOrRebuild(const std::filesystem::path& list, const io::FileOpener& open)
{
    auto bytes = io::readFileBytes(list, static_cast<std::size_t>(-1), open);
    if (!bytes || bytes->size() < 10) {
        BrowserChoice choice = defaults();
        write(list, choice, open);
        return choice;
    }
    const std::string& text = *bytes;
    BrowserChoice choice;
    std::string first = textUntilNul(text.data(), std::min(text.size(), kSelectedRecordSize));
    choice.selected = first.substr(0, first.find("\r\n"));

    std::size_t pos = kSelectedRecordSize;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string name = lowerAscii(textUntilNul(text.data() + pos, end - pos));
        if (!name.empty() && std::find(choice.browsers.begin(), choice.browsers.end(), name) == choice.browsers.end())
            choice.browsers.push_back(name);
        pos = end + 2;
    }
    return choice;
}

} // namespace vedra::app
