// The receiver on the real sound path: the window capturing through ALSA from a device that plays
// back a raw sample file, and the program itself ended by the desktop's signals.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "memo/Stylememo.h"
#include "platform/CmdLine.h"
#include "receiver/RxForm.h"
#include "tests/receiver/TestSignal.h"
#include "tests/support/UiTest.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kAlsaConfig = MORVIK_TEST_DATA_DIR "/alsa/asound.conf";

void WriteRaw(const std::string& path, const std::vector<std::int16_t>& samples)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(samples.data(), 2, samples.size(), f);
    std::fclose(f);
}

class Capture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("ALSA_CONFIG_PATH", kAlsaConfig, 1); }
    testsig::TTempDir Dir;
};

TEST_F(Capture, BuffersFromTheSoundDeviceComeOutAsText)
{
    const std::string text = "CQ CQ DE MORVIK MORVIK K";
    testsig::TRttyTx tx;
    const double centre = 316 * testsig::kRate / 2048;
    tx.MarkHz = centre - 225;
    tx.SpaceHz = centre + 225;
    tx.TailBits = 300;
    testsig::TFskSignal s;
    testsig::AppendRtty(s, tx, testsig::EncodeBaudot(text));
    const std::string raw = Dir.Path("input.raw");
    WriteRaw(raw, testsig::Quantise(s.Samples, 300.0));
    setenv("MORVIK_TEST_INFILE", raw.c_str(), 1);
    const char* args[] = {"morvik"};
    SetCommandLine(1, args);

    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(Dir.Dir.c_str()), 0);
    Application->Initialize();
    auto* form = new TRxForm(nullptr);
    form->AfterConstruction();
    // The device plays the file back unpaced and refills every buffer the moment it is handed
    // back, so the window's queue never runs dry: the user's Exit ends it once the text is in.
    bool decoded = false;
    form->Decoder.OnReceivedChar = [&](char c) {
        form->AppendReceivedChar(c);
        if (!decoded && form->RxMemo->GetTextPart(0, form->RxMemo->TextLen()).find(text) != std::string::npos) {
            decoded = true;
            form->ExitClick(form);
        }
    };
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 2000 && !done; ++i)
            std::this_thread::sleep_for(10ms);
        form->Sound->SetClosingDown();  // stops the flood of buffer messages should the text never come
    });
    form->FormActivate(form);
    EXPECT_TRUE(form->Sound->IsOpen());
    uitest::PumpUntil([&] { return decoded; }, 20000);
    done = true;
    watchdog.join();
    EXPECT_TRUE(decoded) << form->RxMemo->GetTextPart(0, form->RxMemo->TextLen());
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(form->Sound->IsOpen());
    EXPECT_FALSE(form->Sound->BuffersAbandoned());
    delete form;
    Application->ResetTerminated();
    ASSERT_EQ(chdir(cwd), 0);
}

// The desktop ends a session with SIGTERM, a terminal with SIGINT: the program stops its sound
// input and ends with status 0, also when the sound device hangs in a read that never returns
// (here a pipe that nothing is written to).
class EndSignal : public ::testing::TestWithParam<int> {};

// A program the test started and has not waited for is killed when the test ends early.
struct TStopsOnExit {
    pid_t Pid;
    ~TStopsOnExit()
    {
        if (Pid > 0) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
    }
};

TEST_P(EndSignal, EndsTheProgramWithStatusZero)
{
    testsig::TTempDir dir;
    const std::string suppressions = dir.Path("lsan.supp");
    {
        std::FILE* f = std::fopen(suppressions.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("leak:libfontconfig.so\nleak:libdbus-1.so\n", f);
        std::fclose(f);
    }
    const std::string pipe = dir.Path("input.fifo");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int writer = open(pipe.c_str(), O_RDWR | O_CLOEXEC);  // present, and silent
    ASSERT_GE(writer, 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    TStopsOnExit running{pid};
    if (pid == 0) {
        if (chdir(dir.Dir.c_str()) != 0)
            _exit(90);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("ALSA_CONFIG_PATH", kAlsaConfig, 1);
        setenv("MORVIK_TEST_INFILE", pipe.c_str(), 1);
        setenv("LSAN_OPTIONS", ("suppressions=" + suppressions).c_str(), 1);
        execl(MORVIK_PROGRAM, "morvik", static_cast<char*>(nullptr));
        _exit(91);
    }
    // The start-up is done once the raw-log folder exists.
    const auto started = std::chrono::steady_clock::now();
    while (!std::filesystem::exists(dir.Path("Raw_Logs")) && std::chrono::steady_clock::now() - started < 60s)
        std::this_thread::sleep_for(20ms);
    std::this_thread::sleep_for(300ms);
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_EQ(kill(pid, GetParam()), 0);
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() - sent < 60s)
        std::this_thread::sleep_for(10ms);
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "still running a minute after the signal";
    }
    running.Pid = -1;
    close(writer);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    // 0: the stop sequence ran; a program given up on after the grace time ends with 128 + the
    // signal's number.
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A box is open when the desktop ends the session (here the warning about a command-line option
// that is no rate, shown during the start-up): the box goes, the start-up runs to its end, and the
// program stops in order, not by giving up after the grace time.
TEST(EndSignalWithABoxOpen, ClosesTheBoxAndRunsTheNormalStop)
{
    testsig::TTempDir dir;
    const std::string suppressions = dir.Path("lsan.supp");
    {
        std::FILE* f = std::fopen(suppressions.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("leak:libfontconfig.so\nleak:libdbus-1.so\n", f);
        std::fclose(f);
    }
    const std::string pipe = dir.Path("input.fifo");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int writer = open(pipe.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    TStopsOnExit running{pid};
    if (pid == 0) {
        if (chdir(dir.Dir.c_str()) != 0)
            _exit(90);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("ALSA_CONFIG_PATH", kAlsaConfig, 1);
        setenv("MORVIK_TEST_INFILE", pipe.c_str(), 1);
        setenv("LSAN_OPTIONS", ("suppressions=" + suppressions).c_str(), 1);
        execl(MORVIK_PROGRAM, "morvik", "/Snone", static_cast<char*>(nullptr));
        _exit(91);
    }
    // The box comes right after the sound input opened the pipe.
    auto pipeOpen = [&] {
        std::error_code ec;
        // Not before the program runs: until the exec the child still holds the test's own end.
        const auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
        if (ec || !std::filesystem::equivalent(exe, MORVIK_PROGRAM, ec))
            return false;
        for (const auto& e : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
            if (std::filesystem::read_symlink(e.path(), ec) == pipe)
                return true;
        return false;
    };
    const auto started = std::chrono::steady_clock::now();
    while (!pipeOpen() && std::chrono::steady_clock::now() - started < 60s)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(pipeOpen()) << "the program never opened its sound input";
    std::this_thread::sleep_for(700ms);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("Raw_Logs")));  // the start-up waits for the box
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() - sent < 60s)
        std::this_thread::sleep_for(10ms);
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "still running a minute after the signal";
    }
    running.Pid = -1;
    close(writer);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the stop sequence ran, not the give-up after the grace time";
    EXPECT_TRUE(std::filesystem::exists(dir.Path("Raw_Logs")));  // the start-up went on to its end
}

INSTANTIATE_TEST_SUITE_P(Program, EndSignal, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "Sigterm" : "Sigint");
                         });

}  // namespace
