// Message files on the real capture path: the window receiving a broadcast of several messages
// through ALSA from a device that plays back a raw sample file, while files in "Messages" become
// unwritable and writable again behind its back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "memo/Stylememo.h"
#include "platform/CmdLine.h"
#include "platform/ComCtrls.h"
#include "platform/DateUtils.h"
#include "platform/Dialogs.h"
#include "receiver/MessageCapture.h"
#include "receiver/RxForm.h"
#include "tests/receiver/TestSignal.h"
#include "tests/support/UiTest.h"
#include "tree/Extree.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using TFiles = std::map<std::string, std::string>;

constexpr const char* kAlsaConfig = MORVIK_TEST_DATA_DIR "/alsa/asound.conf";

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
            if (fs::is_regular_file(e.path()))
                files[e.path().filename().string()] = ReadAll(e.path().string());
    return files;
}

// The k-th message of the broadcast (from 0), and the name of its file: each is saved one second
// after the one before.
std::string Message(int k)
{
    const std::string name(2, static_cast<char>('A' + k));
    return "ZCZC " + name + "\r\nGALE WARNING " + name + " WIND WEST\r\nNNNN";
}
std::string FileOf(int k) { return Format("070315-0615%02d.TXT", 10 + k); }

constexpr int kMessages = 6;

class CapturedMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("ALSA_CONFIG_PATH", kAlsaConfig, 1);
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        OldDir = cwd;
        ASSERT_EQ(chdir(Dir.Dir.c_str()), 0);
        const char* args[] = {"morvik"};
        SetCommandLine(1, args);
        SetLocalTimeSource([this] {
            return TSystemTime{2007, 3, 0, 15, 6, 15, static_cast<Word>(10 + Saved), 0};
        });
        Application->Initialize();
        uitest::AnswerAllDialogs([this](TObject* d) {
            if (auto* box = dynamic_cast<TMessageBoxRequest*>(d)) {
                Boxes.push_back(box->Caption + "|" + box->Text);
                BoxesAt.push_back(Saved);
            }
            return IDOK;
        });
    }
    void TearDown() override
    {
        uitest::ClearDialogAnswers();
        SetLocalTimeSource({});
        Application->ResetTerminated();
        ASSERT_EQ(chdir(OldDir.c_str()), 0);
    }

    testsig::TTempDir Dir;
    std::string OldDir;
    std::vector<std::string> Boxes;
    std::vector<int> BoxesAt;  // the messages ended when each box was shown
    int Saved = 0;             // messages ended so far
};

// The file of the second message is unwritable from the start of the broadcast until the third
// has been saved, that of the fourth until the end: each holds back its own message only.
TEST_F(CapturedMessages, AFileThatCannotBeWrittenHoldsBackOnlyItsOwnMessage)
{
    std::string broadcast = "RYRY RYRY\r\n";
    for (int k = 0; k < kMessages; ++k)
        broadcast += Message(k) + "\r\nRYRY\r\n";
    const std::string raw = Dir.Path("input.raw");
    {
        const std::vector<std::int16_t> samples = testsig::StartupRtty(broadcast, 300.0, 300.0);
        std::ofstream(raw, std::ios::binary)
            .write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
    }
    setenv("MORVIK_TEST_INFILE", raw.c_str(), 1);

    auto* form = new TRxForm(nullptr);
    form->AfterConstruction();
    // What the folder held each time a message had just ended.
    std::vector<TFiles> afterEach;
    bool done = false;
    form->Decoder.OnReceivedChar = [&](char c) {
        const bool was = form->Detector.InMessage();
        form->AppendReceivedChar(c);
        if (!was || form->Detector.InMessage() || done)
            return;
        ++Saved;
        afterEach.push_back(FilesIn("Messages"));
        if (Saved == 1) {
            fs::create_directory("Messages/" + FileOf(1));
            fs::create_directory("Messages/" + FileOf(3));
        }
        if (Saved == 3)
            fs::remove("Messages/" + FileOf(1));
        if (Saved == kMessages) {
            done = true;
            form->ExitClick(form);
        }
    };
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 6000 && !finished; ++i)
            std::this_thread::sleep_for(10ms);
        form->Sound->SetClosingDown();  // stops the flood of buffer messages should the text never come
    });
    form->FormActivate(form);
    EXPECT_TRUE(form->Sound->IsOpen());
    uitest::PumpUntil([&] { return done; }, 60000);
    finished = true;
    watchdog.join();
    ASSERT_TRUE(done) << form->RxMemo->GetTextPart(0, form->RxMemo->TextLen());
    EXPECT_TRUE(Application->Terminated());

    auto file = [](int k) { return std::make_pair(FileOf(k), Message(k) + "\r\n"); };
    ASSERT_EQ(afterEach.size(), static_cast<std::size_t>(kMessages));
    // Written as they came, the blocked ones excepted; the second written with the fourth, once
    // its file could be written again.
    EXPECT_EQ(afterEach[0], (TFiles{file(0)}));
    EXPECT_EQ(afterEach[1], (TFiles{file(0)}));
    EXPECT_EQ(afterEach[2], (TFiles{file(0), file(2)}));
    EXPECT_EQ(afterEach[3], (TFiles{file(0), file(1), file(2)}));
    EXPECT_EQ(afterEach[4], (TFiles{file(0), file(1), file(2), file(4)}));
    EXPECT_EQ(afterEach[5], (TFiles{file(0), file(1), file(2), file(4), file(5)}));
    // Each failure told once, and what could not be written told again before the end. The
    // second message's failure is told only if its box could open before the message was
    // written with the fourth (boxes wait for the pass over the sound buffers to end).
    std::vector<std::string> expected = {
        "File Error|File Open Error!\nMessages/" + FileOf(3),
        std::string("File Error|") + rx::kUnsavedMessagesText + "\nMessages/" + FileOf(3),
    };
    if (!Boxes.empty() && Boxes.front() == "File Error|File Open Error!\nMessages/" + FileOf(1)) {
        EXPECT_LT(BoxesAt.front(), 4);
        expected.insert(expected.begin(), Boxes.front());
    }
    EXPECT_EQ(Boxes, expected);
    // A node for every message written, none for the one that was not.
    std::string nodes;
    TExTreeItem* day = form->TreeView1->Items()->RootCount() ? form->TreeView1->Items()->RootItem(0) : nullptr;
    for (Integer j = 0; day && j < day->Count(); ++j)
        nodes += day->Items(j)->Text() + " ";
    EXPECT_EQ(nodes, "06:15:10 06:15:11 06:15:12 06:15:14 06:15:15 ");
    EXPECT_FALSE(form->Sound->IsOpen());
    delete form;
}

}  // namespace
