// The settings store's text form: every value read through every typed read.
#include "tests/fuzz/StoreTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    return fuzz::StoreReader(Data, Size, false);
}
