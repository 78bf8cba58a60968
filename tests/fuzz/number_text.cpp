// Numbers as text from files: the settings store's exact double form both ways, a double laid out
// by any FormatFloat pattern, and money read by PrettyStrToCurr. The first 8 bytes are the double,
// the rest the text.
#include <cstdint>
#include <cstring>
#include <string>

#include "ctlbase/Exini.h"
#include "ctlbase/Exstrutils.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size < 8) return 0;
    double d = 0;
    std::memcpy(&d, Data, 8);
    const std::string text = fuzz::Bytes(Data + 8, Size - 8);

    double back = 0;
    Integer code = 1;
    ValFloat(StrFloat(d), back, code);
    FUZZ_CHECK(code == 0 && std::memcmp(&back, &d, 8) == 0, StrFloat(d));
    double v = 0;
    ValFloat(text, v, code);
    if (code == 0) {
        double again = 0;
        ValFloat(StrFloat(v), again, code);
        FUZZ_CHECK(code == 0 && std::memcmp(&again, &v, 8) == 0, text);
    }
    FUZZ_CHECK(!FormatFloat(text, d).empty() || !text.empty(), text);
    FloatToStr(d);
    PrettyStrToCurr(text);
    return 0;
}
