// The memo's plain-text loader. The first byte chooses the memo's options (bit 0: static format,
// bit 1: trailing blanks discarded, bits 2-3: the line break written), the rest is the file.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "memo/Stylememo.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A memo is a control: its toolkit needs no display here.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return 0;
}

namespace fuzz {

inline void Configure(TStyleMemo& M, std::uint8_t Options)
{
    M.setStaticFormat((Options & 1) != 0);
    if (Options & 2) M.setOptions(static_cast<TStyleMemoOptions>(M.Options() | pmoDiscardTrailingSpaces));
    M.setLineBreak(static_cast<TStyleLineBreak>((Options >> 2) & 3));
}

inline void LoadMemo(TStyleMemo& M, const std::string& Bytes)
{
    TReadOnlyMemoryStream s(Bytes.data(), static_cast<Int64>(Bytes.size()));
    M.LoadFromStream(&s);
    try {
        M.CheckIntegrity();
    } catch (const Exception& e) {
        Fail("CheckIntegrity", e.Message());
    }
}

inline std::string SaveMemo(TStyleMemo& M)
{
    TMemoryStream m;
    M.SaveToStream(&m);
    return {m.Bytes().begin(), m.Bytes().end()};
}

}  // namespace fuzz
