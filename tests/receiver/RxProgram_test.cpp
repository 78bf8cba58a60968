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
#include <vector>
#include <sstream>
#include <functional>
#include <map>
#include <fstream>
#include <thread>
#include <utility>

#include "memo/Stylememo.h"
#include "platform/CmdLine.h"
#include "receiver/MessageCapture.h"
#include "receiver/RxForm.h"
#include "receiver/RxText.h"
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
    const std::string raw = Dir.Path("input.raw");
    WriteRaw(raw, testsig::StartupRtty(text, 300.0, 300.0));
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

// The program itself, started in a folder of its own (or in folder) over a sound device that reads
// a named pipe (present, and silent unless the test writes to it), its standard error going to a
// file, or to a pipe (StderrPipe); killed should the test end before it.
class TProgram {
public:
    explicit TProgram(const std::vector<std::string>& args = {}, bool stderrToPipe = false,
                      const std::string& folder = "")
    {
        Folder = folder.empty() ? Dir.Dir : folder;
        int err[2] = {-1, -1};
        if (stderrToPipe) {
            EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
        }
        Pipe = Dir.Path("input.fifo");
        EXPECT_EQ(mkfifo(Pipe.c_str(), 0600), 0);
        Writer = open(Pipe.c_str(), O_RDWR | O_CLOEXEC);
        EXPECT_GE(Writer, 0);
        std::vector<const char*> argv{"morvik"};
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        argv.push_back(nullptr);
        Pid = fork();
        EXPECT_GE(Pid, 0);
        if (Pid == 0) {
            const int out = stderrToPipe ? err[1] : open(Dir.Path("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (chdir(Folder.c_str()) != 0 || out < 0 || dup2(out, 2) < 0)
                _exit(90);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("ALSA_CONFIG_PATH", kAlsaConfig, 1);
            setenv("MORVIK_TEST_INFILE", Pipe.c_str(), 1);
            setenv("LSAN_OPTIONS", "suppressions=" MORVIK_TEST_DATA_DIR "/lsan.supp", 1);
            execv(MORVIK_PROGRAM, const_cast<char* const*>(argv.data()));
            _exit(91);
        }
        if (stderrToPipe) {
            close(err[1]);
            StderrPipe = err[0];
        }
    }
    ~TProgram()
    {
        if (Pid > 0) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
        if (Writer >= 0)
            close(Writer);
        if (StderrPipe >= 0)
            close(StderrPipe);
    }
    // Waits up to a minute for a condition.
    static bool WaitFor(const std::function<bool()>& condition)
    {
        const auto start = std::chrono::steady_clock::now();
        while (!condition() && std::chrono::steady_clock::now() - start < 60s)
            std::this_thread::sleep_for(20ms);
        return condition();
    }
    // Sends the signal and waits up to a minute for the program to end; its exit status, or -1
    // when it ended otherwise or did not end at all (it is killed then).
    int EndWith(int signal)
    {
        EXPECT_EQ(kill(Pid, signal), 0);
        int status = 0;
        pid_t done = 0;
        WaitFor([&] { return (done = waitpid(Pid, &status, WNOHANG)) != 0; });
        if (done == 0)
            return -1;
        Pid = -1;
        if (!WIFEXITED(status)) {
            ADD_FAILURE() << "ended by signal " << WTERMSIG(status);
            return -1;
        }
        return WEXITSTATUS(status);
    }

    // Writes a broadcast into the sound device's pipe at once, whole blocks of it.
    void Broadcast(const std::string& text)
    {
        std::vector<std::int16_t> samples = testsig::StartupRtty(text, 300.0, 300.0);
        samples.resize((samples.size() / 2048 + 1) * 2048);
        const int bytes = static_cast<int>(samples.size() * 2);
        ASSERT_GE(fcntl(Writer, F_SETPIPE_SZ, bytes), bytes);
        ASSERT_EQ(write(Writer, samples.data(), samples.size() * 2), static_cast<ssize_t>(bytes));
    }

    testsig::TTempDir Dir;
    std::string Folder;  // where it runs
    std::string Pipe;
    int Writer = -1;
    int StderrPipe = -1;
    pid_t Pid = -1;
};

// The desktop ends a session with SIGTERM, a terminal with SIGINT or SIGQUIT, and a terminal that
// closes with SIGHUP: the program stops its sound input and ends with status 0, also when the sound
// device hangs in a read that never returns (here a pipe that nothing is written to).
class EndSignal : public ::testing::TestWithParam<int> {};

TEST_P(EndSignal, EndsTheProgramWithStatusZero)
{
    TProgram program;
    // The start-up is done once the raw-log folder exists.
    TProgram::WaitFor([&] { return std::filesystem::exists(program.Dir.Path("Raw_Logs")); });
    std::this_thread::sleep_for(300ms);
    // 0: the stop sequence ran; a program given up on after the grace time ends with 128 + the
    // signal's number.
    EXPECT_EQ(program.EndWith(GetParam()), 0);
}

// A box is open when the desktop ends the session (here the warning about a command-line option
// that is no rate, shown during the start-up): the box goes, the start-up runs to its end, and the
// program stops in order, not by giving up after the grace time.
TEST(EndSignalWithABoxOpen, ClosesTheBoxAndRunsTheNormalStop)
{
    TProgram program({"/Snone"});
    const pid_t pid = program.Pid;
    // The box comes right after the sound input opened the pipe.
    auto pipeOpen = [&] {
        std::error_code ec;
        // Not before the program runs: until the exec the child still holds the test's own end.
        const auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
        if (ec || !std::filesystem::equivalent(exe, MORVIK_PROGRAM, ec))
            return false;
        for (const auto& e : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
            if (std::filesystem::read_symlink(e.path(), ec) == program.Pipe)
                return true;
        return false;
    };
    ASSERT_TRUE(TProgram::WaitFor(pipeOpen)) << "the program never opened its sound input";
    std::this_thread::sleep_for(700ms);
    EXPECT_FALSE(std::filesystem::exists(program.Dir.Path("Raw_Logs")));  // the start-up waits for the box
    EXPECT_EQ(program.EndWith(SIGTERM), 0) << "the stop sequence ran, not the give-up after the grace time";
    EXPECT_TRUE(std::filesystem::exists(program.Dir.Path("Raw_Logs")));  // the start-up went on to its end
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The session ends, or the terminal that started the program closes, while a received message
// cannot be saved (a file stands where the "Messages" folder should be): the last try fails, the
// program says so on its standard error and in the raw log beside the message's text, and ends at
// once with status 0, waiting for no answer. A closed terminal takes the reader of the standard
// error with it: the raw log still has it.
class EndSignalWithAMessageUnsaved : public ::testing::TestWithParam<int> {};

TEST_P(EndSignalWithAMessageUnsaved, SaysItOnStandardErrorAndInTheRawLogAndEnds)
{
    const bool hangup = GetParam() == SIGHUP;
    TProgram program({}, hangup);
    std::ofstream(program.Dir.Path("Messages")) << "not a folder";
    program.Broadcast("RYRY ZCZC AB\r\nNNNN\r\n");
    std::string log;
    auto rawLog = [&] {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(program.Dir.Path("Raw_Logs"), ec))
            log = ReadFile(e.path().string());
        return log;
    };
    ASSERT_TRUE(TProgram::WaitFor([&] { return rawLog().find("NNNN\r\n") != std::string::npos; })) << log;
    if (hangup) {
        close(program.StderrPipe);
        program.StderrPipe = -1;
    }
    EXPECT_EQ(program.EndWith(GetParam()), 0) << "the stop sequence ran, not the give-up after the grace time";
    if (!hangup) {
        const std::string err = ReadFile(program.Dir.Path("stderr.txt"));
        EXPECT_NE(err.find(std::string(rx::kUnsavedMessagesText) + "\nMessages/"), std::string::npos) << err;
    }
    rawLog();
    const std::size_t note = log.find(std::string("\r\n") + rx::kUnsavedMessagesText + "\r\nMessages/");
    ASSERT_NE(note, std::string::npos) << log;
    EXPECT_LT(log.find("ZCZC AB\r\nNNNN\r\n"), note);
}

// A line received but not ended yet when the program is told to end goes into the raw log: here
// it holds a whole message, saved as soon as its "NNNN" came. Flooding (second): the device's
// input ends first, and it gives back buffers as fast as they are handed to it.
class EndSignalWithALineUnended : public ::testing::TestWithParam<std::pair<int, bool>> {};

TEST_P(EndSignalWithALineUnended, ReachesTheRawLog)
{
    TProgram program;
    program.Broadcast("RYRY\r\nMSG 1 ZCZC AB NNNN");
    auto saved = [&] {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(program.Dir.Path("Messages"), ec))
            if (ReadFile(e.path().string()) == "ZCZC AB NNNN\r\n")
                return true;
        return false;
    };
    ASSERT_TRUE(TProgram::WaitFor(saved));
    if (GetParam().second) {
        close(std::exchange(program.Writer, -1));
        std::this_thread::sleep_for(500ms);
    }
    EXPECT_EQ(program.EndWith(GetParam().first), 0);
    std::string log;
    for (const auto& e : std::filesystem::directory_iterator(program.Dir.Path("Raw_Logs")))
        log = ReadFile(e.path().string());
    EXPECT_NE(log.find("\r\nMSG 1 ZCZC AB NNNN"), std::string::npos) << log;
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// A second copy started in the folder of one that runs, on the same sound input: it says so once
// and ends with status 1, having read no sound and written nothing; the message the first copy
// receives meanwhile is in its file once, and its line in the raw log once.
TEST(TwoCopiesInOneFolder, TheSecondSaysSoOnceAndEnds)
{
    TProgram first;
    ASSERT_TRUE(TProgram::WaitFor([&] { return std::filesystem::exists(first.Dir.Path("Raw_Logs")); }));
    TProgram second({}, false, first.Folder);
    std::string err;
    const std::string said = "morvik: " + rx::FolderInUseText(first.Folder);
    ASSERT_TRUE(TProgram::WaitFor([&] { return (err = ReadFile(second.Dir.Path("stderr.txt"))).find(said) != std::string::npos; }))
        << err;
    const std::string message = "ZCZC AB\r\nGALE WARNING\r\nNNNN\r\n";
    first.Broadcast("RYRY " + message);
    second.Broadcast("RYRY " + message);
    std::map<std::string, std::string> files;
    auto messages = [&] {
        files.clear();
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(first.Dir.Path("Messages"), ec))
            files[e.path().filename().string()] = ReadFile(e.path().string());
        return files;
    };
    ASSERT_TRUE(TProgram::WaitFor([&] { return !messages().empty(); }));
    EXPECT_EQ(second.EndWith(SIGTERM), 1);
    EXPECT_EQ(first.EndWith(SIGTERM), 0);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(files.begin()->second, message);
    std::string log;
    for (const auto& e : std::filesystem::directory_iterator(first.Dir.Path("Raw_Logs")))
        log += ReadFile(e.path().string());
    EXPECT_EQ(Count(log, "GALE WARNING"), 1u) << log;
    EXPECT_EQ(Count(ReadFile(second.Dir.Path("stderr.txt")), said), 1u);
}

// A device that cannot be opened: the box's text (its setting, the devices) on the standard error, and status 1.
TEST(DeviceOpenFailure, IsToldOnStandardErrorAndEndsWithStatusOne)
{
    testsig::TTempDir folder;
    std::ofstream(folder.Path("MORVIK.INI")) << "[RTTY]\nSoundCardNumber=3\n";
    TProgram program({}, false, folder.Dir);
    const std::string said = "morvik: Specified device identifier is out of range\n\nSoundCardNumber=3 in the [RTTY] "
                             "section of MORVIK.INI chooses the sound input device.\nThe devices that can record:\n    0  filecap\n";
    std::string err;
    EXPECT_TRUE(TProgram::WaitFor([&] { return (err = ReadFile(program.Dir.Path("stderr.txt"))).find(said) != std::string::npos; })) << err;
    EXPECT_EQ(program.EndWith(SIGTERM), 1);
}

std::string SignalName(const ::testing::TestParamInfo<int>& info)
{
    switch (info.param) {
    case SIGTERM: return "Sigterm";
    case SIGINT: return "Sigint";
    case SIGHUP: return "Sighup";
    default: return "Sigquit";
    }
}

INSTANTIATE_TEST_SUITE_P(Program, EndSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP, SIGQUIT), SignalName);
INSTANTIATE_TEST_SUITE_P(Program, EndSignalWithAMessageUnsaved, ::testing::Values(SIGTERM, SIGHUP), SignalName);
INSTANTIATE_TEST_SUITE_P(Program, EndSignalWithALineUnended,
                         ::testing::Values(std::pair{SIGTERM, false}, std::pair{SIGHUP, false}, std::pair{SIGTERM, true}),
                         [](const auto& i) { return SignalName({i.param.first, i.index}) + (i.param.second ? "Flooding" : ""); });

}  // namespace
