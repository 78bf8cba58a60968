#include "tests/support/X11Session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/Controls.h"
#include "platform/Forms.h"

extern char** environ;

namespace x11test {

// In a file of its own: Xlib's names (Screen, None, Bool) clash with the platform's.
bool SendDeleteWindow(const std::string& DisplayName, unsigned long Window);

namespace {

constexpr const char* RoleVariable = "MORVIK_X11_ROLE";

bool Executable(const char* Path) { return access(Path, X_OK) == 0; }

std::string SelfPath()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
}

struct TChild {
    pid_t Pid = -1;
    int Out = -1;  // its standard output (and error, when asked), or -1
};

// Starts Args with Env's entries over this process's environment. The child dies with the thread
// that started it, so nothing outlives a test program that crashes or is killed.
TChild Spawn(const std::vector<std::string>& Args, const std::vector<std::string>& Env, const std::string& Input,
             bool CaptureOut, bool MergeErr)
{
    std::vector<std::string> env = Env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const auto& o : Env)
            replaced = replaced || o.compare(0, name.size(), name) == 0;
        if (!replaced)
            env.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (const auto& a : Args)
        argv.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    int out[2] = {-1, -1}, in[2] = {-1, -1};
    if (CaptureOut && pipe2(out, O_CLOEXEC) != 0)
        return {};
    if (pipe2(in, O_CLOEXEC) != 0) {
        if (out[0] >= 0) {
            close(out[0]);
            close(out[1]);
        }
        return {};
    }
    const pid_t parent = getpid();
    TChild c;
    c.Pid = fork();
    if (c.Pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        // Its own process group, so that ending it ends what it started too.
        setpgid(0, 0);
        const int null = open("/dev/null", O_WRONLY);
        dup2(CaptureOut ? out[1] : null, 1);
        if (!MergeErr || !CaptureOut)
            dup2(null, 2);
        else
            dup2(out[1], 2);
        dup2(in[0], 0);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (out[1] >= 0)
        close(out[1]);
    close(in[0]);
    if (c.Pid > 0 && !Input.empty()) {
        struct sigaction ignore {
        }, old{};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &old);
        size_t done = 0;
        while (done < Input.size()) {
            const ssize_t n = write(in[1], Input.data() + done, Input.size() - done);
            if (n <= 0)
                break;
            done += size_t(n);
        }
        sigaction(SIGPIPE, &old, nullptr);
    }
    close(in[1]);
    if (c.Pid < 0) {
        if (out[0] >= 0)
            close(out[0]);
        return {};
    }
    c.Out = out[0];
    return c;
}

// Reads what the child prints until it closes its output, Until appears, or the time is up;
// Between runs while waiting (the message loop of a role, say).
std::string Read(TChild& C, int TimeoutMs, const std::string& Until = "",
                 const std::function<void()>& Between = nullptr)
{
    std::string s;
    if (C.Out < 0)
        return s;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (Until.empty() || s.find(Until) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd pf{C.Out, POLLIN, 0};
        const int ready = poll(&pf, 1, Between ? 5 : int(left));
        if (ready < 0)
            break;
        if (ready == 0) {
            if (Between)
                Between();
            continue;
        }
        char buf[4096];
        const ssize_t n = read(C.Out, buf, sizeof buf);
        if (n <= 0)
            break;
        s.append(buf, size_t(n));
    }
    return s;
}

