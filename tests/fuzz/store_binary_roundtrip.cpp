// The settings store's binary form: load, save and load again give the same store.
#include "tests/fuzz/StoreTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    return fuzz::StoreRoundTrip(Data, Size, true);
}
