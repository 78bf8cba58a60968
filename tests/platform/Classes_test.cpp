#include "platform/Classes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/platform/ScratchDir.h"

namespace {

struct Probe : TComponent {
    using TComponent::TComponent;
    std::vector<std::pair<TComponent*, TOperation>> heard;
    int* deaths = nullptr;
    ~Probe() override
    {
        if (deaths) ++*deaths;
    }
    void Notification(TComponent* c, TOperation op) override
    {
        heard.emplace_back(c, op);
        TComponent::Notification(c, op);
    }
};

TEST(Component, OwnerFreesItsComponentsAndHearsOfThem)
{
    int deaths = 0;
    auto* owner = new Probe(nullptr);
    auto* a = new Probe(owner);
    auto* b = new Probe(owner);
    a->deaths = b->deaths = &deaths;
    ASSERT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->heard.size(), 2u);
    EXPECT_EQ(b->ComponentIndex(), 1);
    // Compared by address only: the component is gone when the owner's record is read.
    const auto aAddress = reinterpret_cast<std::uintptr_t>(static_cast<TComponent*>(a));
    delete a;  // removing itself tells the owner
    EXPECT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(owner->heard.back().first), aAddress);
    EXPECT_EQ(owner->heard.back().second, opRemove);
    delete owner;
    EXPECT_EQ(deaths, 2);
}

TEST(Component, FreeNotificationReachesAnUnrelatedComponent)
{
    Probe watcher(nullptr);
    auto* watched = new Probe(nullptr);
    watched->FreeNotification(&watcher);
    delete watched;
    ASSERT_EQ(watcher.heard.size(), 1u);
    EXPECT_EQ(watcher.heard[0].second, opRemove);
}

TEST(StringList, TextSplitsEveryLineBreakForm)
{
    TStringList l;
    l.SetText("a\r\nb\nc\rd\n\re");
    ASSERT_EQ(l.Count(), 6);
    EXPECT_EQ(l[3], "d");
    EXPECT_EQ(l[4], "");
    EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
    l.SetText("x\r\n");
    EXPECT_EQ(l.Count(), 1);
}

TEST(StringList, SortedInsertAndDuplicates)
{
    TStringList l;
    l.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig", "apple"}) l.Add(s);
    ASSERT_EQ(l.Count(), 3);  // dupIgnore, case-insensitive by default
    EXPECT_EQ(l[0], "Apple");
    EXPECT_EQ(l[2], "pear");
    l.Duplicates = dupError;
    EXPECT_THROW(l.Add("FIG"), EStringListError);
    EXPECT_THROW(l.Insert(0, "z"), EStringListError);
    l.Duplicates = dupAccept;
    EXPECT_EQ(l.Add("fig"), 1);
    EXPECT_EQ(l.Count(), 4);
}

TEST(StringList, CommaTextQuotesAndSplits)
{
    TStringList l;
    l.SetCommaText("one, \"two three\",\"say \"\"hi\"\"\",");
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l[1], "two three");
    EXPECT_EQ(l[2], "say \"hi\"");
    EXPECT_EQ(l[3], "");
    EXPECT_EQ(l.CommaText(), "one,\"two three\",\"say \"\"hi\"\"\",");  // the empty last item round-trips
}

TEST(StringList, OnChangingAndOnChangeFireOncePerUpdateBracket)
{
    TStringList l;
    std::string events;
    l.OnChanging = [&](TObject*) { events += '<'; };
    l.OnChange = [&](TObject*) { events += '>'; };
    l.Add("a");
    l.BeginUpdate();
    l.Add("b");
    l.BeginUpdate();  // nested brackets count as one
    l.Add("c");
    l.EndUpdate();
    EXPECT_EQ(events, "<><");
    l.EndUpdate();
    EXPECT_EQ(events, "<><>");
    EXPECT_THROW(l.Get(3), EStringListError);
}

