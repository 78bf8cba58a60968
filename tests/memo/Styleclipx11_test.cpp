// Copy and paste through the real X11 clipboard of a virtual display: between memos of two programs,
// with xclip and xsel as the other program, and with an owner that never answers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
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

// Starts a program (by its full path) with extra environment entries, which replace inherited ones of
// the same name; its output comes back through a pipe. The child dies with this process, however this
// process ends (a crash, a time limit), so no program outlives the test.
Child Spawn(const std::vector<std::string>& Args, const std::vector<std::string>& Env, const std::string& Input = "")
{
    std::vector<std::string> env = Env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(Env.begin(), Env.end(), [&](const std::string& o) { return o.compare(0, name.size(), name) == 0; }))
            env.push_back(entry);
    }
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (const auto& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    int out[2];
    int in[2];
    if (pipe2(out, O_CLOEXEC) != 0) return {};
    if (pipe2(in, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return {};
    }
    const pid_t parent = getpid();
    Child c;
    c.Pid = fork();
    if (c.Pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        dup2(out[1], 1);
        dup2(in[0], 0);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(in[0]);
    // A child that ends before reading its input must not take this process with it (SIGPIPE).
    if (c.Pid > 0 && !Input.empty()) {
        struct sigaction ignore{};
        struct sigaction old{};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &old);
        const ssize_t written = write(in[1], Input.data(), Input.size());
        sigaction(SIGPIPE, &old, nullptr);
        static_cast<void>(written);
    }
    close(in[1]);
    if (c.Pid < 0) {
        close(out[0]);
        return {};
    }
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

// The exit status, or -1 when the child had to be killed after the time. A reaped child's id may go
// to another process at once, so it is forgotten here and never signalled again.
int Wait(Child& C, int TimeoutMs)
{
    if (C.Out >= 0) close(C.Out);
    C.Out = -1;
    if (C.Pid <= 0) return -1;
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    bool killed = false;
    while (waitpid(C.Pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(C.Pid, SIGCONT);
            kill(C.Pid, SIGKILL);
            waitpid(C.Pid, &status, 0);
            killed = true;
            break;
        }
        usleep(10000);
    }
    C.Pid = -1;
    return killed ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

void Signal(const Child& C, int Sig)
{
    if (C.Pid > 0) kill(C.Pid, Sig);
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
    Output = Read(c, 60000);
    return Wait(c, 10000);
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

// True when the clipboard's owner leaves a question for its formats unanswered for a while.
bool Silent(const std::vector<std::string>& Env)
{
    Child c = Spawn({"/usr/bin/xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"}, Env);
    const std::string answer = Read(c, 1500);
    Signal(c, SIGKILL);
    Wait(c, 5000);
    return answer.empty();
}

// Holds every program the test starts, so that none outlives it whichever way it ends: each is asked
// to go, then killed.
struct Reaper {
    std::deque<Child> Children;
    Child& Keep(const Child& C)
    {
        Children.push_back(C);
        return Children.back();
    }
    ~Reaper()
    {
        for (auto c = Children.rbegin(); c != Children.rend(); ++c) {
            Signal(*c, SIGTERM);
            Signal(*c, SIGCONT);
            Wait(*c, 3000);
        }
    }
};

// "Пример ёж" in UTF-8 and in Windows-1251.
const std::string CyrillicUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80 \xD1\x91\xD0\xB6";
const std::string Cyrillic1251 = "\xCF\xF0\xE8\xEC\xE5\xF0 \xB8\xE6";

TEST(X11Clipboard, MemosXclipXselAndASilentOwner)
{
    if (!Have("/usr/bin/Xvfb") || !Have("/usr/bin/xclip") || !Have("/usr/bin/xsel")) GTEST_SKIP() << "Xvfb, xclip and xsel are needed";
    Reaper reaper;
    // Without -noreset the server resets whenever its last program leaves between two steps, and a
    // program that connects meanwhile is turned away.
    Child& x = reaper.Keep(Spawn({"/usr/bin/Xvfb", "-displayfd", "1", "-noreset", "-screen", "0", "800x600x24", "-nolisten", "tcp"}, {}));
    const std::string number = Read(x, 30000, "\n");
    if (number.empty()) GTEST_SKIP() << "the virtual display did not start";
    const std::string display = ":" + number.substr(0, number.find('\n'));
    const std::vector<std::string> onDisplay = {"DISPLAY=" + display};
    std::string out;

    // A column block copied in one memo program is read by xclip and pasted as a block by another.
    Child& owner = reaper.Keep(Role(display, "copy"));
    ASSERT_NE(Read(owner, 60000, "copied").find("copied"), std::string::npos);
    EXPECT_TRUE(Holds(onDisplay, "cde\ncde\ncde\n")) << display;
    EXPECT_EQ(RunRole(display, "pasteblock", out), 0) << out;
    Signal(owner, SIGTERM);
    Wait(owner, 10000);
    // A program pastes what it copied itself: it is not kept waiting for its own answer.
    EXPECT_EQ(RunRole(display, "selfpaste", out), 0) << out;

    // Text that xclip holds (in the foreground, so that it is ours to end) is pasted into a memo.
    Child& in = reaper.Keep(Spawn({"/usr/bin/xclip", "-i", "-quiet", "-selection", "clipboard"}, onDisplay, "from xclip"));
    ASSERT_TRUE(Holds(onDisplay, "from xclip")) << display;
    EXPECT_EQ(RunRole(display, "pastexclip", out), 0) << out;
    Signal(in, SIGTERM);
    Wait(in, 5000);

    // Cyrillic lines copied from a memo with a Cyrillic font are Cyrillic to xclip.
    Child& cyr = reaper.Keep(Role(display, "copycyrillic"));
    ASSERT_NE(Read(cyr, 60000, "copied").find("copied"), std::string::npos);
    EXPECT_TRUE(Holds(onDisplay, CyrillicUtf8 + "\n" + "\xD1\x91\xD0\xB6")) << display;
    Signal(cyr, SIGTERM);
    Wait(cyr, 10000);
    // And xclip's Cyrillic lines, with LF and CR LF ends, paste as paragraphs of the same letters.
    Child& lines = reaper.Keep(Spawn({"/usr/bin/xclip", "-i", "-quiet", "-selection", "clipboard"}, onDisplay,
                                     CyrillicUtf8 + "\n\xD1\x91\xD0\xB6\r\nend\n"));
    ASSERT_TRUE(Holds(onDisplay, CyrillicUtf8 + "\n\xD1\x91\xD0\xB6\r\nend\n")) << display;
    EXPECT_EQ(RunRole(display, "pastecyrillic", out), 0) << out;
    Signal(lines, SIGTERM);
    Wait(lines, 5000);

    // An owner that never answers: the paste gives up within its bound and changes nothing.
    Child& xsel = reaper.Keep(Spawn({"/usr/bin/xsel", "--clipboard", "--input", "--nodetach"}, onDisplay, "silent"));
    ASSERT_TRUE(Holds(onDisplay, "silent")) << display;
    Signal(xsel, SIGSTOP);
    ASSERT_TRUE(Silent(onDisplay)) << "the stopped owner still answers";
    EXPECT_EQ(RunRole(display, "pastesilent", out), 0) << out;
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
        // The clipboard lives as long as its owner: serve it until the test ends this program.
        uitest::Pump(300000);
    } else if (r == "pasteblock") {
        p.memo->setSelText("12\r\n12345\r\n");
        p.memo->setSelStart(1);
        Input::PressKey('V', ssCtrl);
        EXPECT_EQ(p.Text(), "1cde2\r\n1cde2345\r\n cde");
    } else if (r == "selfpaste") {
        p.memo->setSelText("abc");
        p.memo->SelectAll();
        Input::PressKey('C', ssCtrl);
        p.memo->setSelStart(3);
        Input::PressKey('V', ssCtrl);
        EXPECT_EQ(p.Text(), "abcabc");
    } else if (r == "pastexclip") {
        Input::PressKey('V', ssCtrl);
        EXPECT_EQ(p.Text(), "from xclip");
    } else if (r == "copycyrillic") {
        p.memo->Font()->SetCharset(RUSSIAN_CHARSET);
        p.memo->setSelText(Cyrillic1251 + "\r\n\xB8\xE6");
        p.memo->SelectAll();
        Input::PressKey('C', ssCtrl);
        std::printf("copied\n");
        std::fflush(stdout);
        uitest::Pump(300000);
    } else if (r == "pastecyrillic") {
        p.memo->Font()->SetCharset(RUSSIAN_CHARSET);
        Input::PressKey('V', ssCtrl);
        EXPECT_EQ(p.Text(), Cyrillic1251 + "\r\n\xB8\xE6\r\nend\r\n");
        EXPECT_EQ(p.memo->ParCount(), 4);
    } else if (r == "pastesilent") {
        p.memo->setSelText("kept");
        // Both pastes come back (the question has a bound) and change nothing.
        Input::PressKey('V', ssCtrl);
        SendMessage(p.memo->Handle(), WM_PASTE, 0, 0);
        EXPECT_EQ(p.Text(), "kept");
        EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    }
}

}  // namespace
