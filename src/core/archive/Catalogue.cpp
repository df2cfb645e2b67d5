#include "core/archive/Catalogue.h"

#include "core/app/FileHandle.h"
#include "core/archive/ByteOrder.h"

#include <algorithm>

namespace vedra::archive {

std::optional<CatalogueHead> readCatalogueHead(const std::filesystem::path& catalogue)
{
    auto file = app::FileHandle::open(catalogue, app::OpenMode::ReadOnly);
    if (!file)
        return std::nullopt;
    std::array<std::uint8_t, 200> bytes{};
    if (file->readAt(0, bytes.data(), bytes.size()) < 0)
        return std::nullopt;
    CatalogueHead head;
    std::copy_n(bytes.begin(), CatalogueHead::kHeaderSize, head.header.begin());
    head.currentNumber = getI32le(bytes.data() + CatalogueHead::kNumbersOffset);
    head.defaultNumber = getI32le(bytes.data() + CatalogueHead::kNumbersOffset + 4);
    std::copy_n(bytes.begin() + CatalogueHead::kCurrentEntryOffset, 100, head.currentEntry.begin());
    return head;
}

} // namespace vedra::archive
