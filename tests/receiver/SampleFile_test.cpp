#include "receiver/SampleFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestSignal.h"
#include "receiver/SignalPath.h"

namespace {

using TBlock = rx::TSampleFileReader::TBlock;

class SampleFile : public ::testing::Test {
protected:
    std::string Put(const std::string& bytes, const std::string& name = "s.txt")
    {
        const std::string path = dir.Path(name);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }
    // Every block of a file with what each read said.
    std::vector<std::pair<TBlock, std::vector<std::int16_t>>> ReadAll(const std::string& path)
    {
        rx::TSampleFileReader r;
        EXPECT_TRUE(r.Open(path));
        std::vector<std::pair<TBlock, std::vector<std::int16_t>>> blocks;
        for (int guard = 0; guard < 100; ++guard) {
            std::vector<std::int16_t> b(2048, 12345);
            const TBlock got = r.ReadBlock(b.data());
            blocks.push_back({got, b});
            if (got != TBlock::Full)
                break;
        }
        return blocks;
    }
    std::vector<std::int16_t> FirstSamples(const std::string& bytes, std::size_t n)
    {
        const auto blocks = ReadAll(Put(bytes));
        return std::vector<std::int16_t>(blocks.at(0).second.begin(), blocks.at(0).second.begin() + static_cast<long>(n));
    }

    testsig::TTempDir dir;
};

TEST_F(SampleFile, FiveThousandLinesGiveThreeBlocksTheLastPadded)
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += std::to_string(i % 3000 - 1500) + "\n";
    const auto blocks = ReadAll(Put(text));
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].first, TBlock::Full);
    EXPECT_EQ(blocks[1].first, TBlock::Full);
    EXPECT_EQ(blocks[2].first, TBlock::Last);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(blocks[static_cast<std::size_t>(i / 2048)].second[static_cast<std::size_t>(i % 2048)], i % 3000 - 1500) << i;
    for (int i = 904; i < 2048; ++i)
        ASSERT_EQ(blocks[2].second[static_cast<std::size_t>(i)], 0) << i;
}

TEST_F(SampleFile, AnExactMultipleEndsWithABlockOfZeros)
{
    std::string text;
    for (int i = 0; i < 4096; ++i)
        text += "7\n";
    const auto blocks = ReadAll(Put(text));
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[1].first, TBlock::Full);
    EXPECT_EQ(blocks[2].first, TBlock::Last);
    EXPECT_EQ(blocks[2].second, std::vector<std::int16_t>(2048, 0));
}

TEST_F(SampleFile, EmptyFileGivesOneSilentBlock)
{
    const auto blocks = ReadAll(Put(""));
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].first, TBlock::Last);
    EXPECT_EQ(blocks[0].second, std::vector<std::int16_t>(2048, 0));
}

TEST_F(SampleFile, NumbersAsTheCLibraryReadsThemCutTo16Bits)
{
    EXPECT_EQ(FirstSamples("40000\n-40000\n32767\n-32768\n65536\n65535\n99999999999\n-1\n", 8),
              (std::vector<std::int16_t>{-25536, 25536, 32767, -32768, 0, -1, static_cast<std::int16_t>(99999999999LL & 0xFFFF), -1}));
    EXPECT_EQ(FirstSamples("  12\n\t-7\n+5\n12abc\n- 5\nabc\n\n3.9\n", 8),
              (std::vector<std::int16_t>{12, -7, 5, 12, 0, 0, 0, 3}));
}

TEST_F(SampleFile, CountsTheLinesThatHoldNoNumber)
{
    rx::TSampleFileReader r;
    ASSERT_TRUE(r.Open(Put("  12\n\t-7\n+5\n12abc\n- 5\nabc\n\n3.9\n  \r\n-0")));
    std::vector<std::int16_t> b(2048);
    EXPECT_EQ(r.ReadBlock(b.data()), TBlock::Last);
    EXPECT_EQ(r.Counts.Lines, 10);
    EXPECT_EQ(r.Counts.NotNumbers, 4);  // "- 5", "abc", the empty line and the blank one
    EXPECT_EQ(r.Counts.FirstNotNumber, 5);
    EXPECT_EQ(r.Counts.NotSamples, 6);  // and "12abc", "3.9"
    EXPECT_EQ(r.Counts.FirstNotSample, 4);
    ASSERT_TRUE(r.Open(Put("")));
    EXPECT_EQ(r.ReadBlock(b.data()), TBlock::Last);
    EXPECT_EQ(r.Counts.Lines, 0);
    EXPECT_EQ(r.Counts.NotNumbers, 0);
}

