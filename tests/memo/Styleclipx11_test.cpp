// Copy and paste through the real X11 clipboard of a virtual display: between memos of two programs,
// with xclip and xsel as the other program, and with an owner that never answers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Clipbrd.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Windows.h"
#include "tests/support/UiTest.h"

extern char** environ;

namespace {

struct Child {
    pid_t Pid = -1;
    int Out = -1;
};

// Starts a program with extra environment entries; its output comes back through a pipe.
Child Spawn(const std::vector<std::string>& Args, const std::vector<std::string>& Env, const std::string& Input = "")
{
    std::vector<std::string> env = Env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (const auto& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    int out[2];
    int in[2];
    if (pipe(out) != 0 || pipe(in) != 0) return {};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    posix_spawn_file_actions_addclose(&fa, in[1]);
    Child c;
    if (posix_spawnp(&c.Pid, argv[0], &fa, nullptr, argv.data(), envp.data()) != 0) c.Pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    close(out[1]);
    close(in[0]);
    if (!Input.empty() && write(in[1], Input.data(), Input.size()) < 0) c.Pid = -1;
    close(in[1]);
    c.Out = out[0];
    return c;
}

// Reads what the child writes until it closes its output, Until is seen or the time is up.
std::string Read(Child& C, int TimeoutMs, const std::string& Until = "")
{
    std::string s;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (Until.empty() || s.find(Until) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) break;
        pollfd pf{C.Out, POLLIN, 0};
        if (poll(&pf, 1, static_cast<int>(left)) <= 0) break;
        char buf[4096];
        const ssize_t n = read(C.Out, buf, sizeof buf);
        if (n <= 0) break;
        s.append(buf, static_cast<size_t>(n));
    }
    return s;
}

// The exit status, or -1 when the child had to be killed after the time.
int Wait(Child& C, int TimeoutMs)
{
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (waitpid(C.Pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(C.Pid, SIGKILL);
            waitpid(C.Pid, &status, 0);
            status = -1;
            break;
        }
        usleep(10000);
    }
    if (C.Out >= 0) close(C.Out);
    C.Out = -1;
    return status == -1 ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

std::string Self()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

bool Have(const char* Program) { return access(Program, X_OK) == 0; }

// A run of this test program in one role of a memo program on the display.
Child Role(const std::string& Display, const std::string& Name)
{
    return Spawn({Self(), "--gtest_filter=X11ClipboardRole.Run"},
                 {"MORVIK_X11_ROLE=" + Name, "DISPLAY=" + Display, "QT_QPA_PLATFORM=xcb"});
}

int RunRole(const std::string& Display, const std::string& Name, std::string& Output)
{
    Child c = Role(Display, Name);
    Output = Read(c, 20000);
    return Wait(c, 20000);
}

// Waits until the clipboard of the display reads Text (another program takes it over in its own time).
bool Holds(const std::vector<std::string>& Env, const std::string& Text)
{
    for (int i = 0; i < 100; ++i) {
        Child c = Spawn({"/usr/bin/xclip", "-o", "-selection", "clipboard"}, Env);
        const std::string held = Read(c, 5000);
        Wait(c, 5000);
        if (held == Text) return true;
        usleep(50000);
    }
    return false;
}

// Programs that must not outlive the test, whichever way it ends.
struct Reaper {
    std::vector<pid_t> Pids;
    ~Reaper()
    {
        for (const pid_t p : Pids) {
            kill(p, SIGCONT);
            kill(p, SIGKILL);
            waitpid(p, nullptr, WNOHANG);
        }
    }
};

TEST(X11Clipboard, MemosXclipXselAndASilentOwner)
{
    Reaper reaper;
    if (!Have("/usr/bin/Xvfb") || !Have("/usr/bin/xclip") || !Have("/usr/bin/xsel")) GTEST_SKIP() << "Xvfb, xclip and xsel are needed";
    Child x = Spawn({"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"}, {});
    reaper.Pids.push_back(x.Pid);
    const std::string number = Read(x, 10000, "\n");
    ASSERT_FALSE(number.empty());
    const std::string display = ":" + number.substr(0, number.find('\n'));
    const std::vector<std::string> onDisplay = {"DISPLAY=" + display};
    std::string out;

    // A column block copied in one memo program is read by xclip and pasted as a block by another.
    Child owner = Role(display, "copy");
    reaper.Pids.push_back(owner.Pid);
    ASSERT_NE(Read(owner, 20000, "copied").find("copied"), std::string::npos);
    EXPECT_TRUE(Holds(onDisplay, "cde\r\ncde\r\ncde\r\n")) << display;
    EXPECT_EQ(RunRole(display, "pasteblock", out), 0) << out;
    kill(owner.Pid, SIGTERM);
    Wait(owner, 10000);

    // Text that xclip holds is pasted into a memo.
    Child in = Spawn({"/usr/bin/xclip", "-i", "-selection", "clipboard"}, onDisplay, "from xclip");
    Wait(in, 5000);
    ASSERT_TRUE(Holds(onDisplay, "from xclip")) << display;
    EXPECT_EQ(RunRole(display, "pastexclip", out), 0) << out;

    // An owner that never answers: the paste gives up within its bound and changes nothing.
    Child xsel = Spawn({"/usr/bin/xsel", "--clipboard", "--input", "--nodetach"}, onDisplay, "silent");
    reaper.Pids.push_back(xsel.Pid);
    ASSERT_TRUE(Holds(onDisplay, "silent")) << display;
    kill(xsel.Pid, SIGSTOP);
    EXPECT_EQ(RunRole(display, "pastesilent", out), 0) << out;
    kill(xsel.Pid, SIGKILL);
    kill(xsel.Pid, SIGCONT);
    Wait(xsel, 5000);

    kill(x.Pid, SIGTERM);
    Wait(x, 10000);
}

// ---------------------------------------------------------------- the memo programs

class Program {
public:
    Program()
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(20, 20, 460, 300);
        form->AfterConstruction();
        memo = new TStyleMemo(form);
        memo->SetParent(form);
        memo->SetBounds(0, 0, 400, 200);
        memo->setUpdateMode(umImmediate);
        memo->Font()->SetName("DejaVu Sans Mono");
        memo->setWordWrap(false);
        form->Show();
        uitest::Pump(100);
        memo->SetFocus();
        uitest::Pump();
    }
    ~Program() { delete form; }
    std::string Text() { return memo->GetTextPart(0, memo->TextLen()); }
    TForm* form;
    TStyleMemo* memo;
};

TEST(X11ClipboardRole, Run)
{
    const char* role = getenv("MORVIK_X11_ROLE");
    if (role == nullptr) GTEST_SKIP() << "run by X11Clipboard in a program of its own";
    const std::string r = role;
    Program p;
    if (r == "copy") {
        p.memo->setSelText("abcdef\r\nabcdef\r\nabcdef");
        p.memo->SelectBlock(2, 0, 2, 5);
        Input::PressKey('C', ssCtrl);
        std::printf("copied\n");
        std::fflush(stdout);
        // The clipboard lives as long as its owner: serve it until told to go.
        uitest::Pump(15000);
    } else if (r == "pasteblock") {
        p.memo->setSelText("12\r\n12345\r\n");
        p.memo->setSelStart(1);
        Input::PressKey('V', ssCtrl);
        EXPECT_EQ(p.Text(), "1cde2\r\n1cde2345\r\n cde");
    } else if (r == "pastexclip") {
        Input::PressKey('V', ssCtrl);
        EXPECT_EQ(p.Text(), "from xclip");
    } else if (r == "pastesilent") {
        p.memo->setSelText("kept");
        const auto start = std::chrono::steady_clock::now();
        Input::PressKey('V', ssCtrl);
        SendMessage(p.memo->Handle(), WM_PASTE, 0, 0);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(p.Text(), "kept");
        // One bounded question; the silent owner is not asked again right away.
        EXPECT_LT(ms, 2500);
        EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    }
}

}  // namespace
