#include "receiver/Baudot.h"

#include "receiver/CharSets.h"

const char* BaudotToText(TTtyParams& p, int code)
{
    using namespace rx;
    // A damaged record must not take the lookup outside the table: any shift or register value
    // other than the two each may hold reads as 0.
    const int c = code & 31;
    int shift = p.BaudotShift == kShiftFigures ? kShiftFigures : 0;
    int reg = p.ExtendedRegister == kRegisterExtended ? kRegisterExtended : 0;
    const char* text = "";
    switch (c) {
    case kCodeLtrs:
        shift = 0;
        reg = 0;
        break;
    case kCodeFigs:
        shift = kShiftFigures;
        reg = 0;
        break;
    case kCodeBlank:
        if (p.CharsetIndex == kCharsetEnglishRussian) {
            shift = 0;
            reg = kRegisterExtended;
        } else if (p.ExtendedBaudot) {
            reg = kRegisterExtended - reg;
        } else {
            reg = 0;
        }
        break;
    default:
        text = CharsetByIndex(p.CharsetIndex).Text[static_cast<std::size_t>(c + shift + reg)];
        // The space or line feed itself is still read in the old shift.
        if (p.UnshiftOnSpace && (c == kCodeSpace || c == kCodeLF))
            shift = 0;
        break;
    }
    p.BaudotShift = shift;
    p.ExtendedRegister = reg;
    return text;
}

namespace rx {

void SelectCharset(TTtyParams& p, int index)
{
    p.HoldOffTicks = 0;
    p.CharsetIndex = index;
}

bool ToggleUnshiftOnSpace(TTtyParams& p)
{
    p.HoldOffTicks = 0;
    p.UnshiftOnSpace = p.UnshiftOnSpace ? 0 : 1;
    return p.UnshiftOnSpace != 0;
}

bool ToggleExtendedBaudot(TTtyParams& p)
{
    p.HoldOffTicks = 0;
    p.ExtendedBaudot = p.ExtendedBaudot ? 0 : 1;
    if (!p.ExtendedBaudot)
        p.ExtendedRegister = 0;
    return p.ExtendedBaudot != 0;
}

}  // namespace rx