TEST(Stream, ShortReadRaisesAndSeekPastEndReadsNothing)
{
    TMemoryStream m;
    m.WriteBuffer("hello", 5);
    EXPECT_EQ(m.Size(), 5);
    m.SetPosition(0);
    char buf[8] = {};
    EXPECT_THROW(m.ReadBuffer(buf, 6), EReadError);
    m.Seek(10, soBeginning);
    EXPECT_EQ(m.Read(buf, 1), 0);
    m.WriteBuffer("!", 1);  // writing past the end grows with zeros
    EXPECT_EQ(m.Size(), 11);
    EXPECT_EQ(m.Bytes()[7], 0);
}

TEST(Stream, FileOpenFailureNamesTheFile)
{
    try {
        TFileStream f("/nonexistent/dir/x.txt", fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file /nonexistent/dir/x.txt");
    }
}

TEST(StringList, NamesAndValues)
{
    TStringList l;
    l.SetText("Mode=0\r\nBaud=50\r\nnoequals\r\nShift=450=x\r\n");
    EXPECT_EQ(l.Values("baud"), "50");
    EXPECT_EQ(l.Values("Shift"), "450=x");
    EXPECT_EQ(l.Values("noequals"), "");
    EXPECT_EQ(l.Names(2), "");
    EXPECT_EQ(l.Names(3), "Shift");
    EXPECT_EQ(l.IndexOfName("MODE"), 0);
    l.SetValue("Baud", "75");
    l.SetValue("New", "1");
    l.SetValue("Mode", "");
    EXPECT_EQ(l.Text(), "Baud=75\r\nnoequals\r\nShift=450=x\r\nNew=1\r\n");
}

TEST(StringList, CaseSensitiveSortedSearch)
{
    TStringList l;
    l.SetCaseSensitive(true);
    l.SetSorted(true);
    for (const char* s : {"b", "B", "a", "A"}) l.Add(s);
    EXPECT_EQ(l.CommaText(), "A,B,a,b");
    int i = -1;
    EXPECT_TRUE(l.Find("a", i));
    EXPECT_EQ(i, 2);
    EXPECT_FALSE(l.Find("c", i));
    EXPECT_EQ(i, 4);
    EXPECT_EQ(l.IndexOf("B"), 1);
    EXPECT_THROW(l.Put(0, "z"), EStringListError);
    l.SetCaseSensitive(false);
    EXPECT_EQ(l.IndexOf("b") / 2, 1);  // either spelling now matches
}

TEST(StringList, ExchangeMoveAndOwnedObjects)
{
    int deaths = 0;
    struct Counted : TObject {
        int* d;
        explicit Counted(int* p) : d(p) {}
        ~Counted() override { ++*d; }
    };
    {
        TStringList l;
        l.OwnsObjects = true;
        l.AddObject("a", new Counted(&deaths));
        l.AddObject("b", new Counted(&deaths));
        l.AddObject("c", nullptr);
        l.Exchange(0, 2);
        EXPECT_EQ(l.CommaText(), "c,b,a");
        EXPECT_EQ(l.Objects(0), nullptr);
        l.Move(2, 0);
        EXPECT_EQ(l.CommaText(), "a,c,b");
        EXPECT_EQ(deaths, 0);  // the moved object lives on
        EXPECT_THROW(l.Move(0, 3), EStringListError);
        EXPECT_EQ(l.CommaText(), "a,c,b");
        l.Delete(2);
        EXPECT_EQ(deaths, 1);
        EXPECT_THROW(l.Exchange(0, 5), EStringListError);
    }
    EXPECT_EQ(deaths, 2);
}

TEST(StringList, AssignCopiesAndRefusesStrangers)
{
    TStringList a, b;
    a.SetText("x\r\ny\r\n");
    b.Add("old");
    b.Assign(&a);
    EXPECT_TRUE(b.Equals(&a));
    TComponent c(nullptr);
    EXPECT_THROW(b.Assign(&c), EConvertError);
}

class StreamFiles : public ScratchDir {};

TEST_F(StreamFiles, StringListFileRoundTrip)
{
    Put("in.txt", "one\ntwo\r\nthree\rfour");
    TStringList l;
    l.LoadFromFile(Path("in.txt"));
    EXPECT_EQ(l.CommaText(), "one,two,three,four");
    l.SaveToFile(Path("out.txt"));
    EXPECT_EQ(Get("out.txt"), "one\r\ntwo\r\nthree\r\nfour\r\n");
    EXPECT_THROW(l.LoadFromFile(Path("missing.txt")), EFOpenError);
    EXPECT_EQ(l.Count(), 4);  // a failed load leaves the list alone
    // A save that fails half-way leaves the file it was to replace as it was.
    struct Failing : TStringList {
        std::string Get(int Index) const override
        {
            if (Index == 2) throw EStringListError("gone");
            return TStringList::Get(Index);
        }
    } failing;
    failing.Assign(&l);
    EXPECT_THROW(failing.SaveToFile(Path("out.txt")), EStringListError);
    EXPECT_EQ(Get("out.txt"), "one\r\ntwo\r\nthree\r\nfour\r\n");
    // A file that tells a size of 0, as those under /proc do, loads whole. Its lines stay, the
    // values of some change from one read to the next.
    std::ifstream plain("/proc/self/status");
    std::vector<std::string> lines;
    for (std::string s; std::getline(plain, s);) lines.push_back(s);
    ASSERT_GT(lines.size(), 1u);
    l.LoadFromFile("/proc/self/status");
    EXPECT_EQ(l.Count(), static_cast<int>(lines.size()));
    EXPECT_EQ(l.Text().substr(0, lines[0].size() + 2), lines[0] + "\r\n");
    TMemoryStream m;
    m.LoadFromFile("/proc/self/status");
    const std::string bytes(m.Bytes().begin(), m.Bytes().end());
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), static_cast<std::ptrdiff_t>(lines.size()));
    EXPECT_EQ(bytes.substr(0, lines[0].size() + 1), lines[0] + "\n");
    // Read to its end, a file whose reading fails (the process's memory from address 0) says so
    // rather than loading short, and a memory stream keeps what it held.
    EXPECT_THROW(l.LoadFromFile("/proc/self/mem"), EReadError);
    EXPECT_THROW(m.LoadFromFile("/proc/self/mem"), EReadError);
    EXPECT_EQ(std::string(m.Bytes().begin(), m.Bytes().end()), bytes);
    // A pipe that holds more than any first guess is read until its writer closes it.
    FILE* pipe = ::popen("yes 0123456 | head -c 200000", "r");
    m.LoadFromFile("/proc/self/fd/" + std::to_string(::fileno(pipe)));
    ::pclose(pipe);
    EXPECT_EQ(std::count(m.Bytes().begin(), m.Bytes().end(), '\n'), 25000);
}

