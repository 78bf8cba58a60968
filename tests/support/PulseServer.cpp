#include "tests/support/PulseServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace pulsetest {

namespace {

using namespace std::chrono_literals;

bool Executable(const std::string& path)
{
    return ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

TPulseServer::TPulseServer(std::string dir) : Dir(std::move(dir))
{
    std::ofstream(AlsaConfig()) << "pcm.!default { type pulse server \"unix:" << Dir << "/native\" }\n";
    std::ofstream(Dir + "/server.pa")
        << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << Dir << "/native\n"
        << "load-module module-pipe-source source_name=feed file=" << Dir
        << "/feed format=s16le rate=11025 channels=1\n"
        << "set-default-source feed\n";
}

TPulseServer::~TPulseServer()
{
    Stop();
}

void TPulseServer::ExitRemovingFolder(int code)
{
    Stop();
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
    std::_Exit(code);
}

bool TPulseServer::Available()
{
    namespace fs = std::filesystem;
    if (!Executable("/usr/bin/pulseaudio"))
        return false;
    for (const char* dir : {"/usr/lib/x86_64-linux-gnu/alsa-lib", "/usr/lib/aarch64-linux-gnu/alsa-lib",
                            "/usr/lib/alsa-lib", "/usr/lib64/alsa-lib"})
        if (fs::exists(fs::path(dir) / "libasound_module_pcm_pulse.so"))
            return true;
    return false;
}

bool TPulseServer::Start()
{
    if (Pid > 0)
        return true;
    const std::string socket = Dir + "/native", pipe = Dir + "/feed";
    // What a stopped server leaves behind would keep the new one from making its own.
    ::unlink(socket.c_str());
    ::unlink(pipe.c_str());
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        ::setenv("HOME", Dir.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", Dir.c_str(), 1);
        ::setenv("PULSE_RUNTIME_PATH", Dir.c_str(), 1);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        const std::string script = Dir + "/server.pa";
        ::execl("/usr/bin/pulseaudio", "pulseaudio", "-n", "-F", script.c_str(), "--daemonize=no",
                "--exit-idle-time=-1", "--use-pid-file=no", "--disable-shm=yes", "--realtime=no",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    Pid = pid;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < 60s) {
        struct stat st {};
        if (::stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && ::stat(pipe.c_str(), &st) == 0 &&
            S_ISFIFO(st.st_mode)) {
            // The source reads its pipe once a writer can open it without waiting.
            const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
                return true;
            }
        }
        int status = 0;
        if (::waitpid(Pid, &status, WNOHANG) == Pid) {
            Pid = -1;
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    Stop();
    return false;
}

void TPulseServer::Stop()
{
    StopFeed();
    if (Pid > 0) {
        ::kill(Pid, SIGTERM);
        int status = 0;
        const auto start = std::chrono::steady_clock::now();
        while (::waitpid(Pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() - start > 5s) {
                ::kill(Pid, SIGKILL);
                ::waitpid(Pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        Pid = -1;
    }
}

void TPulseServer::StopFeed()
{
    StopFeeding = true;
    if (Feeder.joinable())
        Feeder.join();
    StopFeeding = false;
}

void TPulseServer::Feed(std::vector<std::int16_t> samples)
{
    StopFeed();
    // A server that goes away while it is fed must not end the test with SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
    const std::string pipe = Dir + "/feed";
    Feeder = std::thread([this, pipe, samples = std::move(samples)] {
        if (samples.empty())
            return;
        int fd = -1;
        while (!StopFeeding && (fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0)
            std::this_thread::sleep_for(10ms);  // the server is not reading yet
        if (fd < 0)
            return;
        constexpr std::size_t kChunk = 1024;
        const auto period = std::chrono::microseconds(kChunk * 1000000 / 11025);
        auto next = std::chrono::steady_clock::now();
        for (std::size_t at = 0; !StopFeeding; at = at + kChunk < samples.size() ? at + kChunk : 0) {
            const std::size_t n = std::min(kChunk, samples.size() - at);
            const char* p = reinterpret_cast<const char*>(samples.data() + at);
            std::size_t left = n * 2;
            while (left > 0 && !StopFeeding) {
                const ssize_t w = ::write(fd, p, left);
                if (w > 0) {
                    p += w;
                    left -= static_cast<std::size_t>(w);
                } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
                    ::close(fd);
                    return;  // the server went away
                } else {
                    std::this_thread::sleep_for(2ms);
                }
            }
            next += period;
            // Behind by more than a chunk (a busy machine): go on from now rather than in a burst.
            if (next < std::chrono::steady_clock::now() - period)
                next = std::chrono::steady_clock::now();
            std::this_thread::sleep_until(next);
        }
        ::close(fd);
    });
}

}  // namespace pulsetest
