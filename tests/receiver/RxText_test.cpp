// The received text through the main window: line-end folding, the receive window with its trimming
// and history, Save Buffer, the raw log with its day change, message capture and message files, and
// failures of the disk that must lose nothing and stop nothing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <sys/fsuid.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>
#include <utility>

#include "platform/DateUtils.h"
#include "platform/Menus.h"
#include "tests/receiver/RxWindowTest.h"
#include "tests/support/Settle.h"
#include "tree/Extree.h"

namespace {

using namespace rxtest;
using namespace std::string_literals;
namespace fs = std::filesystem;
using TFiles = std::map<std::string, std::string>;

std::string ReadAll(const std::string& path)
{
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

TFiles FilesIn(const std::string& dir)
{
    TFiles files;
    if (fs::is_directory(dir))
        for (const auto& e : fs::directory_iterator(dir))
            if (e.is_regular_file())
                files[e.path().filename().string()] = ReadAll(e.path().string());
    return files;
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
    // A local time in March 2007.
    void SetClock(Word day, Word h, Word mi, Word s)
    {
        Clock = TSystemTime{2007, 3, 0, day, h, mi, s, 0};
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
    SetClock(15, 6, 15, 2);
    form->FormActivate(form);
    const std::pair<std::string, std::string> cases[] = {
        {"A\rB", "A\r\nB"},         {"A\nB", "A\r\nB"},       {"A\r\nB", "A\r\nB"},
        {"A\n\rB", "A\r\nB"},       {"A\r\r\nB", "A\r\nB"},   {"A\n\nB", "A\r\n\r\nB"},
        {"A\r\n\nB", "A\r\n\r\nB"}, {"A\r\rB", "A\r\nB"},     {"ZC\0ZC"s, "ZCZC"},
    };
    std::string logged;
    for (const auto& [in, shown] : cases) {
        form->ClearBuffer1Click(form);
        Add(in);
        EXPECT_EQ(Received(), shown) << testing::PrintToString(in);
        logged += shown;
    }
    EXPECT_EQ(Panel(kPanelMessage), "Message ...");  // the zero byte did not reach the detector
    Add("\r\n");
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-15.TXT"), logged + "\r\n");
}

// Trimming from above 25000 characters to below 20000, one display line per byte, into a history
// that keeps its last 1500 to 2000 bytes here, cut at line ends.
TEST_F(RxText, TrimmingMovesOneLinePerByteIntoABoundedHistory)
{
    form->RxHistoryLimit = 2000;
    const std::string line = std::string(48, 'x') + "\r\n";
    for (int i = 0; i < 499; ++i)
        Add(line);
    Add(std::string(49, 'y'));
    ASSERT_EQ(form->RxMemo->TextLen(), 24999);
    Add("zz");
    EXPECT_EQ(form->RxHistory, "");
    Add("a");
    EXPECT_EQ(form->RxHistory, line);
    int bytes = 1;
    for (std::size_t before = 0; before != form->RxHistory.size(); ++bytes) {
        before = form->RxHistory.size();
        Add("b");
    }
    EXPECT_EQ(bytes, 1 + 102 + 1);  // 103 lines moved, then the length is below 20000
    EXPECT_EQ(form->RxMemo->TextLen(), 25001 - 103 * 49 + 1);
    // 2050 bytes went down to 1500 after 41 lines, and again every 11 lines: 96 lines, 7 more.
    EXPECT_EQ(form->RxHistory.size(), 7u * 50 + 1500);
    Add("c");
    EXPECT_EQ(form->RxHistory.size(), 7u * 50 + 1500);
    // Once below 20000 the window grows again up to 25000 before the next line leaves it.
    const Integer low = form->RxMemo->TextLen();
    const std::string history = form->RxHistory;
    Add(std::string(25000 - low, 'd'));
    EXPECT_EQ(form->RxMemo->TextLen(), 25000);
    EXPECT_EQ(form->RxHistory, history);
    Add("e");
    EXPECT_EQ(form->RxHistory, history);  // 25000 is not above the limit yet
    Add("f");
    EXPECT_GT(form->RxHistory.size(), history.size());
    EXPECT_LT(form->RxMemo->TextLen(), 25001);
}

class ReceiveBuffer : public RxText, public ::testing::WithParamInterface<int> {};

// 100,000 received bytes: the receive window shows their end, the user's selection stays on its
// text while lines leave the window, and Save Buffer gives back the bytes as they came at any
// width (a word-wrapped display line is not a received line).
TEST_P(ReceiveBuffer, SaveBufferGivesBackTheBytesReceived)
{
    form->SetWidth(GetParam());
    std::string sent;
    for (unsigned seed = 7; sent.size() < 100000;) {
        seed = seed * 1103515245 + 12345;
        for (std::size_t i = (seed >> 16) % 130; i > 0; --i)  // wider than the window, and blank
            sent += i % 7 == 0 ? ' ' : static_cast<char>('A' + (seed >> (i % 11)) % 26);
        sent += "\r\n";
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

    const std::string shown = Received();
    EXPECT_GE(shown.size(), 19800u);
    EXPECT_LE(shown.size(), 25001u);
    EXPECT_EQ(sent.substr(sent.size() - shown.size()), shown);
    EXPECT_EQ(form->RxMemo->SelStart(), form->RxMemo->TextLen());  // following the text again
    EXPECT_EQ(SaveBuffer("buffer.txt"), sent);
}

INSTANTIATE_TEST_SUITE_P(RxText, ReceiveBuffer, ::testing::Values(150, 1500),
                         [](const auto& info) { return std::to_string(info.param) + "PixelsWide"; });

TEST_F(RxText, SaveBufferDialogGuardAndFailures)
{
    Add("OLD LINE\r\nNEW");
    form->RxHistory = "HISTORY\r\n";
    EXPECT_EQ(SaveBuffer("a.txt"), "HISTORY\r\nOLD LINE\r\nNEW");
    const auto options = OpenOption(ofOverwritePrompt) | OpenOption(ofHideReadOnly) | OpenOption(ofNoReadOnlyReturn);
    EXPECT_EQ(SaveDialogs, std::vector<std::string>{"Save buffer to file|" + std::to_string(options)});
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
    for (const auto& [file, box] : {std::pair{"folder.txt", "File Error|File Open Error!"},
                                    std::pair{"full.txt", "File Error|File Write Error!"}}) {
        Boxes.clear();
        SaveFile = Dir.Path(file);
        form->SaveBuffer1Click(form);
        EXPECT_EQ(Boxes, std::vector<std::string>{box});
    }
    EXPECT_EQ(Received(), "OLD LINE\r\nNEW");  // untouched by the failures
    Tty_Params.HoldOffTicks = 40;
    TriggerMenuItem(form->ClearBuffer1);
    EXPECT_EQ(Tty_Params.HoldOffTicks, 0);
    EXPECT_EQ(SaveBuffer("c.txt"), "");
    EXPECT_TRUE(fs::exists(Dir.Path("c.txt")));

    // Alt+S inside a pass over the sound buffers: the dialog opens once the pass has ended.
    form->FormActivate(form);
    struct THook : rx::TRxSignalHost {
        TRxForm* Form;
        void SpectrumReady(bool) override
        {
            Word key = 'S';
            Form->FormKeyDown(Form, key, ssAlt);
        }
    } hook;
    hook.Form = form;
    form->Path.Host = &hook;
    OnFileDialog = [&] { EXPECT_FALSE(form->Sound->QueueBusy()); };
    fakewave::Deliver(1);
    form->ProcessSoundQueue();
    form->Path.Host = nullptr;
    EXPECT_EQ(SaveDialogs.size(), 7u);
}

// ---- message capture

TEST(MessageCapture, SynopLayoutTestsInOrder)
{
    const std::pair<std::string, int> cases[] = {
        {"ZCZC BA02\r\nSMDL01 EDZW 150600\r\nAAXX 15061\r\n10004 41598\r\nNNNN\r\n", 0},
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
    for (const auto& [text, failed] : cases)
        EXPECT_EQ(rx::IsSynopMessage(text), failed) << testing::PrintToString(text);
}

// A message broken off by a change of mode is complete as it stands; the bytes before the break do
// not join those after it into "ZCZC".
TEST(MessageCapture, ACutEndsTheMessageAndForgetsTheBytesBefore)
{
    rx::TMessageDetector d;
    for (char c : std::string("ZCZC AB"))
        d.Feed(c);
    EXPECT_TRUE(d.Cut());
    EXPECT_EQ(d.Completed, "ZCZC AB\r\n");
    for (char c : std::string("ZCZ"))
        d.Feed(c);
    EXPECT_FALSE(d.Cut());
    EXPECT_EQ(d.Feed('C'), rx::TMessageDetector::None);
    EXPECT_FALSE(d.InMessage());
}

struct TCaptureCase {
    const char* Name;
    std::string Received;
    bool IgnoreSynop;
    TFiles Files;        // the Messages folder afterwards
    const char* Panels;  // panels 4, 7 and 8
};
void PrintTo(const TCaptureCase& c, std::ostream* os) { *os << c.Name; }

class Capture : public RxText, public ::testing::WithParamInterface<TCaptureCase> {};

TEST_P(Capture, GivesTheseFilesAndPanels)
{
    SetClock(15, 6, 15, 2);
    form->Detector.Limit = 60;
    if (!GetParam().IgnoreSynop)
        TriggerMenuItem(form->DontSaveSYNOPMessages1);
    EXPECT_EQ(form->DontSaveSYNOPMessages1->Checked(), GetParam().IgnoreSynop);
    Add(GetParam().Received);
    EXPECT_EQ(FilesIn("Messages"), GetParam().Files);
    EXPECT_EQ(Panels(), GetParam().Panels);
}

const std::string kWeather = "ZCZC FA01\r\nGALE 9\r\nNNNN";
const std::string kSynop = "ZCZC BA02\r\nSMDL01 EDZW 15\r\nAAXX 15061\r\n10004 4\r\nNNNN";
const char* const kName = "070315-061502.TXT";

INSTANTIATE_TEST_SUITE_P(
    RxText, Capture,
    ::testing::Values(
        TCaptureCase{"Weather", "QRU\r" + kWeather + " ", true, {{kName, kWeather + "\r\n"}}, "Capt| |Message saved"},
        TCaptureCase{"ZCZCZC", "ZCZCZC", true, {{kName, "ZCZCZC\r\n"}}, "|Message ...| "},
        TCaptureCase{"BrokenByALineEnd", "ZCZ\r\nC zczc ZCZ C NNNN", true, {}, "Capt||"},
        TCaptureCase{"SynopIgnored", kSynop, true, {}, "Capt| |SYNOP message ignored"},
        TCaptureCase{"SynopSaved", kSynop, false, {{kName, kSynop + "\r\n"}}, "Capt| |Message saved"},
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
    const std::string cut = "ZCZC CA03\r\nFOG\r\nN";
    const std::string first = "ZCZC DA04\r\nICE\r\nNNNN\r\n", second = "ZCZC EA05\r\nOK\r\nNNNN\r\n";
    std::vector<int> codes = EncodeBaudot(weather + synop + cut);
    const int lost = static_cast<int>(codes.size()) + 1;  // the second N, after the next LTRS
    for (int c : EncodeBaudot("NNN\r\n" + first + second))
        codes.push_back(c);
    std::vector<int> fec;
    for (int c : codes)
        fec.push_back(FecCodeOfBaudot(c));
    TNavtexTx tx = MakeNavtex(fec);
    tx.Slots[static_cast<std::size_t>(tx.DxSlot(lost))] ^= 1;  // noise takes both copies
    tx.Slots[static_cast<std::size_t>(tx.RxSlot(lost))] ^= 1;
    const std::string stream = weather + synop + cut + "_NN\r\n" + first + second;

    // The clock runs at the broadcast's pace, 7 characters a second, and stands still from the
    // fourth message's first line end on, so that the last two messages end in one second.
    const std::size_t freezeAt = stream.find("DA04") + 6;
    std::size_t count = 0;
    auto secondAt = [&](std::size_t n) { return static_cast<int>(std::min(n, freezeAt) / 7); };
    SetLocalTimeSource([&] {
        const int sec = secondAt(count);
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
    auto name = [&](std::size_t end) {
        return Format("070315-06%02d%02d.TXT", secondAt(end) / 60, secondAt(end) % 60);
    };
    const std::size_t cutEnd = stream.find("ZCZC DA04") + 4;
    EXPECT_EQ(FilesIn("Messages"), (TFiles{{name(weather.size() - 2), weather},
                                           {name(cutEnd), stream.substr(weather.size() + synop.size(),
                                                                        cutEnd - weather.size() - synop.size()) + "\r\n"},
                                           {name(stream.size()), first + second}}));
    EXPECT_EQ(panels, (std::vector<std::string>{"Capt||", "Capt|Message ...| ", "Capt| |Message saved",
                                                "Capt|Message ...| ", "Capt| |SYNOP message ignored",
                                                "Capt|Message ...| ", "Capt| |Message saved", "Capt|Message ...| ",
                                                "Capt| |Message saved"}));
    EXPECT_TRUE(Boxes.empty());
}

// ---- the raw log's day, and failures of the disk

TEST_F(RxText, TheRawLogRollsAtTheFirstLineEndOfTheNewDay)
{
    SetClock(14, 23, 59, 59);
    form->FormActivate(form);
    EXPECT_EQ(Panel(kPanelCapture), "Capt");
    Add("ABC\r\nDEF");
    SetClock(15, 0, 0, 1);
    Add("GH\r\nIJ\n");
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-14.TXT"), "ABC\r\nDEFGH\r\n");
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-15.TXT"), "IJ\r\n");  // on the disk at the line end
    // The folder went away: it is made again at the next day.
    fs::rename("Raw_Logs", "Old_Logs");
    SetClock(16, 0, 0, 0);
    Add("KL\r\nMN\r\n");
    EXPECT_EQ(ReadAll("Old_Logs/07-03-15.TXT"), "IJ\r\nKL\r\n");
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-16.TXT"), "MN\r\n");
    EXPECT_TRUE(Boxes.empty());
    // A folder that cannot be made: told once, logging off until a day when it works again.
    fs::remove_all("Raw_Logs");
    std::ofstream("Raw_Logs") << "x";
    for (Word day : {17, 18}) {
        SetClock(day, 0, 0, 0);
        Add("OP\r\n");
        EXPECT_EQ(Panel(kPanelCapture), " ");
    }
    EXPECT_EQ(Boxes, std::vector<std::string>{"Error|Can not create directory!"});
    fs::remove("Raw_Logs");
    SetClock(19, 0, 0, 0);
    Add("QR\r\nST\r\nU");
    EXPECT_EQ(Panel(kPanelCapture), "Capt");
    form->ExitClick(form);  // the line in progress goes in as well
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-19.TXT"), "ST\r\nU");
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Received(), "ABC\r\nDEFGH\r\nIJ\r\nKL\r\nMN\r\nOP\r\nOP\r\nQR\r\nST\r\nU");
}

// A write the system cuts short (a signal arriving while the reader of a pipe lags) goes on from
// where it stopped: every byte arrives once, in order.
TEST(RawLogWrites, AWriteCutShortGoesOnFromWhereItStopped)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    struct sigaction quiet {}, saved {};
    quiet.sa_handler = [](int) {};
    sigemptyset(&quiet.sa_mask);
    quiet.sa_flags = 0;  // no restart: an interrupted write returns what it wrote so far
    sigaction(SIGUSR1, &quiet, &saved);
    std::string data(300000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = char('A' + (i * 7 + i / 251) % 26);
    const pthread_t writerThread = pthread_self();
    std::string got;
    int cuts = 0;
    std::thread reader([&] {
        int capacity = fcntl(fds[0], F_GETPIPE_SZ);
        char buf[1 << 16];
        while (got.size() < data.size()) {
            // Wait until the writer fills the pipe and waits in its write, then cut that write short.
            int queued = 0;
            for (int spin = 0; spin < 2000; ++spin) {
                ioctl(fds[0], FIONREAD, &queued);
                if (queued >= capacity || got.size() + std::size_t(queued) >= data.size())
                    break;
                usleep(100);
            }
            if (queued >= capacity) {
                pthread_kill(writerThread, SIGUSR1);
                ++cuts;
                usleep(1000);
            }
            const ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, std::size_t(n));
        }
    });
    const std::size_t written = rx::WriteFully(fds[1], data.data(), data.size());
    close(fds[1]);
    reader.join();
    close(fds[0]);
    sigaction(SIGUSR1, &saved, nullptr);
    EXPECT_EQ(written, data.size());
    EXPECT_GT(cuts, 0);
    EXPECT_TRUE(got == data) << "a resumed write must start where the cut one stopped";
}

// A full disk: no file of the process may grow beyond a given size while one of these lives.
struct TFullDisk {
    explicit TFullDisk(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &Saved);
        rlimit l = Saved;
        l.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~TFullDisk() { setrlimit(RLIMIT_FSIZE, &Saved); }
    rlimit Saved{};
};

TEST_F(RxText, AFullDiskTellsEachFileOnceKeepsWhatItHadAndCatchesUpWhenThereIsRoom)
{
    SetClock(15, 6, 15, 2);
    form->FormActivate(form);
    Add("ZCZC A\r\nNNNN\r\n");
    auto full = std::make_unique<TFullDisk>(20);
    Add("ZCZC B\r\nNNNN\r\n");  // same second: appended to the first message's file, and refused
    SetClock(15, 6, 15, 3);
    Add("LINE\r\nZCZC C\r\nNNNN\r\n");
    EXPECT_EQ(Boxes, (std::vector<std::string>{"File Error|File Write Error!",
                                               "File Error|File Write Error!\nMessages/070315-061502.TXT"}));
    EXPECT_EQ(Panel(kPanelCapture), " ");
    // What was saved stays whole: the refused message left no part of itself behind, and the
    // small one after it, in a file of its own, did not wait for it.
    EXPECT_EQ(FilesIn("Messages"), (TFiles{{kName, "ZCZC A\r\nNNNN\r\n"}, {"070315-061503.TXT", "ZCZC C\r\nNNNN\r\n"}}));
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-15.TXT"), "ZCZC A\r\nNNNN\r\nZCZC B");
    full.reset();
    Add("NEXT\r\n");
    EXPECT_EQ(Panel(kPanelCapture), "Capt");
    Add("ZCZC D\r\nNNNN\r\n");
    const std::string all = "ZCZC A\r\nNNNN\r\nZCZC B\r\nNNNN\r\nLINE\r\nZCZC C\r\nNNNN\r\nNEXT\r\nZCZC D\r\nNNNN\r\n";
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-15.TXT"), all);
    EXPECT_EQ(FilesIn("Messages"), (TFiles{{kName, "ZCZC A\r\nNNNN\r\nZCZC B\r\nNNNN\r\n"},
                                           {"070315-061503.TXT", "ZCZC C\r\nNNNN\r\nZCZC D\r\nNNNN\r\n"}}));
    EXPECT_EQ(Boxes.size(), 2u);
    // Full again as the day ends: the next day's file, with room, takes a long run in pieces.
    full = std::make_unique<TFullDisk>(20);
    Add("X\r\n");
    SetClock(16, 0, 0, 0);
    Add("\r\n");
    full.reset();
    Add(std::string(5000, 'E'));
    EXPECT_EQ(fs::file_size("Raw_Logs/07-03-16.TXT"), 4096u);
    EXPECT_EQ(Boxes.size(), 3u);
    // Full, room, full again inside one pass over the sound buffers: one box after the pass.
    struct THook : rx::TRxSignalHost {
        std::function<void()> Run;
        void SpectrumReady(bool) override
        {
            if (Run)
                std::exchange(Run, nullptr)();
        }
    } hook;
    hook.Run = [&] {
        for (const char* line : {"F\r\n", "G\r\n", "H\r\n"}) {
            full = line[0] == 'G' ? nullptr : std::make_unique<TFullDisk>(20);
            Add(line);
        }
        full.reset();
        EXPECT_EQ(Boxes.size(), 3u);  // nothing shown inside the pass
    };
    form->Path.Host = &hook;
    fakewave::Deliver(1);
    form->ProcessSoundQueue();
    form->Path.Host = nullptr;
    EXPECT_EQ(Boxes.size(), 4u);
    Add("I\r\n");
    EXPECT_EQ(ReadAll("Raw_Logs/07-03-16.TXT"), std::string(5000, 'E') + "F\r\nG\r\nH\r\nI\r\n");
}

// The raw log's box is open while a message's file fails for the full disk; the disk has room
// again and the message is saved before that box is closed: its failure is no longer so and is not
// told. Meanwhile the held message left no empty file of its name.
TEST_F(RxText, AFailureMendedBeforeItsBoxCouldOpenIsNotTold)
{
    SetClock(15, 6, 15, 2);
    form->FormActivate(form);
    auto full = std::make_unique<TFullDisk>(20);
    OnBox = [&] {
        if (Boxes.size() > 1)
            return;
        Add("ZCZC A LONGER THAN THE ROOM\r\nNNNN\r\n");
        EXPECT_EQ(form->PendingMessages.size(), 1u);
        EXPECT_EQ(FilesIn("Messages"), TFiles{});
        full.reset();
        for (int tick = 0; tick < kPendingRetryTicks; ++tick)
            form->Timer1Timer(form);
        EXPECT_TRUE(form->PendingMessages.empty());
    };
    Add("A LINE LONGER THAN THE ROOM\r\n");
    EXPECT_EQ(Boxes, std::vector<std::string>{"File Error|File Write Error!"});
    EXPECT_EQ(FilesIn("Messages"), (TFiles{{"070315-061502.TXT", "ZCZC A LONGER THAN THE ROOM\r\nNNNN\r\n"}}));
    // A file that held a message before is cut back to it, not taken away.
    full = std::make_unique<TFullDisk>(40);
    Add("ZCZC B LONGER THAN THE ROOM\r\nNNNN\r\n");
    full.reset();
    EXPECT_EQ(FilesIn("Messages"), (TFiles{{"070315-061502.TXT", "ZCZC A LONGER THAN THE ROOM\r\nNNNN\r\n"}}));
    EXPECT_EQ(Boxes.back(), "File Error|File Write Error!\nMessages/070315-061502.TXT");
}

// A read-only "Messages" folder met inside a pass over the sound buffers: each message told once,
// after the pass, while the buffers go on being processed under the box; the messages wait for the
// folder.
TEST_F(RxText, AReadOnlyMessagesFolderTellsEachMessageOnceAfterThePassAndTheMessagesWaitForIt)
{
    SetClock(15, 6, 15, 2);
    form->FormActivate(form);
    fs::create_directory("Messages");
    // The superuser may write anywhere: the test then works as an ordinary user.
    ASSERT_EQ(chmod(Dir.Dir.c_str(), 0777), 0);
    ASSERT_EQ(chmod("Messages", 0555), 0);
    const bool asRoot = geteuid() == 0;
    if (asRoot)
        setfsuid(65534);
    const std::vector<std::int16_t> signal = StartupRtty("RYRY ZCZC A\r\nNNNN\r\nRYRY");
    std::size_t at = 0;
    auto fill = [&](std::int16_t* samples, int count) {
        for (int i = 0; i < count; ++i, ++at)
            samples[i] = at < signal.size() ? signal[at] : 0;
    };
    OnBox = [&] {
        EXPECT_FALSE(form->Sound->QueueBusy());
        fakewave::Deliver(2, fill);
        EXPECT_TRUE(uitest::PumpUntil([&] { return form->Sound->BuffersWaiting() == 0; }));
    };
    while (at < signal.size()) {
        fakewave::Deliver(1, fill);
        form->ProcessSoundQueue();
    }
    SetClock(15, 6, 15, 9);
    Add("ZCZC B\r\nNNNN\r\n");
    if (asRoot)
        setfsuid(0);
    EXPECT_EQ(Boxes, (std::vector<std::string>{"File Error|File Open Error!\nMessages/070315-061502.TXT",
                                               "File Error|File Open Error!\nMessages/070315-061509.TXT"}));
    EXPECT_NE(Received().find("ZCZC A\r\nNNNN\r\nRYRY"), std::string::npos) << Received();
    EXPECT_EQ(FilesIn("Messages").size(), 0u);
    ASSERT_EQ(chmod("Messages", 0755), 0);
    SetClock(15, 6, 16, 0);
    Add("ZCZC C\r\nNNNN\r\n");
    EXPECT_EQ(FilesIn("Messages"), (TFiles{{kName, "ZCZC A\r\nNNNN\r\n"},
                                           {"070315-061509.TXT", "ZCZC B\r\nNNNN\r\n"},
                                           {"070315-061600.TXT", "ZCZC C\r\nNNNN\r\n"}}));
    EXPECT_EQ(Panel(kPanelMessageOutcome), "Message saved");
    EXPECT_EQ(Boxes.size(), 2u);
}

}  // namespace

// ---- message files that cannot be written, and long messages

namespace {

struct TBlockedFiles {
    std::vector<std::string> Paths;
    // A folder in the file's place: no one, the superuser included, can open it for writing.
    void Block(const std::string& name)
    {
        fs::create_directories("Messages/" + name);
        Paths.push_back("Messages/" + name);
    }
    void Unblock(const std::string& name) { fs::remove("Messages/" + name); }
};

std::string OpenError(const std::string& name) { return "File Error|File Open Error!\nMessages/" + name; }

}  // namespace

TEST_F(RxText, ABlockedFileHoldsBackItsOwnMessagesOnlyAndTheEndTellsWhatIsLeft)
{
    SetClock(15, 6, 15, 2);
    form->FormActivate(form);
    TBlockedFiles blocked;
    Add("ZCZC A\r\nNNNN\r\n");
    blocked.Block("070315-061503.TXT");
    SetClock(15, 6, 15, 3);
    Add("ZCZC B1\r\nNNNN\r\n");
    Add("ZCZC B2\r\nNNNN\r\n");  // the same file: it waits behind the first, and is not told again
    EXPECT_EQ(Boxes, std::vector<std::string>{OpenError("070315-061503.TXT")});
    SetClock(15, 6, 15, 4);
    Add("ZCZC C\r\nNNNN\r\n");
    EXPECT_EQ(FilesIn("Messages"), (TFiles{{kName, "ZCZC A\r\nNNNN\r\n"}, {"070315-061504.TXT", "ZCZC C\r\nNNNN\r\n"}}));
    EXPECT_EQ(Panel(kPanelMessageOutcome), "Message saved");
    // Still blocked at the next message: tried again, not told again.
    SetClock(15, 6, 15, 5);
    Add("ZCZC D\r\nNNNN\r\n");
    EXPECT_EQ(Boxes.size(), 1u);
    blocked.Unblock("070315-061503.TXT");
    SetClock(15, 6, 15, 6);
    Add("ZCZC E\r\nNNNN\r\n");
    EXPECT_EQ(FilesIn("Messages"), (TFiles{{kName, "ZCZC A\r\nNNNN\r\n"},
                                           {"070315-061503.TXT", "ZCZC B1\r\nNNNN\r\nZCZC B2\r\nNNNN\r\n"},
                                           {"070315-061504.TXT", "ZCZC C\r\nNNNN\r\n"},
                                           {"070315-061505.TXT", "ZCZC D\r\nNNNN\r\n"},
                                           {"070315-061506.TXT", "ZCZC E\r\nNNNN\r\n"}}));
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(form->PendingMessages.empty());

    // More blocked files than the last box names, one of them with two messages.
    Boxes.clear();
    const std::size_t many = rx::kUnsavedMessagesNamed + 2;
    std::string named;
    for (std::size_t i = 0; i < many; ++i) {
        const Word second = static_cast<Word>(10 + i);
        const std::string name = Format("070315-0615%02d.TXT", second);
        blocked.Block(name);
        SetClock(15, 6, 15, second);
        Add("ZCZC F\r\nNNNN\r\n");
        if (i == 0)
            Add("ZCZC G\r\nNNNN\r\n");
        if (i < rx::kUnsavedMessagesNamed)
            named += "\nMessages/" + name;
    }
    EXPECT_EQ(Boxes.size(), many);
    EXPECT_EQ(Boxes.front(), OpenError("070315-061510.TXT"));
    // The last try at the end fails once more: told once, in one box, before the program ends.
    form->ExitClick(form);
    ASSERT_EQ(Boxes.size(), many + 1);
    EXPECT_EQ(Boxes.back(), std::string("File Error|") + rx::kUnsavedMessagesText + named + "\nand 2 more");
    EXPECT_EQ(form->PendingMessages.size(), many + 1);
    bool canClose = true;
    form->FormCloseQuery(form, canClose);  // the stop runs once
    EXPECT_EQ(Boxes.size(), many + 1);
}

// A message held on a quiet channel goes on the disk on the timer, soon after its file can be
// written again, without waiting for the next message; the tries before are not told again and
// paint nothing.
TEST_F(RxText, AHeldMessageIsWrittenOnTheTimerOnceItsFileCanBe)
{
    SetClock(15, 6, 15, 2);
    form->Show();
    form->FormActivate(form);
    TBlockedFiles blocked;
    blocked.Block(kName);
    Add("ZCZC A\r\nNNNN\r\n");
    EXPECT_EQ(Boxes, std::vector<std::string>{OpenError(kName)});
    form->Timer1Timer(form);  // the first tick shows the free buffers
    settle::PaintsAfterSettling();
    PaintCount::Reset();
    for (int tick = 0; tick < 3 * kPendingRetryTicks; ++tick)
        form->Timer1Timer(form);
    uitest::Pump();
    EXPECT_EQ(settle::Painted(PaintCount::Counts()), PaintCount::TCounts{});
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(form->PendingMessages.size(), 1u);
    blocked.Unblock(kName);
    ASSERT_TRUE(uitest::PumpUntil([this] { return form->PendingMessages.empty(); }, 60000));
    EXPECT_EQ(FilesIn("Messages"), (TFiles{{kName, "ZCZC A\r\nNNNN\r\n"}}));
    EXPECT_EQ(Panel(kPanelMessageOutcome), "Message saved");
    EXPECT_EQ(form->TreeView1->Items()->Count(), 2);
    EXPECT_EQ(Boxes.size(), 1u);
}

// A last try at the end that succeeds tells nothing; an end with nothing waiting tells nothing.
TEST_F(RxText, AFileThatCanBeWrittenAgainAtTheEndIsWrittenThenAndNotTold)
{
    SetClock(15, 6, 15, 2);
    form->FormActivate(form);
    TBlockedFiles blocked;
    blocked.Block(kName);
    Add("ZCZC A\r\nNNNN\r\n");
    EXPECT_EQ(Boxes, std::vector<std::string>{OpenError(kName)});
    blocked.Unblock(kName);
    form->ExitClick(form);
    EXPECT_EQ(FilesIn("Messages"), (TFiles{{kName, "ZCZC A\r\nNNNN\r\n"}}));
    EXPECT_EQ(Boxes.size(), 1u);
}

// No bulletin is cut short: a hundred thousand bytes go into their file whole, "NNNN" included.
TEST_F(RxText, ALongBulletinIsSavedWhole)
{
    SetClock(15, 6, 15, 2);
    std::string body;
    for (int line = 0; body.size() < 100000; ++line)
        body += Format("%05d FORECAST FOR SEA AREAS WIND WEST 5 TO 7 SEA STATE MODERATE\r\n", line);
    const std::string message = "ZCZC FA01\r\n" + body + "NNNN";
    Add(message + "\r\n");
    const TFiles files = FilesIn("Messages");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->second.size(), message.size() + 2);
    EXPECT_TRUE(files.begin()->second == message + "\r\n");
    EXPECT_GE(rx::kMaxMessageBytes, std::size_t{1} << 20);
}

// As many blocked files as the last box names: all named, no line for more.
TEST_F(RxText, TheEndNamesEveryFileWhenTheyAreNoMoreThanItNames)
{
    form->FormActivate(form);
    TBlockedFiles blocked;
    std::string named;
    for (std::size_t i = 0; i < rx::kUnsavedMessagesNamed; ++i) {
        const std::string name = Format("070315-0615%02d.TXT", static_cast<int>(10 + i));
        blocked.Block(name);
        SetClock(15, 6, 15, static_cast<Word>(10 + i));
        Add("ZCZC F\r\nNNNN\r\n");
        named += "\nMessages/" + name;
    }
    form->ExitClick(form);
    ASSERT_EQ(Boxes.size(), rx::kUnsavedMessagesNamed + 1);
    EXPECT_EQ(Boxes.back(), std::string("File Error|") + rx::kUnsavedMessagesText + named);
}

// At the end the first message of a blocked file goes in, the second, waiting behind it, finds the
// disk full: it is told in the last box only, not in a box of its own as well.
TEST_F(RxText, AMessageThatFailsOnlyAtTheEndIsToldInTheLastBox)
{
    SetClock(15, 6, 15, 2);
    form->FormActivate(form);
    TBlockedFiles blocked;
    blocked.Block(kName);
    Add("ZCZC B1\r\nNNNN\r\n");
    Add("ZCZC B2\r\nNNNN\r\n");
    EXPECT_EQ(Boxes, std::vector<std::string>{OpenError(kName)});
    blocked.Unblock(kName);
    {
        TFullDisk full(20);
        form->ExitClick(form);
    }
    EXPECT_EQ(FilesIn("Messages"), (TFiles{{kName, "ZCZC B1\r\nNNNN\r\n"}}));
    EXPECT_EQ(Boxes, (std::vector<std::string>{OpenError(kName), std::string("File Error|") +
                                                                     rx::kUnsavedMessagesText + "\nMessages/" + kName}));
}