TEST_F(StreamFiles, FileStreamWritesSeeksAndTruncates)
{
    {
        TFileStream f(Path("s.bin"), fmCreate);
        f.WriteBuffer("0123456789", 10);
        EXPECT_EQ(f.Size(), 10);
        EXPECT_EQ(f.Seek(-3, soEnd), 7);
        char c[3];
        f.ReadBuffer(c, 3);
        EXPECT_EQ(std::string(c, 3), "789");
        EXPECT_THROW(f.ReadBuffer(c, 1), EReadError);
        f.SetSize(4);
        EXPECT_EQ(f.Position(), 4);
    }
    EXPECT_EQ(Get("s.bin"), "0123");
    {
        TFileStream f(Path("s.bin"), fmOpenReadWrite);
        f.Seek(0, soEnd);
        f.WriteBuffer("AB", 2);
    }
    EXPECT_EQ(Get("s.bin"), "0123AB");
    try {
        TFileStream f(Path("nodir/s.bin"), fmCreate);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + Path("nodir/s.bin"));
    }
    EXPECT_THROW(TFileStream(dir, fmOpenRead), EFOpenError);  // a directory is no file

    // Random steps on a file, and on a file inside a save's bracket, give what they give on memory,
    // small and large, across the buffers' edges.
    TMemoryStream m;
    {
        TFileStream f(Path("r.bin"), fmCreate), g(Path("g.bin"), fmCreate);
        TGatheredWrites gathered(&g);
        std::mt19937 rng(87);
        std::vector<Byte> data(150000);
        for (Byte& x : data) x = Byte(rng());
        for (int step = 0; step < 3000; ++step) {
            const Int64 n = rng() % 8 ? rng() % 300 : rng() % 150000, at = rng() % 200000;
            const Int64 back = -std::min(n, m.Position());
            const unsigned kind = rng() % 6;
            auto take = [&](TStream& S) {
                std::vector<Byte> read;
                Int64 got = 0;
                switch (kind) {
                case 0:
                case 1: got = S.Write(data.data(), n); break;
                case 2: read.assign(n, 0), got = S.Read(read.data(), n); break;
                case 3: got = S.Seek(at, soBeginning); break;
                case 4: got = S.Seek(back, soCurrent); break;
                default:
                    if (n % 4 == 0) S.SetSize(at);
                    got = S.Size();
                }
                return std::make_tuple(got, read, S.Position());
            };
            const auto want = take(m);
            EXPECT_EQ(take(f), want);
            EXPECT_EQ(take(g), want);
        }
        gathered.Finish();
    }
    EXPECT_EQ(Get("r.bin"), std::string(m.Bytes().begin(), m.Bytes().end()));
    EXPECT_EQ(Get("g.bin"), Get("r.bin"));
    // A step back inside what was read asks nothing of the file, so a pipe takes it too.
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    ASSERT_EQ(::write(p[1], "line\r\nnext", 10), 10);
    TFileStream pipe("/proc/self/fd/" + std::to_string(p[0]), fmOpenRead);
    ::close(p[1]);
    char c[10];
    EXPECT_EQ(pipe.Read(c, 10), 10);
    EXPECT_EQ(pipe.Seek(-4, soCurrent), 6);
    EXPECT_EQ(pipe.Read(c, 10), 4);
    EXPECT_EQ(std::string(c, 4), "next");
    ::close(p[0]);
    // A write the disk refuses is told by that write, not left to a later one.
    TFileStream full("/dev/full", fmOpenWrite);
    EXPECT_THROW(full.WriteBuffer("abc", 3), EWriteError);
    EXPECT_EQ(full.Write("abc", 3), 0);
    // Gathered, by the end of the save, also when a writer between took the error and went on.
    TGatheredWrites save(&full);
    full.WriteBuffer("abc", 3);
    EXPECT_THROW(full.WriteBuffer(std::string(70000, 'x').data(), 70000), EWriteError);
    EXPECT_THROW(save.Finish(), EWriteError);
}

TEST(Stream, CopyFromAndReadOnlyBuffers)
{
    const char data[] = "abcdef";
    TReadOnlyMemoryStream src(data, 6);
    TMemoryStream dst;
    src.Seek(4, soBeginning);
    EXPECT_EQ(dst.CopyFrom(&src, 0), 6);  // 0: the whole source from its start
    EXPECT_EQ(std::string(dst.Bytes().begin(), dst.Bytes().end()), "abcdef");
    src.SetPosition(2);
    EXPECT_THROW(dst.CopyFrom(&src, 5), EReadError);  // only 4 left
    EXPECT_THROW(src.WriteBuffer("x", 1), EStreamError);
    dst.SetSize(2);
    EXPECT_EQ(dst.Position(), 2);
    EXPECT_EQ(dst.Size(), 2);
    EXPECT_THROW(dst.SetSize(-1), EStreamError);
    dst.Seek(-5, soCurrent);
    char c = 0;
    EXPECT_EQ(dst.Read(&c, 1), 0);  // before the start reads nothing
}

}  // namespace
