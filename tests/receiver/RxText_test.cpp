// The received text through the main window: line-end folding, the receive window with its trimming
// and history, Save Buffer, the raw log with its day change, message capture and message files, and
// failures of the disk that must lose nothing and stop nothing.
#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/DateUtils.h"
#include "platform/FileUtils.h"
#include "platform/Menus.h"
#include "tests/receiver/RxWindowTest.h"

namespace {

using namespace rxtest;
namespace fs = std::filesystem;

std::string ReadAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The files of a folder by name, with their bytes.
std::map<std::string, std::string> FilesIn(const std::string& dir)
{
    std::map<std::string, std::string> files;
    if (fs::is_directory(dir))
        for (const auto& e : fs::directory_iterator(dir))
            files[e.path().filename().string()] = ReadAll(e.path().string());
    return files;
}

// What the folding makes of received text: CR, LF, CR LF, LF CR, CR CR LF one break each.
std::string Folded(const std::string& text)
{
    rx::TLineFolding f;
    std::string out;
    bool brk = false;
    for (char c : text)
        if (c != 0)
            out += f.Fold(c, brk);
    return out;
}

class RxText : public RxWindow {
protected:
    void TearDown() override
    {
        SetLocalTimeSource({});
        RxWindow::TearDown();
    }
    void Add(const std::string& text)
    {
        for (char c : text)
            form->AppendReceivedChar(c);
    }
    void SetClock(Word y, Word mo, Word d, Word h, Word mi, Word s)
    {
        Clock = TSystemTime{y, mo, 0, d, h, mi, s, 0};
        SetLocalTimeSource([this] { return Clock; });
    }
    std::string Panels() { return Panel(kPanelCapture) + "|" + Panel(kPanelMessage) + "|" + Panel(kPanelMessageOutcome); }
    std::string SaveBuffer(const std::string& name)
    {
        SaveFile = Dir.Path(name);
        form->SaveBuffer1Click(form);
        return ReadAll(SaveFile);
    }

