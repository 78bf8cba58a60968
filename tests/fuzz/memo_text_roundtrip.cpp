// The memo's plain text saved and loaded again: the same paragraphs, and a second save gives the
// same bytes as the first.
#include "tests/fuzz/MemoTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size == 0) return 0;
    TStyleMemo first(nullptr), second(nullptr);
    fuzz::Configure(first, Data[0]);
    fuzz::Configure(second, Data[0]);
    fuzz::LoadMemo(first, fuzz::Bytes(Data + 1, Size - 1));
    const std::string saved = fuzz::SaveMemo(first);
    fuzz::LoadMemo(second, saved);
    const std::string again = fuzz::SaveMemo(second);
    FUZZ_CHECK(again == saved, "second save differs");
    // Code pairs without effect and trailing blanks are dropped by a save, on purpose.
    if ((Data[0] & 3) == 0) {
        const std::string a = first.Paragraphs()->GetText(), b = second.Paragraphs()->GetText();
        FUZZ_CHECK(first.Paragraphs()->Count() == second.Paragraphs()->Count() && a == b, "paragraphs differ");
    }
    return 0;
}