// What the decode tool warns of: CR alone in a file whose lines end in LF, more than one number on
// a line, numbers beyond 16 bits. Each count comes with its first line.
TEST_F(SampleFile, CountsTheLinesWorthAWarning)
{
    rx::TSampleFileReader r;
    ASSERT_TRUE(r.Open(Put("0\n1\r2\r3\n4 5\n70000\n-32768\n32768\n7\r\n-32769\n12abc\n8\r")));
    std::vector<std::int16_t> b(2048);
    EXPECT_EQ(r.ReadBlock(b.data()), TBlock::Last);
    const rx::TSampleFileCounts& c = r.Counts;
    EXPECT_EQ(c.Lines, 10);
    EXPECT_EQ(std::make_pair(c.LoneCr, c.FirstLoneCr), std::make_pair(2L, 2L));
    EXPECT_EQ(std::make_pair(c.SeveralNumbers, c.FirstSeveralNumbers), std::make_pair(2L, 2L));
    EXPECT_EQ(std::make_pair(c.OutOfRange, c.FirstOutOfRange), std::make_pair(3L, 4L));
    EXPECT_EQ(c.NotNumbers, 0);
    // All but 0, -32768 and the two lines whose CR ends them.
    EXPECT_EQ(std::make_pair(c.NotSamples, c.FirstNotSample), std::make_pair(6L, 2L));
}

// A file whose first line ends in CR alone has CR line ends: CR, LF and CR LF each end a line, also
// a CR LF split between two reads of the file. CR CR LF stays one line end of an LF file.
TEST_F(SampleFile, LinesEndingInCrAlone)
{
    rx::TSampleFileReader r;
    ASSERT_TRUE(r.Open(Put("12\r-7\r\n\r 5 \r40000\n3.5\r8")));
    std::vector<std::int16_t> b(2048);
    EXPECT_EQ(r.ReadBlock(b.data()), TBlock::Last);
    EXPECT_EQ(std::vector<std::int16_t>(b.begin(), b.begin() + 8), (std::vector<std::int16_t>{12, -7, 0, 5, -25536, 3, 8, 0}));
    EXPECT_EQ(r.Counts.Lines, 7);
    EXPECT_EQ(std::make_pair(r.Counts.NotNumbers, r.Counts.FirstNotNumber), std::make_pair(1L, 3L));
    EXPECT_EQ(std::make_pair(r.Counts.NotSamples, r.Counts.FirstNotSample), std::make_pair(3L, 3L));
    EXPECT_EQ(r.Counts.LoneCr, 0);
    EXPECT_EQ(FirstSamples("12\r\r\n5\r\r\n", 3), (std::vector<std::int16_t>{12, 5, 0}));

    // 32768 lines of two bytes fill the first read exactly; its last CR decides, and the LF after it
    // in the next read belongs to it.
    std::string text;
    for (int i = 0; i < 32768; ++i)
        text += i == 32767 ? "9\r" : "1\r";
    for (const char* rest : {"\n2\r", "3\r"}) {
        SCOPED_TRACE(rest);
        ASSERT_TRUE(r.Open(Put(text + rest)));
        while (r.ReadBlock(b.data()) == TBlock::Full) {
        }
        EXPECT_EQ(r.Counts.Lines, 32769);
        EXPECT_EQ(r.Counts.NotSamples, 0);
        EXPECT_EQ(b[0], std::string(rest)[0] == '\n' ? 2 : 3);
    }
    // A first line end at the very end of the first read is decided by the byte after it.
    EXPECT_EQ(FirstSamples(std::string(65533, ' ') + "12\r5\r", 3), (std::vector<std::int16_t>{12, 5, 0}));
    // The box says nothing of a file that is all samples.
    const std::string crSamples = "100\r-100\r200";
    ASSERT_TRUE(r.Open(Put(crSamples)));
    EXPECT_EQ(r.ReadBlock(b.data()), TBlock::Last);
    EXPECT_EQ(rx::SampleFileReport(r.Counts), "");
    // The same reader on a file whose lines end in LF goes by that file's first line end.
    ASSERT_TRUE(r.Open(Put("1\n2\r3\n")));
    EXPECT_EQ(r.ReadBlock(b.data()), TBlock::Last);
    EXPECT_EQ(r.Counts.Lines, 2);
    EXPECT_EQ(r.Counts.LoneCr, 1);
    // The first line end holds for the whole file, past the first read: a CR LF just before that
    // read's end, or a lone CR starting the next read, makes no file of CR lines. A file that opens
    // with an empty line keeps it, whatever the file read before ended with.
    std::string lf;
    for (int i = 0; i < 32768; ++i)
        lf += "1\n";
    const std::pair<std::string, long> files[] = {
        {std::string(65532, ' ') + "12\r\n5\r6\n", 2}, {lf + "5\r6\n", 32769}, {"\n7\n", 2}};
    for (const auto& [body, lines] : files) {
        SCOPED_TRACE(lines);
        ASSERT_TRUE(r.Open(Put(body)));
        while (r.ReadBlock(b.data()) == TBlock::Full) {
        }
        EXPECT_EQ(r.Counts.Lines, lines);
    }
}

