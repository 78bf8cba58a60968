// The sample-file reader against a plain reading of the same bytes: one sample per line, the
// number at its start as atoi reads it, cut to 16 bits; a line is a sample only when it holds that
// number within 16 bits and blanks; the warning counts never exceed the lines. Lines end in LF,
// unless the first line end is a CR followed by neither LF nor CR: then CR, LF and CR LF end them.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "receiver/SampleFile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

bool IsBlank(char C) { return C == ' ' || (C >= '\t' && C <= '\r'); }

std::vector<std::int16_t> Expected(const std::string& Text, long& NotSamples, long& FirstNotSample)
{
    NotSamples = FirstNotSample = 0;
    std::vector<std::int16_t> out;
    const size_t first = Text.find_first_of("\r\n");
    const bool crEnds = first != std::string::npos && Text[first] == '\r' && first + 1 < Text.size() &&
                        Text[first + 1] != '\n' && Text[first + 1] != '\r';
    size_t p = 0;
    while (p < Text.size()) {
        size_t nl = crEnds ? Text.find_first_of("\r\n", p) : Text.find('\n', p);
        if (nl == std::string::npos) nl = Text.size();
        size_t i = p;
        while (i < nl && IsBlank(Text[i])) ++i;
        bool neg = false;
        if (i < nl && (Text[i] == '-' || Text[i] == '+')) neg = Text[i++] == '-';
        std::uint32_t v = 0;
        long magnitude = 0;
        const size_t digits = i;
        for (; i < nl && Text[i] >= '0' && Text[i] <= '9'; ++i) {
            v = v * 10 + static_cast<std::uint32_t>(Text[i] - '0');
            magnitude = std::min(magnitude * 10 + (Text[i] - '0'), 100000L);
        }
        bool sample = i > digits && magnitude <= (neg ? 32768 : 32767);
        for (size_t j = i; j < nl; ++j) sample = sample && IsBlank(Text[j]);
        if (!sample && NotSamples++ == 0) FirstNotSample = static_cast<long>(out.size()) + 1;
        if (neg) v = 0u - v;
        out.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF)));
        p = nl + 1;
        if (crEnds && nl < Text.size() && Text[nl] == '\r' && p < Text.size() && Text[p] == '\n')
            ++p;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string text = fuzz::Bytes(Data, Size);
    const std::string path = fuzz::ScratchPath("samples.txt");
    fuzz::WriteFile(path, text);
    rx::TSampleFileReader reader;
    FUZZ_CHECK(reader.Open(path), path);
    long notSamples = 0, firstNotSample = 0;
    const std::vector<std::int16_t> want = Expected(text, notSamples, firstNotSample);
    std::vector<std::int16_t> got;
    std::int16_t block[rx::kBlockSize];
    for (size_t guard = 0; guard <= want.size() / rx::kBlockSize + 1; ++guard) {
        const auto r = reader.ReadBlock(block);
        FUZZ_CHECK(r != rx::TSampleFileReader::TBlock::Failed, "read failed");
        got.insert(got.end(), block, block + rx::kBlockSize);
        if (r == rx::TSampleFileReader::TBlock::Last) break;
    }
    FUZZ_CHECK(got.size() >= want.size() && got.size() - want.size() <= rx::kBlockSize, "block count");
    for (size_t i = 0; i < got.size(); ++i)
        FUZZ_CHECK(got[i] == (i < want.size() ? want[i] : 0), "sample " + std::to_string(i));
    const rx::TSampleFileCounts& c = reader.Counts;
    FUZZ_CHECK(c.Lines == static_cast<long>(want.size()), "line count");
    FUZZ_CHECK(c.NotSamples == notSamples && c.FirstNotSample == firstNotSample, "lines that are not samples");
    for (long n : {c.NotNumbers, c.LoneCr, c.SeveralNumbers, c.OutOfRange}) FUZZ_CHECK(n >= 0 && n <= c.Lines, "count");
    return 0;
}