// Waits for the child's end; kills it (and its group) when the time is up. Answers its exit
// status, -1 when it was killed or died of a signal.
int Reap(TChild& C, int TimeoutMs, const std::function<void()>& Between = nullptr)
{
    if (C.Out >= 0)
        close(C.Out);
    C.Out = -1;
    if (C.Pid <= 0)
        return -1;
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    bool killed = false;
    while (waitpid(C.Pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(-C.Pid, SIGKILL);
            kill(C.Pid, SIGKILL);
            waitpid(C.Pid, &status, 0);
            killed = true;
            break;
        }
        if (Between)
            Between();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    C.Pid = -1;
    return killed ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

void Stop(pid_t Pid)
{
    if (Pid <= 0)
        return;
    kill(-Pid, SIGTERM);
    kill(Pid, SIGTERM);
    TChild c{Pid, -1};
    Reap(c, 5000);
}

void PumpBriefly()
{
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

}  // namespace

bool Available() { return Executable("/usr/bin/Xvfb") && Executable("/usr/bin/xdotool"); }

TDisplay::TDisplay(int Width, int Height)
{
    if (!Executable("/usr/bin/Xvfb") || !Executable("/usr/bin/xdotool")) {
        FWhy = "Xvfb and xdotool are needed";
        return;
    }
    const std::string screen = std::to_string(Width) + "x" + std::to_string(Height) + "x24";
    // -displayfd picks a free display number and tells it once the server listens.
    TChild x = Spawn({"/usr/bin/Xvfb", "-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", screen},
                     {}, "", true, false);
    if (x.Pid <= 0) {
        FWhy = "Xvfb did not start";
        return;
    }
    FServer = x.Pid;
    const std::string number = Read(x, 60000, "\n");
    close(x.Out);
    if (number.find('\n') == std::string::npos) {
        FWhy = "the virtual display did not come up";
        return;
    }
    FName = ":" + number.substr(0, number.find('\n'));
}

TDisplay::~TDisplay()
{
    for (auto p = FStarted.rbegin(); p != FStarted.rend(); ++p)
        Stop(*p);
    Stop(FServer);
}

int TDisplay::RunRole(const std::string& Test, const std::string& Arg, std::string& Output, int TimeoutMs)
{
    Output.clear();
    if (!Ok())
        return -1;
    TChild c = Spawn({SelfPath(), "--gtest_filter=" + Test, "--gtest_also_run_disabled_tests", "--gtest_brief=1"},
                     {std::string(RoleVariable) + "=" + Arg, "DISPLAY=" + FName, "QT_QPA_PLATFORM=xcb"}, "", true,
                     true);
    Output = Read(c, TimeoutMs);
    const int status = Reap(c, 10000);
    // A role that ran no test (a misspelt name) has not checked anything.
    if (status == 0 && Output.find("[  PASSED  ] 1 test") == std::string::npos) {
        Output += "\n(the role ran no test)";
        return 1;
    }
    return status;
}

void TDisplay::Start(const std::vector<std::string>& Args, const std::string& Input)
{
    if (!Ok())
        return;
    TChild c = Spawn(Args, {"DISPLAY=" + FName}, Input, false, false);
    if (c.Pid > 0)
        FStarted.push_back(c.Pid);
}

int TDisplay::Run(const std::vector<std::string>& Args, std::string* Output, int TimeoutMs,
                  const std::function<void()>& Meanwhile)
{
    if (!Ok())
        return -1;
    // A program of the toolkit's shows on the display, not off screen as this test program does.
    TChild c = Spawn(Args, {"DISPLAY=" + FName, "QT_QPA_PLATFORM=xcb", "LSAN_OPTIONS=suppressions=" MORVIK_TEST_DATA_DIR "/lsan.supp"},
                     "", true, false);
    if (c.Pid > 0 && Meanwhile)
        Meanwhile();
    const std::string out = Read(c, TimeoutMs);
    if (Output)
        *Output = out;
    return Reap(c, 5000);
}

bool TDisplay::CloseWindow(const std::string& Title)
{
    std::string found;
    if (Run({"/usr/bin/xdotool", "search", "--sync", "--onlyvisible", "--name", "^" + Title + "$"}, &found) != 0)
        return false;
    const unsigned long window = std::strtoul(found.c_str(), nullptr, 10);
    return window && SendDeleteWindow(FName, window);
}

std::string Role()
{
    const char* role = std::getenv(RoleVariable);
    return role ? role : "";
}

int RunHere(const std::vector<std::string>& Args, std::string* Output, const std::string& Input)
{
    TChild c = Spawn(Args, {}, Input, true, false);
    if (c.Pid <= 0)
        return -1;
    const std::string out = Read(c, 60000, "", PumpBriefly);
    if (Output)
        *Output = out;
    const int status = Reap(c, 60000, PumpBriefly);
    Application->SyncWithWindowSystem();
    return status;
}

bool Xdo(const std::vector<std::string>& Args, std::string* Output)
{
    std::vector<std::string> all = {"/usr/bin/xdotool"};
    all.insert(all.end(), Args.begin(), Args.end());
    return RunHere(all, Output) == 0;
}

bool ShowOnScreen(TForm* Form)
{
    Form->Show();
    Application->ProcessMessages();
    const std::string id = std::to_string(WindowSystemId(Form));
    // Without a window manager the window is ours to focus once it is mapped.
    if (!Xdo({"windowmap", "--sync", id}) || !Xdo({"windowfocus", "--sync", id}))
        return false;
    Application->SyncWithWindowSystem();
    Application->ProcessMessages();
    return true;
}

TPoint ScreenPoint(TControl* Control, int X, int Y) { return Control->ClientToScreen(TPoint{X, Y}); }

bool MoveTo(TControl* Control, int X, int Y)
{
    const TPoint p = ScreenPoint(Control, X, Y);
    return Xdo({"mousemove", "--sync", std::to_string(p.X), std::to_string(p.Y)});
}

bool Click(TControl* Control, int X, int Y, int Button)
{
    return MoveTo(Control, X, Y) && Xdo({"click", std::to_string(Button)});
}

bool Key(const std::string& Keys)
{
    std::vector<std::string> args = {"key", "--delay", "20"};
    size_t at = 0;
    while (at < Keys.size()) {
        const size_t end = std::min(Keys.find(' ', at), Keys.size());
        if (end > at)
            args.push_back(Keys.substr(at, end - at));
        at = end + 1;
    }
    return Xdo(args);
}

bool Type(const std::string& Text) { return Xdo({"type", "--delay", "20", Text}); }

}  // namespace x11test
