// The README's way in for a newcomer with no radio: ./try.sh plays a generated broadcast into the
// program, and the generators' sample files decode as Decode From File reads them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "tests/receiver/TestSignal.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kTools = std::string(MORVIK_SOURCE_DIR) + "/tools/";

// What a command prints on standard output.
std::string Output(const std::string& command)
{
    std::string out;
    std::FILE* p = ::popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    EXPECT_EQ(::pclose(p), 0) << command;
    return out;
}

std::string FileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The "ZCZC" ... "NNNN" messages of a text, each with the line break after it.
std::vector<std::string> Messages(const std::string& text)
{
    std::vector<std::string> out;
    for (std::size_t at = text.find("ZCZC"); at != std::string::npos; at = text.find("ZCZC", at + 1)) {
        const std::size_t end = text.find("NNNN\r\n", at);
        if (end != std::string::npos)
            out.push_back(text.substr(at, end + 6 - at));
    }
    return out;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds limit)
{
    const auto start = std::chrono::steady_clock::now();
    while (!condition() && std::chrono::steady_clock::now() - start < limit)
        std::this_thread::sleep_for(50ms);
    return condition();
}

// The command as a user runs it in a terminal: a process group of its own, ended by Ctrl+C or by
// the hangup of the terminal closing (which reaches the feeder too).
class TryCommand : public ::testing::TestWithParam<int> {};

TEST_P(TryCommand, TheCommandSavesTheBroadcastsMessageAsSentAndStopsItsFeederWithTheProgram)
{
    testsig::TTempDir dir;
    const std::string folder = dir.Path("receiving");
    const std::string first = Messages(Output("python3 " + kTools + "navtex_signal.py sent 1")).at(0);

    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setpgid(0, 0);
        const int out = open(dir.Path("output.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0)
            _exit(90);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("MORVIK_PROGRAM", MORVIK_PROGRAM, 1);
        setenv("LSAN_OPTIONS", "suppressions=" MORVIK_TEST_DATA_DIR "/lsan.supp", 1);
        const std::string script = std::string(MORVIK_SOURCE_DIR) + "/try.sh";
        execl("/bin/bash", "bash", script.c_str(), "navtex", folder.c_str(), static_cast<char*>(nullptr));
        _exit(91);
    }
    setpgid(pid, pid);
    // Whatever happens, nothing the command started outlives the test.
    struct TGroup {
        pid_t Pid;
        bool Ended = false;
        ~TGroup()
        {
            if (!Ended) {
                kill(-Pid, SIGKILL);
                waitpid(Pid, nullptr, 0);
            }
        }
    } group{pid};

    const auto saved = [&] {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder + "/Messages", ec))
            if (FileBytes(e.path()) == first)
                return true;
        return false;
    };
    EXPECT_TRUE(WaitFor(saved, 180s)) << FileBytes(dir.Path("output.txt"));

    ASSERT_EQ(kill(-pid, GetParam()), 0);
    int status = -1;
    bool reaped = false;
    EXPECT_TRUE(WaitFor([&] { return reaped || (reaped = waitpid(pid, &status, WNOHANG) == pid); }, 60s));
    group.Ended = true;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << FileBytes(dir.Path("output.txt"));
    EXPECT_TRUE(WaitFor([&] { return kill(-pid, 0) != 0; }, 30s)) << "the feeder outlived the program";
    kill(-pid, SIGKILL);
}

INSTANTIATE_TEST_SUITE_P(Ended, TryCommand, ::testing::Values(SIGINT, SIGHUP));

struct TGenerator {
    const char* Name;
    const char* Length;  // seconds, or messages
    const char* Gap;     // between messages, where the broadcast has them
    testsig::TRxSetup Setup;
};

class GeneratedSampleFile : public ::testing::TestWithParam<TGenerator> {};

TEST_P(GeneratedSampleFile, DecodesToEveryMessageSent)
{
    const TGenerator& g = GetParam();
    testsig::TTempDir dir;
    const std::string file = dir.Path("broadcast.txt");
    const std::string tool = "python3 " + kTools + g.Name + "_signal.py ";
    Output(tool + "samples " + file + " " + g.Length + " " + g.Gap);
    const std::vector<std::string> sent = Messages(Output(tool + "sent " + g.Length));
    ASSERT_GE(sent.size(), 2u);

    const std::string decoded = testsig::DecodeFile(file, g.Setup);
    EXPECT_EQ(Messages(decoded), sent) << decoded;
}

// Tuning a folder's settings for the broadcast keeps the user's file whole when the new one cannot be
// written (here a file size limit stands in for a full disk).
TEST(TryWithoutARadio, TuningKeepsTheSettingsFileWhenItCannotWriteTheNewOne)
{
    const fs::path dir = fs::path(::testing::TempDir()) / "morvik-tune";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path ini = dir / "MORVIK.INI";
    std::string old = "[Window]\r\n";
    for (int i = 0; i < 200; ++i)
        old += "Key" + std::to_string(i) + "=" + std::string(20, 'x') + "\r\n";
    std::ofstream(ini, std::ios::binary) << old;
    // One block more and the write fails (EFBIG, the signal ignored).
    const int status = std::system(("bash -c 'trap \"\" XFSZ; ulimit -f 2; exec python3 " + kTools + "rtty_signal.py tune " +
                                    ini.string() + "' 2>/dev/null").c_str());
    EXPECT_NE(status, 0);
    EXPECT_EQ(FileBytes(ini), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "nothing left beside it";
    // With room it is tuned, the other lines kept.
    Output("python3 " + kTools + "rtty_signal.py tune " + ini.string());
    const std::string tuned = FileBytes(ini);
    EXPECT_EQ(tuned.substr(0, old.size()), old);
    EXPECT_NE(tuned.find("[RTTY]\r\nMode=0\r\n"), std::string::npos) << tuned;
    fs::remove_all(dir);
}

testsig::TRxSetup Tuned(int mode, int baud, int shift)
{
    testsig::TRxSetup s;
    s.Mode = mode;
    s.Baud = baud;
    s.Shift = shift;
    s.Afc = true;
    return s;
}

INSTANTIATE_TEST_SUITE_P(Generators, GeneratedSampleFile,
                         ::testing::Values(TGenerator{"rtty", "30", "", Tuned(0, 50, 450)},
                                           TGenerator{"navtex", "2", "1", Tuned(6, 100, 170)}),
                         [](const ::testing::TestParamInfo<TGenerator>& info) { return std::string(info.param.Name); });

}  // namespace