// A file half of whose lines are samples is decoded; one line fewer, and nothing is.
TEST_F(SampleFile, HalfTheLinesSamplesIsEnoughToDecode)
{
    for (const auto& [bytes, decoded] : {std::pair<std::string, bool>{"1\nx\n2\ny\n", true}, {"1\nx\n2\ny\nz\n", false},
                                         {"x\n", false}, {"", false}}) {
        SCOPED_TRACE(bytes);
        rx::TSampleFileReader r;
        ASSERT_TRUE(r.Open(Put(bytes)));
        std::vector<std::int16_t> b(2048);
        r.ReadBlock(b.data());
        EXPECT_EQ(rx::HoldsSamples(r.Counts), decoded);
        EXPECT_EQ(rx::SampleFileReport(r.Counts).rfind(decoded ? "The file was decoded, but " : "Nothing was decoded: ", 0), 0u)
            << rx::SampleFileReport(r.Counts);
    }
}

// A centre frequency is tuned to its nearest bin (1700 Hz lies at 315.8).
TEST(DecodeTuning, CentreGoesToTheNearestBin)
{
    TTtyParams p;
    rx::TTwoToneDemod demod;
    rx::TDecodeTuning t;
    t.Shift = 170;
    t.CentreHz = 1700;
    rx::TuneForDecode(p, demod, t);
    EXPECT_EQ((p.LowerBin + p.UpperBin) / 2, 316);
    EXPECT_EQ(rx::NearestBin(1700, rx::kDeviceRate), 316);
}

// The last read of the file is short: the line ending there ends the file, whatever the buffer
// still holds from the read before.
TEST_F(SampleFile, ALastLineEndingAtAShortFinalRead)
{
    std::string text;
    for (int i = 0; i < 32768; ++i)
        text += "1\n";  // exactly one buffer
    const auto blocks = ReadAll(Put(text + "5"));
    ASSERT_EQ(blocks.size(), 17u);
    EXPECT_EQ(blocks[16].first, TBlock::Last);
    EXPECT_EQ(blocks[16].second[0], 5);
    EXPECT_EQ(blocks[16].second[1], 0);
}

TEST_F(SampleFile, LineEndsAndLongLines)
{
    // CR LF lines, a line far longer than any number, and a last line with no line break.
    const std::string longLine = std::string(100, ' ') + "42" + std::string(100, 'x');
    EXPECT_EQ(FirstSamples("1\r\n-2\r\n" + longLine + "\n9", 5), (std::vector<std::int16_t>{1, -2, 42, 9, 0}));
    const auto blocks = ReadAll(Put("5\n6"));
    EXPECT_EQ(blocks[0].first, TBlock::Last);
}

