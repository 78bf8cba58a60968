// The memo's native dump reader on any bytes. The first byte chooses static format (bit 0) and
// highlighting (bit 1). A dump is either read whole, and is then exactly what was taken from the
// stream and a sound store that every other road through the memo can take, or refused with the
// memo, its selection and its undo history as they were.
#include <cstring>

#include "memo/Stylehilite.h"
#include "tests/fuzz/MemoTargets.h"

namespace {

std::string Dump(TStyleMemo& M)
{
    TMemoryStream m;
    M.SaveToNativeStream(&m);
    return {m.Bytes().begin(), m.Bytes().end()};
}

std::string State(TStyleMemo& M)
{
    return Dump(M) + "/" + std::to_string(M.SelStart()) + "/" + std::to_string(M.SelLength()) + "/" +
           std::to_string(M.UndoCount());
}

void Check(TStyleMemo& M, const char* Where)
{
    try {
        M.CheckIntegrity();
    } catch (const Exception& e) {
        fuzz::Fail(Where, e.Message());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size == 0) return 0;
    TStyleMemo memo(nullptr);
    memo.setStaticFormat((Data[0] & 1) != 0);
    if (Data[0] & 2) {
        memo.Keywords()->AddKeyWord("for", woWholeWordsOnly, 1, 2, 0, clYellow, clRed);
        memo.StartStopKeys()->AddStartStopKey("/*", "*/", 0, 2, 1, 0, -1, clGreen, false);
        memo.StartStopKeys()->AddStartStopKey("//", "", 0, 2, 1, 0, -1, clGreen, true);
    }
    memo.SetTextBuf("before\r\nthe load");
    memo.setSelStart(3);
    memo.setSelText("x");
    memo.setSelLength(2);
    const std::string before = State(memo);

    const std::string bytes = fuzz::Bytes(Data + 1, Size - 1);
    TReadOnlyMemoryStream s(bytes.data(), static_cast<Int64>(bytes.size()));
    try {
        memo.LoadFromNativeStream(&s, false);
    } catch (const EReadError&) {
        FUZZ_CHECK(State(memo) == before, "a refused dump changed the memo");
        FUZZ_CHECK(s.Position() == 0, "a refused dump moved the stream");
        return 0;
    }
    Check(memo, "CheckIntegrity after the load");
    const std::string read = Dump(memo);
    FUZZ_CHECK(read == bytes.substr(0, static_cast<size_t>(s.Position())), "the memo is not what was read");

    // The roads a loaded text takes: the other writers, formatting, highlighting and an edit.
    TMemoryStream out;
    memo.SaveToRTFStream(&out, true);
    FUZZ_CHECK(std::memchr(out.Bytes().data(), 0, out.Bytes().size()) == nullptr, "a NUL in the RTF");
    memo.SaveToStream(&out);
    memo.FormatNow(0, memo.ParCount() - 1, false);
    Check(memo, "CheckIntegrity after formatting");
    memo.setSelStart(memo.TextLen() / 2);
    memo.setSelText("for /* x\r\n*/");
    memo.FormatNow(0, memo.ParCount() - 1, false);
    Check(memo, "CheckIntegrity after an edit");
    memo.ReApplyKeywords();
    memo.FormatNow(0, memo.ParCount() - 1, false);
    Check(memo, "CheckIntegrity after highlighting");
    return 0;
}
