// Cut, copy and paste between the edit box or memo and other programs through the real X11
// clipboard of a virtual display: xclip reads what an edit copied and gives what it pastes, text
// beyond ASCII included, in the code page of the control's font.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "platform/Clipbrd.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

extern char** environ;

namespace {

struct Proc {
    pid_t Pid = -1;
    int Out = -1;
};

// A program with extra environment entries and the given standard input; it dies with this process.
Proc Start(const std::vector<std::string>& Args, const std::vector<std::string>& Env, const std::string& Input = "")
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
    int out[2], in[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return {};
    if (pipe2(in, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return {};
    }
    const pid_t parent = getpid();
    Proc p;
    p.Pid = fork();
    if (p.Pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        dup2(out[1], 1);
        dup2(in[0], 0);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(in[0]);
    if (p.Pid > 0 && !Input.empty()) {
        struct sigaction ignore{}, old{};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &old);
        const ssize_t written = write(in[1], Input.data(), Input.size());
        sigaction(SIGPIPE, &old, nullptr);
        (void)written;
    }
    close(in[1]);
    if (p.Pid < 0) {
        close(out[0]);
        return {};
    }
    p.Out = out[0];
    return p;
}

std::string ReadFrom(Proc& P, int TimeoutMs, const std::string& Until = "")
{
    std::string s;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (Until.empty() || s.find(Until) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        pollfd pf{P.Out, POLLIN, 0};
        if (left <= 0 || poll(&pf, 1, int(left)) <= 0)
            break;
        char buf[4096];
        const ssize_t n = read(P.Out, buf, sizeof buf);
        if (n <= 0)
            break;
        s.append(buf, size_t(n));
    }
    return s;
}

// The exit status; -1 when the program had to be killed. Reaped programs are never signalled again.
int Finish(Proc& P, int TimeoutMs)
{
    if (P.Out >= 0)
        close(P.Out);
    P.Out = -1;
    if (P.Pid <= 0)
        return -1;
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    bool killed = false;
    while (waitpid(P.Pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(P.Pid, SIGKILL);
            waitpid(P.Pid, &status, 0);
            killed = true;
            break;
        }
        usleep(10000);
    }
    P.Pid = -1;
    return killed ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

struct Programs {
    std::deque<Proc> All;
    Proc& Keep(const Proc& P)
    {
        All.push_back(P);
        return All.back();
    }
    ~Programs()
    {
        for (auto p = All.rbegin(); p != All.rend(); ++p) {
            if (p->Pid > 0)
                kill(p->Pid, SIGTERM);
            Finish(*p, 3000);
        }
    }
};

bool Exists(const char* Path) { return access(Path, X_OK) == 0; }

std::string SelfPath()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
}

Proc StartRole(const std::string& Display, const std::string& Role)
{
    return Start({SelfPath(), "--gtest_filter=EditX11Role.Run"},
                 {"MORVIK_EDIT_X11_ROLE=" + Role, "DISPLAY=" + Display, "QT_QPA_PLATFORM=xcb"});
}

int RunRole(const std::string& Display, const std::string& Role, std::string& Output)
{
    Proc p = StartRole(Display, Role);
    Output = ReadFrom(p, 60000);
    return Finish(p, 10000);
}

// Waits until xclip reads Text from the display's clipboard.
bool ClipboardHolds(const std::vector<std::string>& Env, const std::string& Text, std::string* Last = nullptr)
{
    for (int i = 0; i < 100; ++i) {
        Proc c = Start({"/usr/bin/xclip", "-o", "-selection", "clipboard"}, Env);
        const std::string held = ReadFrom(c, 5000);
        Finish(c, 5000);
        if (Last)
            *Last = held;
        if (held == Text)
            return true;
        usleep(50000);
    }
    return false;
}

// "Grüße über alles" in UTF-8 and in Windows-1252; "Привет, ёж" in UTF-8 and Windows-1251.
const std::string WesternUtf8 = "Gr\xC3\xBC\xC3\x9F" "e \xC3\xBC" "ber alles";
const std::string Western1252 = "Gr\xFC\xDF" "e \xFC" "ber alles";
const std::string CyrillicUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD1\x91\xD0\xB6";
const std::string Cyrillic1251 = "\xCF\xF0\xE8\xE2\xE5\xF2, \xB8\xE6";

TEST(EditX11Clipboard, EditsAndMemosTradeTextWithXclip)
{
    if (!Exists("/usr/bin/Xvfb") || !Exists("/usr/bin/xclip"))
        GTEST_SKIP() << "Xvfb and xclip are needed";
    Programs programs;
    Proc& x = programs.Keep(Start(
        {"/usr/bin/Xvfb", "-displayfd", "1", "-noreset", "-screen", "0", "800x600x24", "-nolisten", "tcp"}, {}));
    const std::string number = ReadFrom(x, 30000, "\n");
    if (number.empty())
        GTEST_SKIP() << "the virtual display did not start";
    const std::string display = ":" + number.substr(0, number.find('\n'));
    const std::vector<std::string> onDisplay = {"DISPLAY=" + display};
    std::string out, last;

    // A word beyond ASCII copied from an edit box reaches xclip as the same letters.
    Proc& copier = programs.Keep(StartRole(display, "copy"));
    ASSERT_NE(ReadFrom(copier, 60000, "copied").find("copied"), std::string::npos);
    EXPECT_TRUE(ClipboardHolds(onDisplay, "\xC3\xBC" "ber", &last)) << last;
    kill(copier.Pid, SIGTERM);
    Finish(copier, 10000);

    // What xclip holds pastes into an edit box in its code page; only the first line of several.
    Proc& western = programs.Keep(Start({"/usr/bin/xclip", "-i", "-quiet", "-selection", "clipboard"}, onDisplay,
                                        WesternUtf8 + " \xE2\x82\xAC" "5\nsecond line"));
    ASSERT_TRUE(ClipboardHolds(onDisplay, WesternUtf8 + " \xE2\x82\xAC" "5\nsecond line"));
    EXPECT_EQ(RunRole(display, "paste", out), 0) << out;
    kill(western.Pid, SIGTERM);
    Finish(western, 5000);

    // A memo with a Cyrillic font cuts Cyrillic lines, and xclip reads them as Cyrillic.
    Proc& cutter = programs.Keep(StartRole(display, "cutcyrillic"));
    ASSERT_NE(ReadFrom(cutter, 60000, "copied").find("copied"), std::string::npos);
    EXPECT_TRUE(ClipboardHolds(onDisplay, CyrillicUtf8 + "\n" + CyrillicUtf8, &last)) << last;
    kill(cutter.Pid, SIGTERM);
    Finish(cutter, 10000);

    // And xclip's Cyrillic lines with LF ends paste into such a memo as lines of the same letters.
    Proc& lines = programs.Keep(Start({"/usr/bin/xclip", "-i", "-quiet", "-selection", "clipboard"}, onDisplay,
                                      CyrillicUtf8 + "\n" + CyrillicUtf8 + "\n"));
    ASSERT_TRUE(ClipboardHolds(onDisplay, CyrillicUtf8 + "\n" + CyrillicUtf8 + "\n"));
    EXPECT_EQ(RunRole(display, "pastecyrillic", out), 0) << out;
    kill(lines.Pid, SIGTERM);
    Finish(lines, 5000);

    // A combo box's field with a Cyrillic font pastes what xclip holds, and what it copies back
    // xsel reads as the same letters.
    if (!Exists("/usr/bin/xsel"))
        return;
    Proc& word = programs.Keep(
        Start({"/usr/bin/xclip", "-i", "-quiet", "-selection", "clipboard"}, onDisplay, CyrillicUtf8));
    ASSERT_TRUE(ClipboardHolds(onDisplay, CyrillicUtf8));
    Proc& combo = programs.Keep(StartRole(display, "combocyrillic"));
    out = ReadFrom(combo, 60000, "copied");
    ASSERT_NE(out.find("copied"), std::string::npos) << out;
    EXPECT_NE(out.find("\npasted"), std::string::npos) << "the field held what xclip gave: " << out;
    bool held = false;
    for (int i = 0; i < 100 && !held; ++i) {
        Proc c = Start({"/usr/bin/xsel", "-o", "-b"}, onDisplay);
        last = ReadFrom(c, 5000);
        Finish(c, 5000);
        held = last == "\xD1\x91\xD0\xB6";  // "ёж"
        if (!held)
            usleep(50000);
    }
    EXPECT_TRUE(held) << last;
    kill(combo.Pid, SIGTERM);
    Finish(combo, 10000);
    kill(word.Pid, SIGTERM);
    Finish(word, 5000);
}

// ---- The programs on the display --------------------------------------------------------------
TEST(EditX11Role, Run)
{
    const char* role = getenv("MORVIK_EDIT_X11_ROLE");
    if (!role)
        GTEST_SKIP() << "run by EditX11Clipboard in a program of its own";
    const std::string r = role;
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(20, 20, 400, 240);
    form->AfterConstruction();
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 300, 24);
    auto* memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetBounds(10, 50, 300, 120);
    form->Show();
    uitest::Pump(100);
    if (r == "copy") {
        edit->SetFocus();
        edit->SetText(Western1252);
        edit->SetSelStart(6);
        edit->SetSelLength(4);
        Input::PressKey('C', ssCtrl);
        std::printf("copied\n");
        std::fflush(stdout);
        uitest::Pump(300000);  // the owner serves the clipboard until the test ends it
    } else if (r == "paste") {
        edit->SetFocus();
        Input::PressKey('V', ssCtrl);
        EXPECT_EQ(edit->Text(), Western1252 + " \x80" "5");
    } else if (r == "cutcyrillic") {
        memo->Font()->SetCharset(RUSSIAN_CHARSET);
        memo->SetFocus();
        memo->SetText(Cyrillic1251 + "\r\n" + Cyrillic1251);
        memo->SelectAll();
        Input::PressKey('X', ssCtrl);
        EXPECT_EQ(memo->Text(), "");
        std::printf("copied\n");
        std::fflush(stdout);
        uitest::Pump(300000);
    } else if (r == "pastecyrillic") {
        memo->Font()->SetCharset(RUSSIAN_CHARSET);
        memo->SetFocus();
        Input::PressKey('V', ssCtrl);
        EXPECT_EQ(memo->Text(), Cyrillic1251 + "\r\n" + Cyrillic1251 + "\r\n");
        EXPECT_EQ(memo->Lines()->Count(), 2);
    } else if (r == "combocyrillic") {
        auto* combo = new TComboBox(form);
        combo->SetParent(form);
        combo->SetBounds(10, 180, 200, 0);
        combo->Font()->SetCharset(RUSSIAN_CHARSET);
        combo->SetFocus();
        Input::PressKey('V', ssCtrl);
        std::printf("%s\n", combo->Text() == Cyrillic1251 ? "pasted" : "not pasted");
        Input::PressKey(VK_LEFT, ssShift);
        Input::PressKey(VK_LEFT, ssShift);
        Input::PressKey('C', ssCtrl);
        std::printf("copied\n");
        std::fflush(stdout);
        uitest::Pump(300000);
    }
    delete form;
}

}  // namespace