    TSystemTime Clock;
};

// ---- folding, trimming, the history and Save Buffer

TEST_F(RxText, LineEndsFoldIntoOneBreakEachAndByteZeroReachesNothing)
{
    SetClock(2007, 3, 15, 6, 15, 2);
    form->FormActivate(form);
    using namespace std::string_literals;
    const struct {
        std::string In;
        std::string Shown;
    } cases[] = {
        {"A\rB", "A\r\nB"},         {"A\nB", "A\r\nB"},       {"A\r\nB", "A\r\nB"},
        {"A\n\rB", "A\r\nB"},       {"A\r\r\nB", "A\r\nB"},   {"A\n\nB", "A\r\n\r\nB"},
        {"A\r\n\nB", "A\r\n\r\nB"}, {"A\r\rB", "A\r\nB"},     {"ZC\0ZC"s, "ZCZC"},
    };
    std::string logged;
    for (const auto& c : cases) {
        form->ClearBuffer1Click(form);
        Add(c.In);
        EXPECT_EQ(Received(), c.Shown) << testing::PrintToString(c.In);
        logged += c.Shown;
    }
    // The zero byte between "ZC" and "ZC" did not reach the detector either.
    EXPECT_EQ(Panel(kPanelMessage), "Message ...");
    Add("\r\n");
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-15.TXT"), logged + "\r\n");
}

TEST_F(RxText, TrimmingStartsAbove25000AndMovesOneDisplayLinePerByteDownTo20000)
{
    const std::string line = std::string(48, 'x') + "\r\n";
    for (int i = 0; i < 499; ++i)
        Add(line);
    Add(std::string(49, 'y'));
    ASSERT_EQ(form->RxMemo->TextLen(), 24999);
    Add("zz");
    EXPECT_EQ(form->RxHistory, "");  // 25001 now; nothing was moved on the way
    Add("a");
    EXPECT_EQ(form->RxHistory, line);
    EXPECT_EQ(form->RxMemo->TextLen(), 25001 - 50 + 1);
    // One line per byte while the length is 20000 or more: 102 more bytes, then it stops.
    int trimming = 1;
    for (std::size_t before = 0; before != form->RxHistory.size(); ++trimming) {
        before = form->RxHistory.size();
        Add("b");
    }
    EXPECT_EQ(trimming, 1 + 102 + 1);
    EXPECT_EQ(form->RxHistory.size(), 103u * 50);
    EXPECT_EQ(form->RxMemo->TextLen(), 25001 - 103 * 49 + 1);
    Add("c");
    EXPECT_EQ(form->RxHistory.size(), 103u * 50);
}

struct TWidthCase {
    const char* Name;
    int Width;
    std::size_t HistoryLimit;
};

class ReceiveBuffer : public RxText, public ::testing::WithParamInterface<TWidthCase> {};

// 100,000 received bytes: the receive window shows their end, the user's selection stays on its
// text while lines leave the window, and Save Buffer gives back the bytes as they came, whatever
// the window's width (a word-wrapped display line is not a received line).
TEST_P(ReceiveBuffer, SaveBufferGivesBackTheBytesReceivedAtAnyWidth)
{
    form->SetWidth(GetParam().Width);
    form->RxHistoryLimit = GetParam().HistoryLimit;
    std::string sent;
    unsigned seed = 7;
    const char* const breaks[] = {"\r\n", "\r", "\n", "\n\r", "\r\r\n", "\n\n"};
    while (sent.size() < 100000) {
        seed = seed * 1103515245 + 12345;
        const std::size_t n = (seed >> 16) % 130;  // lines longer than the window, and blank ones
        for (std::size_t i = 0; i < n; ++i)
            sent += (i % 7 == 6) ? ' ' : static_cast<char>('A' + (seed >> (i % 11)) % 26);
        sent += breaks[(seed >> 24) % 6];
    }
    Add(sent.substr(0, 60000));
    const Integer selStart = form->RxMemo->TextLen() - 40;
    form->RxMemo->setSelStart(selStart);
    form->RxMemo->setSelLength(12);
    const std::string selected = form->RxMemo->SelText();
    Add(sent.substr(60000, 6000));
    EXPECT_EQ(form->RxMemo->SelText(), selected);
    EXPECT_LT(form->RxMemo->SelStart(), selStart);
    form->RxMemo->setSelStart(form->RxMemo->TextLen());
    Add(sent.substr(66000));

    const std::string folded = Folded(sent);
    const std::string shown = Received();
    EXPECT_GE(shown.size(), 19800u);
    EXPECT_LE(shown.size(), 25001u);
    EXPECT_EQ(folded.substr(folded.size() - shown.size()), shown);
    EXPECT_EQ(form->RxMemo->SelStart(), form->RxMemo->TextLen());  // following the text again
    const std::string saved = SaveBuffer("buffer.txt");
    if (GetParam().HistoryLimit >= folded.size()) {
        EXPECT_EQ(saved, folded);
    } else {
        // The oldest whole lines left the history; the rest is the received end.
        EXPECT_LE(saved.size(), GetParam().HistoryLimit + shown.size());
        EXPECT_GE(saved.size(), GetParam().HistoryLimit / 4 * 3);
        EXPECT_EQ(folded.substr(folded.size() - saved.size()), saved);
        EXPECT_EQ(folded.substr(folded.size() - saved.size() - 2, 2), "\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(RxText, ReceiveBuffer,
                         ::testing::Values(TWidthCase{"Narrow", 150, rx::kHistoryLimit},
                                           TWidthCase{"Wide", 1500, rx::kHistoryLimit},
                                           TWidthCase{"HistoryBounded", 500, 30000}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(RxText, SaveBufferDialogGuardAndFailures)
{
    Add("OLD LINE\r\nNEW");
    form->RxHistory = "HISTORY\r\n";
    EXPECT_EQ(SaveBuffer("a.txt"), "HISTORY\r\nOLD LINE\r\nNEW");
    EXPECT_EQ(SaveDialogs, std::vector<std::string>{"Save buffer to file|" +
                                                     std::to_string(OpenOption(ofOverwritePrompt) |
                                                                    OpenOption(ofHideReadOnly) |
                                                                    OpenOption(ofNoReadOnlyReturn))});
    // The hot key again while the dialog is open does nothing.
    OnFileDialog = [this] {
        Word key = 'S';
        form->FormKeyDown(form, key, ssAlt | ssCtrl);
        EXPECT_EQ(key, 0);
    };
    SaveBuffer("b.txt");
    EXPECT_EQ(SaveDialogs.size(), 2u);
    OnFileDialog = nullptr;
    SaveFile = "";
    form->SaveBuffer1Click(form);  // cancelled
    EXPECT_TRUE(Boxes.empty());

    // A folder of that name, and a disk that is full.
    fs::create_directory(Dir.Path("folder.txt"));
    fs::create_symlink("/dev/full", Dir.Path("full.txt"));
    const struct {
        const char* File;
        const char* Box;
    } failures[] = {{"folder.txt", "File Error|File Open Error!"}, {"full.txt", "File Error|File Write Error!"}};
    for (const auto& f : failures) {
        Boxes.clear();
        SaveFile = Dir.Path(f.File);
        form->SaveBuffer1Click(form);
        EXPECT_EQ(Boxes, std::vector<std::string>{f.Box});
    }
    EXPECT_EQ(Received(), "OLD LINE\r\nNEW");  // untouched by the failures
    Tty_Params.HoldOffTicks = 40;
    TriggerMenuItem(form->ClearBuffer1);
    EXPECT_EQ(Tty_Params.HoldOffTicks, 0);
    EXPECT_EQ(SaveBuffer("c.txt"), "");
    EXPECT_EQ(fs::file_size(Dir.Path("c.txt")), 0u);
}

// ---- message capture

TEST(MessageCapture, SynopLayoutTestsInOrder)
{
    const std::string synop = "ZCZC BA02\r\nSMDL01 EDZW 150600\r\nAAXX 15061\r\n10004 41598\r\nNNNN\r\n";
    const struct {
        std::string Text;
        int Failed;
    } cases[] = {
        {synop, 0},
        {"ZCZCBA02\r\nSMDL01 EDZW\r\nAAXX\r\n10004 4\r\n", 1},
        {"ZCZC BA02 SMDL01 EDZW", 2},
        {"ZCZC BA02\r\nSMDL01", 3},
        {"ZCZC BA02\r\nFQDL01 EDZW\r\nAAXX\r\n10004 4\r\n", 4},
        {"ZCZC BA02\r\nSMDL012EDZW\r\nAAXX\r\n10004 4\r\n", 5},
        {"ZCZC BA02\r\nSMDL01 EDZW", 6},
        {"ZCZC BA02\r\nSMDL01 EDZW\r\nAAXX 15061", 7},
        {"ZCZC BA02\r\nSMDL01 EDZW\r\nAAXX\r\n10004", 8},
        {"ZCZC BA02\r\nSMDL01 EDZW\r\nAAXX\r\n1000A 4\r\n", 9},
        {"ZCZC BA02\r\nSMDL01 EDZW\r\nAAXX\r\n100045\r\n", 10},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rx::IsSynopMessage(c.Text), c.Failed) << testing::PrintToString(c.Text);
}

struct TCaptureCase {
    const char* Name;
    std::string Received;
    bool IgnoreSynop;
    std::map<std::string, std::string> Files;  // the Messages folder afterwards
    const char* Panels;                          // panels 4, 7 and 8
};

void PrintTo(const TCaptureCase& c, std::ostream* os) { *os << c.Name; }

class Capture : public RxText, public ::testing::WithParamInterface<TCaptureCase> {};

TEST_P(Capture, GivesTheseFilesAndPanels)
{
    SetClock(2007, 3, 15, 6, 15, 2);
    form->Detector.Limit = 60;
    if (!GetParam().IgnoreSynop)
        TriggerMenuItem(form->DontSaveSYNOPMessages1);
    EXPECT_EQ(form->DontSaveSYNOPMessages1->Checked(), GetParam().IgnoreSynop);
    Add(GetParam().Received);
    EXPECT_EQ(FilesIn("Messages"), GetParam().Files);
    EXPECT_EQ(Panels(), GetParam().Panels);
    EXPECT_EQ(Received(), Folded(GetParam().Received));
}

const std::string kWeather = "ZCZC FA01\r\nGALE 9\r\nNNNN";
const std::string kSynop = "ZCZC BA02\nSMDL01 EDZW 15\nAAXX 15061\n10004 4\nNNNN";
const char* const kName = "070315-061502.TXT";

INSTANTIATE_TEST_SUITE_P(
    RxText, Capture,
    ::testing::Values(
        TCaptureCase{"Weather", "QRU\r" + kWeather + " ", true, {{kName, kWeather + "\r\n"}}, "Capt| |Message saved"},
        TCaptureCase{"ZCZCZC", "ZCZCZC", true, {{kName, "ZCZCZC\r\n"}}, "|Message ...| "},
        TCaptureCase{"BrokenByALineEnd", "ZCZ\r\nC zczc ZCZ C NNNN", true, {}, "Capt||"},
        TCaptureCase{"SynopIgnored", kSynop, true, {}, "Capt| |SYNOP message ignored"},
        TCaptureCase{"SynopSaved", kSynop, false, {{kName, Folded(kSynop) + "\r\n"}}, "Capt| |Message saved"},
        TCaptureCase{"TwoInOneSecond", kWeather + kWeather, true, {{kName, kWeather + "\r\n" + kWeather + "\r\n"}},
                     "Capt| |Message saved"},
        TCaptureCase{"NeverEnding", "ZCZC " + std::string(80, 'E') + "NNNN", true,
                     {{kName, "ZCZC " + std::string(55, 'E') + "\r\n"}}, "| |Message saved"}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- a NAVTEX broadcast through Decode From File

TEST_F(RxText, ANavtexBroadcastThroughDecodeFromFile)
{
    const std::string weather = "ZCZC FA01\r\nGALE WARNING GERMAN BIGHT\r\nWIND W 8 TO 9\r\nNNNN\r\n";
    const std::string synop = "ZCZC BA02\r\nSMDL01 EDZW 150600\r\nAAXX 15061\r\n10004 41598\r\nNNNN\r\n";
    const std::string cutHead = "ZCZC CA03\r\nFOG\r\nN", cutTail = "NNN\r\n";
    const std::string first = "ZCZC DA04\r\nICE\r\nNNNN\r\n", second = "ZCZC EA05\r\nOK\r\nNNNN\r\n";
    std::vector<int> codes = EncodeBaudot(weather + synop + cutHead);
    const int lost = static_cast<int>(codes.size()) + 1;  // the second N, after the next LTRS
    for (int c : EncodeBaudot(cutTail + first + second))
        codes.push_back(c);
    std::vector<int> fec;
    for (int c : codes)
        fec.push_back(FecCodeOfBaudot(c));
    TNavtexTx tx = MakeNavtex(fec);
    tx.Slots[static_cast<std::size_t>(tx.DxSlot(lost))] ^= 1;  // noise takes both copies
    tx.Slots[static_cast<std::size_t>(tx.RxSlot(lost))] ^= 1;

    // The clock runs at the broadcast's pace (7 characters a second) and stands still from the
    // fourth message's first line end on, so that the last two messages end in one second.
    const std::string stream = weather + synop + cutHead + "_" + cutTail.substr(1) + first + second;
    const std::size_t freezeAt = stream.find("DA04") + 6;
    std::size_t count = 0;
    SetLocalTimeSource([&] {
        const int sec = static_cast<int>(std::min(count, freezeAt) / 7);
        return TSystemTime{2007, 3, 0, 15, 6, static_cast<Word>(sec / 60), static_cast<Word>(sec % 60), 0};
    });
    form->ShowOscillogram(false);
    form->FormActivate(form);
    form->AMTORFEC1Click(form);
    const double centre = (Tty_Params.LowerBin + Tty_Params.UpperBin) / 2 * kRate / 2048;
    TFskSignal s;
    s.Silence(2000);
    AppendNavtex(s, tx.Slots, centre + 85, centre - 85);
    s.Silence(2000);
    DialogFile = Dir.Path("navtex.txt");
    WriteSampleFile(DialogFile, Quantise(s.Samples, 1000.0));

    std::vector<std::string> panels{Panels()};
    form->Decoder.OnReceivedChar = [&](char c) {
        ++count;
        form->AppendReceivedChar(c);
        if (Panels() != panels.back())
            panels.push_back(Panels());
    };
    form->DecodeFromFile1Click(form);

    EXPECT_EQ(Received(), stream);
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-15.TXT"), stream);
    auto nameAt = [&](std::size_t end) {
        const int sec = static_cast<int>(std::min(end, freezeAt) / 7);
        return Format("070315-06%02d%02d.TXT", sec / 60, sec % 60);
    };
    const std::size_t weatherEnd = weather.size() - 2, cutEnd = stream.find("ZCZC DA04") + 4;
    const std::map<std::string, std::string> files{
        {nameAt(weatherEnd), weather},
        {nameAt(cutEnd), cutHead + "_" + cutTail.substr(1) + "ZCZC\r\n"},
        {nameAt(stream.size()), first + second},
    };
    EXPECT_EQ(FilesIn("Messages"), files);
    EXPECT_EQ(panels, (std::vector<std::string>{
                          "Capt||",  "Capt|Message ...| ", "Capt| |Message saved", "Capt|Message ...| ",
                          "Capt| |SYNOP message ignored", "Capt|Message ...| ", "Capt| |Message saved",
                          "Capt|Message ...| ", "Capt| |Message saved"}));
    EXPECT_TRUE(Boxes.empty());
}

// ---- the raw log's day, and failures of the disk

TEST_F(RxText, TheRawLogRollsAtTheFirstLineEndOfTheNewDay)
{
    SetClock(2007, 3, 14, 23, 59, 59);
    form->FormActivate(form);
    EXPECT_EQ(Panel(kPanelCapture), "Capt");
    Add("ABC\r\nDEF");
    SetClock(2007, 3, 15, 0, 0, 1);
    Add("GH\r\nIJ\n");
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-14.TXT"), "ABC\r\nDEFGH\r\n");
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-15.TXT"), "IJ\r\n");  // on the disk at the line end
    // The folder went away: it is made again at the next day.
    fs::rename("Raw_Logs", "Old_Logs");
    SetClock(2007, 3, 16, 0, 0, 0);
    Add("KL\r\n");
    EXPECT_EQ(ReadAll("Old_Logs/07-03-15.TXT"), "IJ\r\nKL\r\n");
    Add("MN\r\n");
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-16.TXT"), "MN\r\n");
    EXPECT_TRUE(Boxes.empty());
    // A folder that cannot be made: told once, logging off until a later day works again.
    fs::remove_all("Raw_Logs");
    std::ofstream("Raw_Logs") << "x";
    for (Word day : {17, 18}) {
        SetClock(2007, 3, day, 0, 0, 0);
        Add("OP\r\n");
        EXPECT_EQ(Panel(kPanelCapture), " ");
    }
    EXPECT_EQ(Boxes, std::vector<std::string>{"Error|Can not create directory!"});
    fs::remove("Raw_Logs");
    SetClock(2007, 3, 19, 0, 0, 0);
    Add("QR\r\nST\r\n");
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-19.TXT"), "ST\r\n");
    EXPECT_EQ(Panel(kPanelCapture), "Capt");
    EXPECT_EQ(Received(), "ABC\r\nDEFGH\r\nIJ\r\nKL\r\nMN\r\nOP\r\nOP\r\nQR\r\nST\r\n");
}

// A full disk: the process may not make any file longer than a few bytes.
class FullDisk : public RxText {
protected:
    void SetUp() override
    {
        RxText::SetUp();
        std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &Saved), 0);
    }
    void TearDown() override
    {
        Lift();
        std::signal(SIGXFSZ, SIG_DFL);
        RxText::TearDown();
    }
    void Fill(rlim_t bytes)
    {
        rlimit l = Saved;
        l.rlim_cur = bytes;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &l), 0);
    }
    void Lift() { setrlimit(RLIMIT_FSIZE, &Saved); }
    rlimit Saved{};
};

TEST_F(FullDisk, EachFileTellsOnceKeepsWhatItHadAndCatchesUpWhenThereIsRoom)
{
    SetClock(2007, 3, 15, 6, 15, 2);
    form->FormActivate(form);
    Add("ZCZC A\r\nNNNN\r\n");
    Fill(20);
    Add("ZCZC B\r\nNNNN\r\n");  // same second: appended to the first message's file, and refused
    SetClock(2007, 3, 15, 6, 15, 3);
    Add("LINE\r\nZCZC C\r\nNNNN\r\n");
    EXPECT_EQ(Boxes, (std::vector<std::string>{"File Error|File Write Error!", "File Error|File Write Error!"}));
    EXPECT_EQ(Panel(kPanelCapture), " ");
    // What was saved stays whole: the refused message left no part of itself behind.
    EXPECT_EQ(FilesIn("Messages"), (std::map<std::string, std::string>{{kName, "ZCZC A\r\nNNNN\r\n"}}));
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-15.TXT"), "ZCZC A\r\nNNNN\r\nZCZC B");
    Lift();
    Add("NEXT\r\n");
    EXPECT_EQ(Panel(kPanelCapture), "Capt");
    Add("ZCZC D\r\nNNNN\r\n");
    const std::string all = "ZCZC A\r\nNNNN\r\nZCZC B\r\nNNNN\r\nLINE\r\nZCZC C\r\nNNNN\r\nNEXT\r\nZCZC D\r\nNNNN\r\n";
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-15.TXT"), all);
    EXPECT_EQ(FilesIn("Messages"),
              (std::map<std::string, std::string>{{kName, "ZCZC A\r\nNNNN\r\nZCZC B\r\nNNNN\r\n"},
                                                  {"070315-061503.TXT", "ZCZC C\r\nNNNN\r\nZCZC D\r\nNNNN\r\n"}}));
    EXPECT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Received(), all);
}

TEST_F(RxText, AReadOnlyMessagesFolderTellsOnceAndTheMessagesWaitForIt)
{
    SetClock(2007, 3, 15, 6, 15, 2);
    form->FormActivate(form);
    fs::create_directory("Messages");
    // As the superuser every folder is writable: the test then works as an ordinary user.
    ASSERT_EQ(chmod(Dir.Dir.c_str(), 0777), 0);
    ASSERT_EQ(chmod("Messages", 0555), 0);
    const bool asRoot = geteuid() == 0;
    if (asRoot)
        setfsuid(65534);
    Add("ZCZC A\r\nNNNN\r\n");
    SetClock(2007, 3, 15, 6, 15, 9);
    Add("ZCZC B\r\nNNNN\r\n");
    if (asRoot)
        setfsuid(0);
    EXPECT_EQ(Boxes, std::vector<std::string>{"File Error|File Open Error!"});
    EXPECT_EQ(FilesIn("Messages").size(), 0u);
    ASSERT_EQ(chmod("Messages", 0755), 0);
    SetClock(2007, 3, 15, 6, 16, 0);
    Add("ZCZC C\r\nNNNN\r\n");
    EXPECT_EQ(FilesIn("Messages"), (std::map<std::string, std::string>{{kName, "ZCZC A\r\nNNNN\r\n"},
                                                                        {"070315-061509.TXT", "ZCZC B\r\nNNNN\r\n"},
                                                                        {"070315-061600.TXT", "ZCZC C\r\nNNNN\r\n"}}));
    EXPECT_EQ(Panel(kPanelMessageOutcome), "Message saved");
    EXPECT_EQ(Boxes.size(), 1u);
}

// A failure met inside a pass over the sound buffers is told after the pass, and the buffers go on
// being processed while the box is open.
TEST_F(RxText, AFailureInsideThePassIsToldAfterItAndTheQueueRunsUnderTheBox)
{
    SetClock(2007, 3, 15, 6, 15, 2);
    form->FormActivate(form);
    std::ofstream("Messages") << "not a folder";
    const std::vector<std::int16_t> signal = StartupRtty("RYRY ZCZC AB\r\nNNNN\r\nRYRY");
    std::size_t at = 0;
    auto fill = [&](std::int16_t* samples, int count) {
        for (int i = 0; i < count; ++i, ++at)
            samples[i] = at < signal.size() ? signal[at] : 0;
    };
    bool busyAtBox = true;
    int processedUnderBox = -1;
    OnBox = [&] {
        busyAtBox = form->Sound->QueueBusy();
        fakewave::Deliver(2, fill);
        uitest::PumpUntil([&] { return form->Sound->BuffersWaiting() == 0; });
        processedUnderBox = 2 - form->Sound->BuffersWaiting();
    };
    while (at < signal.size() && Boxes.empty()) {
        fakewave::Deliver(1, fill);
        form->ProcessSoundQueue();
    }
    EXPECT_EQ(Boxes, std::vector<std::string>{"Error|Can not create directory!"});
    EXPECT_FALSE(busyAtBox);
    EXPECT_EQ(processedUnderBox, 2);
    while (at < signal.size()) {
        fakewave::Deliver(1, fill);
        form->ProcessSoundQueue();
    }
    EXPECT_NE(Received().find("ZCZC AB\r\nNNNN\r\nRYRY"), std::string::npos) << Received();
    EXPECT_EQ(form->PendingMessages.size(), 1u);
}

}  // namespace
