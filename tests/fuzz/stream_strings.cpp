// Length-prefixed stream strings (8-bit, 16-bit and the fixed kind): read from any bytes until the
// stream ends, and each kind written and read back whole.
#include <cstdint>
#include <string>

#include "ctlbase/Extools.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    for (int kind = 0; kind < 3; ++kind) {
        TReadOnlyMemoryStream in(Data, static_cast<Int64>(Size));
        for (size_t guard = 0; guard <= Size; ++guard) {
            const Int64 before = in.Position();
            std::string s;
            std::u16string w;
            TExFString f;
            const bool ok = kind == 0 ? ReadStringFromStream(&in, s)
                            : kind == 1 ? ReadWideStringFromStream(&in, w)
                                        : ReadFStringFromStream(&in, f);
            FUZZ_CHECK(in.Position() <= static_cast<Int64>(Size), "past the end");
            if (!ok || in.Position() == before) break;
        }
    }
    const std::string text = fuzz::Bytes(Data, Size);
    std::u16string wide(Size / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<char16_t>(Data[2 * i] | (Data[2 * i + 1] << 8));
    TMemoryStream out;
    FUZZ_CHECK(WriteStringToStream(&out, text) && WriteWideStringToStream(&out, wide), "write");
    out.SetPosition(0);
    std::string s;
    std::u16string w;
    FUZZ_CHECK(ReadStringFromStream(&out, s) && s == text, "8-bit string");
    FUZZ_CHECK(ReadWideStringFromStream(&out, w) && w == wide, "16-bit string");
    FUZZ_CHECK(out.Position() == out.Size(), "left over");
    return 0;
}