TEST_F(SampleFile, LinesAcrossTheReadBuffer)
{
    // Enough lines to cross many internal reads, the numbers of varying lengths.
    std::string text;
    std::vector<std::int16_t> want;
    for (int i = 0; i < 30000; ++i) {
        const int v = (i * 7919) % 65536 - 32768;
        text += std::to_string(v) + (i % 5 ? "\n" : "   \r\n");
        want.push_back(static_cast<std::int16_t>(v));
    }
    const auto blocks = ReadAll(Put(text));
    std::vector<std::int16_t> got;
    for (const auto& b : blocks)
        got.insert(got.end(), b.second.begin(), b.second.end());
    got.resize(want.size());
    EXPECT_EQ(got, want);
    EXPECT_EQ(blocks.size(), 15u);
}

TEST_F(SampleFile, FilesThatCannotBeOpened)
{
    rx::TSampleFileReader r;
    EXPECT_FALSE(r.Open(dir.Path("missing.txt")));
    EXPECT_FALSE(r.NotAFile());
    EXPECT_FALSE(r.Open(dir.Dir));
    EXPECT_FALSE(r.NotAFile());
    const std::string locked = Put("1\n", "locked.txt");
    ::chmod(locked.c_str(), 0);
    if (::access(locked.c_str(), R_OK) != 0) {  // root reads it anyway
        EXPECT_FALSE(r.Open(locked));
    }
    TTtyParams p;
    rx::TRxSignalPath path(p);
    EXPECT_EQ(rx::DecodeSampleFile(dir.Path("missing.txt"), path), rx::TFileDecodeResult::OpenFailed);

    // A named pipe (its writer open, so that a reader would wait for data that never comes) and a
    // device are refused as no file at all; a file after them opens as before. A pipe with no
    // writer is tried by the window's test.
    const std::string pipe = dir.Path("pipe.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int writer = ::open(pipe.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    EXPECT_FALSE(r.Open(pipe));
    EXPECT_TRUE(r.NotAFile());
    ::close(writer);
    EXPECT_FALSE(r.Open("/dev/null"));
    EXPECT_TRUE(r.NotAFile());
    EXPECT_TRUE(r.Open(Put("1\n")));
    EXPECT_FALSE(r.NotAFile());
    EXPECT_EQ(rx::NotAFileReport(pipe),
              "Nothing was decoded: pipe.txt is not a file but a named pipe or a device. Decode From File reads "
              "files of samples only.");
}

// Reading this process's memory from address 0 fails on its first read.
TEST_F(SampleFile, ReadErrorIsReportedNotTakenForTheEnd)
{
    rx::TSampleFileReader r;
    if (!r.Open("/proc/self/mem"))
        GTEST_SKIP() << "no /proc";
    std::vector<std::int16_t> b(2048);
    EXPECT_EQ(r.ReadBlock(b.data()), TBlock::Failed);
    TTtyParams p;
    rx::TRxSignalPath path(p);
    int blocks = 0;
    EXPECT_EQ(rx::DecodeSampleFile("/proc/self/mem", path, [&] { ++blocks; }), rx::TFileDecodeResult::ReadFailed);
    EXPECT_EQ(blocks, 0);
}

// Every block goes through the per-block processing with the from-file flag, in order.
TEST_F(SampleFile, DecodeFeedsEveryBlockFromFile)
{
    struct THost : rx::TRxSignalHost {
        int Spectra = 0;
        bool AllFromFile = true;
        void SpectrumReady(bool fromFile) override
        {
            ++Spectra;
            AllFromFile = AllFromFile && fromFile;
        }
    } host;
    struct TSink : rx::TDemodSink {
        long Samples = 0;
        void RttyFrameSample(double) override { ++Samples; }
        void BitSyncSample(double) override {}
    } sink;
    TTtyParams p;
    rx::TRxSignalPath path(p);
    path.Host = &host;
    path.Sink = &sink;
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "100\n";
    int after = 0;
    EXPECT_EQ(rx::DecodeSampleFile(Put(text), path, [&] { ++after; }), rx::TFileDecodeResult::Done);
    EXPECT_EQ(host.Spectra, 3);
    EXPECT_TRUE(host.AllFromFile);
    EXPECT_EQ(after, 3);
    EXPECT_EQ(sink.Samples, 3 * 2048);
}

}  // namespace
