// The memo's plain-text loader: any bytes give a whole text whose paragraphs add up to its length.
#include "tests/fuzz/MemoTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size == 0) return 0;
    TStyleMemo memo(nullptr);
    fuzz::Configure(memo, Data[0]);
    fuzz::LoadMemo(memo, fuzz::Bytes(Data + 1, Size - 1));
    const Integer len = memo.TextLen();
    FUZZ_CHECK(len >= 0, "length");
    FUZZ_CHECK(static_cast<Integer>(memo.GetTextPart(0, len).size()) <= len, "text part");
    return 0;
}
