// "Browser.Vedra": the browsers the utility page offers.
//
//   offset  width       content
//    0      512         selected browser's program name + CR LF, NUL-padded
//    512    to the end  one entry per browser: name + CR LF, back to back
#pragma once

#include "core/io/FileHandle.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vedra::app {

inline constexpr const char* kBrowserListName = "Browser.Vedra";

struct BrowserChoice {
    std::string selected;
    std::vector<std::string> browsers;  // lower-cased, without duplicates
};

class BrowserList {
public:
    static constexpr std::size_t kSelectedRecordSize = 512;

    // The Linux defaults: "xdg-open" selected; "xdg-open", "firefox", "chromium",
    // "google-chrome".
    static BrowserChoice defaults();

    // Reads the list; when it is missing, unreadable or shorter than 10 bytes it is
    // rebuilt with the defaults first.
    static BrowserChoice readOrRebuild(const std::filesystem::path& list,
                                       const io::FileOpener& open = &io::FileHandle::open);

    static bool write(const std::filesystem::path& list, const BrowserChoice& choice,
                      const io::FileOpener& open = &io::FileHandle::open);
};

} // namespace vedra::app
