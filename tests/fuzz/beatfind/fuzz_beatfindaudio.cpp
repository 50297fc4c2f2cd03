// libFuzzer entry: any bytes, as an audio file, through beatfind's reader and analysis.
#include "beatfind.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    beatfind::tempoOfMemory(data, size);
    return 0;
}
