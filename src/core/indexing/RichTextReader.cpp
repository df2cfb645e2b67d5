#include "core/indexing/RichTextReader.h"

#include "core/io/FileHandle.h"

#include <atomic>
#include <unistd.h>

namespace vedra::indexing {
namespace {

std::atomic<RichTextReader> g_richTextReader{nullptr};

} // namespace

void SetRichTextReader(RichTextReader reader)
{
    g_richTextReader.store(reader);
}

RichTextReader CurrentRichTextReader()
{
    return g_richTextReader.load();
}

bool WriteRichTextCopy(const std::string& path, const std::string& output)
{
    const RichTextReader reader = CurrentRichTextReader();
    if (reader == nullptr)
        return false;
    auto bytes = io::readFileBytes(path, kRichTextReadLimit);
    if (!bytes)
        return false;
    const std::string text = reader(*bytes);
    auto file = io::FileHandle::open(output, io::OpenMode::CreateTruncate);
    if (!file || !file->writeAt(0, text)) {
        file.reset();
        ::unlink(output.c_str());
        return false;
    }
    return true;
}

} // namespace vedra::indexing
