// The block text form ("454C " + size + bytes in hex): any text Str2Data takes gives back the same
// block through Data2Str, and any block goes there and back whole.
#include <cstdint>
#include <string>
#include <vector>

#include "ctlbase/Exstrutils.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string text = fuzz::Bytes(Data, Size);
    std::vector<Byte> block;
    Integer size = 0;
    if (Str2Data(text, block, size)) {
        FUZZ_CHECK(size == static_cast<Integer>(block.size()), text);
        std::vector<Byte> again;
        Integer againSize = 0;
        FUZZ_CHECK(Str2Data(Data2Str(block.data(), size), again, againSize) && again == block, text);
    } else {
        FUZZ_CHECK(block.empty() && size == -1, text);
    }
    const std::string written = Data2Str(Data, static_cast<Integer>(Size));
    FUZZ_CHECK(Str2Data(written, block, size), written);
    FUZZ_CHECK(block == std::vector<Byte>(Data, Data + Size), written);
    return 0;
}
