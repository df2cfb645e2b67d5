// libFuzzer entry: random bytes damage a small archive, then every reader walks it.
#include "support/ArchiveFuzzBody.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vedra::testing::ArchiveFixture fx(1);
    vedra::testing::buildSmallArchive(*fx.store);
    vedra::testing::fuzzArchiveReaders(fx, data, size);
    return 0;
}
