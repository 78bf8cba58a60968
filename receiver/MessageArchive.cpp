// The message archive: names and node texts, the file list, the viewer's reading and the editor,
// and the main window's tree and viewer.
#include "receiver/MessageArchive.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "memo/Stylememo.h"
#include "platform/FileUtils.h"
#include "platform/ShellApi.h"
#include "platform/SysUtils.h"
#include "receiver/MessageCapture.h"
#include "receiver/RxForm.h"
#include "tree/Extree.h"

extern char** environ;

namespace rx {

const char* const MonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The two-digit number at Pos of Text; 0 where the text has no such digits.
int TwoDigits(const std::string& Text, std::size_t Pos)
{
    if (Text.size() < Pos + 2 || !IsDigit(Text[Pos]) || !IsDigit(Text[Pos + 1]))
        return 0;
    return (Text[Pos] - '0') * 10 + (Text[Pos + 1] - '0');
}

int MonthOfText(const std::string& DateText) { return MonthNumber(DateText.size() >= 6 ? DateText.substr(3, 3) : ""); }

// Sort key of a stamp: the full year first, then the rest as the name has it.
std::int64_t StampKey(const TMessageStamp& S)
{
    return ((((static_cast<std::int64_t>(FullYear(S.Year)) * 100 + S.Month) * 100 + S.Day) * 100 + S.Hour) * 100 +
            S.Minute) * 100 + S.Second;
}

void PutTwoDigits(char* At, int Value)
{
    At[0] = static_cast<char>('0' + Value / 10 % 10);
    At[1] = static_cast<char>('0' + Value % 10);
}

// Whether a folder entry is a file the search would list: anything but a folder; a link counts
// as what it leads to, and a dangling one not at all.
bool IsListedFile(const std::string& Dir, const dirent& Entry)
{
    switch (Entry.d_type) {
    case DT_DIR: return false;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat st {};
        return ::stat((Dir + "/" + Entry.d_name).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    }
    default: return true;
    }
}

constexpr std::size_t kReadChunk = 1 << 16;

bool IsProgram(const std::string& Path)
{
    struct stat st {};
    return ::stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(Path.c_str(), X_OK) == 0;
}

// The exit status of a program run to its end; -1 when it could not be started or did not end.
int RunAndWait(const std::vector<std::string>& Args)
{
    std::vector<char*> argv;
    for (const std::string& a : Args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int MonthNumber(const std::string& Name)
{
    for (int m = 0; m < 12; ++m)
        if (Name == MonthNames[m])
            return m + 1;
    return 0;
}

int FullYear(int TwoDigitYear) { return TwoDigitYear >= 69 ? 1900 + TwoDigitYear : 2000 + TwoDigitYear; }

bool ParseMessageName(const std::string& Name, TMessageStamp& Stamp)
{
    // Exactly the digits the program writes: no signs, blanks or shorter fields.
    if (Name.size() != 17 || Name[6] != '-' || Name.compare(13, 4, ".TXT") != 0)
        return false;
    for (std::size_t i : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12})
        if (!IsDigit(Name[i]))
            return false;
    TMessageStamp s;
    s.Year = TwoDigits(Name, 0);
    s.Month = TwoDigits(Name, 2);
    s.Day = TwoDigits(Name, 4);
    s.Hour = TwoDigits(Name, 7);
    s.Minute = TwoDigits(Name, 9);
    s.Second = TwoDigits(Name, 11);
    if (s.Month < 1 || s.Month > 12 || s.Day < 1 || s.Day > 31 || s.Hour > 24 || s.Minute > 59 || s.Second > 59)
        return false;
    Stamp = s;
    return true;
}

std::string DateNodeText(const TMessageStamp& Stamp)
{
    std::string text = "00 Mmm 00";
    PutTwoDigits(&text[0], Stamp.Day);
    text.replace(3, 3, MonthNames[Stamp.Month - 1]);
    PutTwoDigits(&text[7], Stamp.Year);
    return text;
}

std::string TimeNodeText(const TMessageStamp& Stamp)
{
    std::string text = "00:00:00";
    PutTwoDigits(&text[0], Stamp.Hour);
    PutTwoDigits(&text[3], Stamp.Minute);
    PutTwoDigits(&text[6], Stamp.Second);
    return text;
}

int CompareDateNode(int Day, int Month, int Year, const std::string& Text)
{
    int r = FullYear(Year) - FullYear(TwoDigits(Text, 7));
    if (r != 0)
        return r;
    r = Month - MonthOfText(Text);
    if (r != 0)
        return r;
    return Day - TwoDigits(Text, 0);
}

int CompareDateTexts(const std::string& First, const std::string& Second)
{
    return CompareDateNode(TwoDigits(First, 0), MonthOfText(First), TwoDigits(First, 7), Second);
}

std::string MessageFilePath(const std::string& DateText, const std::string& TimeText)
{
    return Format("%s/%02d%02d%02d-%02d%02d%02d.TXT", kMessageDir, TwoDigits(DateText, 7), MonthOfText(DateText),
                  TwoDigits(DateText, 0), TwoDigits(TimeText, 0), TwoDigits(TimeText, 3), TwoDigits(TimeText, 6));
}

std::vector<std::string> ListMessageFiles(const std::string& Dir)
{
    // One pass over the folder that looks at no file but those whose kind the folder does not
    // say: a year of messages is 36,500 names.
    std::vector<std::pair<std::int64_t, std::string>> found;
    if (DIR* d = ::opendir(Dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            TMessageStamp stamp;
            // Only names the program can open again from the nodes.
            if (ParseMessageName(e->d_name, stamp) && IsListedFile(Dir, *e))
                found.emplace_back(StampKey(stamp), e->d_name);
        }
        ::closedir(d);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    names.reserve(found.size());
    for (auto& [key, name] : found)
        names.push_back(std::move(name));
    return names;
}

TMessageFileStream::TMessageFileStream(int Handle, std::size_t Pause, std::function<void()> Between)
    : FHandle(Handle), FPause(Pause), FBetween(std::move(Between))
{
}

Int64 TMessageFileStream::Read(void* Buffer, Int64 Count)
{
    if (Count <= 0)
        return 0;
    if (!FEnded) {
        if (FSinceBetween >= FPause && FBetween) {
            FSinceBetween = 0;
            FBetween();
        }
        const Integer n = FileRead(FHandle, Buffer, static_cast<Integer>(std::min<Int64>(Count, kReadChunk)));
        if (n > 0) {
            FPosition += n;
            FSinceBetween += static_cast<std::size_t>(n);
            return n;
        }
        FEnded = true;
        if (n < 0)
            FTail = "\r\nFile Read Error!\r\n";
    }
    const std::size_t n = std::min(static_cast<std::size_t>(Count), FTail.size() - FTailAt);
    std::memcpy(Buffer, FTail.data() + FTailAt, n);
    FTailAt += n;
    FPosition += static_cast<Int64>(n);
    return static_cast<Int64>(n);
}

Int64 TMessageFileStream::Write(const void*, Int64) { return 0; }

// Read from start to end only: the position can be asked, not moved.
Int64 TMessageFileStream::Seek(Int64, TSeekOrigin) { return FPosition; }

std::string FindTerminal()
{
    std::vector<std::string> names;
    if (const char* own = std::getenv("TERMINAL"); own && *own)
        names.emplace_back(own);
    names.emplace_back("x-terminal-emulator");
    names.emplace_back("xterm");
    const char* pathVar = std::getenv("PATH");
    const std::string path = pathVar ? pathVar : "";
    for (const std::string& name : names) {
        if (name.find('/') != std::string::npos) {
            if (IsProgram(name))
                return name;
            continue;
        }
        for (std::size_t at = 0; at <= path.size();) {
            std::size_t end = path.find(':', at);
            if (end == std::string::npos)
                end = path.size();
            // An empty entry is the current folder.
            const std::string dir = end > at ? path.substr(at, end - at) : ".";
            if (IsProgram(dir + "/" + name))
                return dir + "/" + name;
            at = end + 1;
        }
    }
    return std::string();
}

bool OpenInTextEditor(const std::string& Path)
{
    const auto answer = reinterpret_cast<std::intptr_t>(
        ShellExecute(nullptr, nullptr, "notepad.exe", Path.c_str(), ".", SW_SHOWNORMAL));
    if (answer > 32)
        return true;
    if (answer != SE_ERR_NOASSOC)
        return false;
    // No opener on this desktop: the user's own editor (the command may carry arguments; the path
    // goes in as an argument of its own), in a terminal emulator where there is one, since the
    // usual choices (vi, nano) need a terminal and the program has none to lend.
    const char* editor = std::getenv("VISUAL");
    if (!editor || !*editor)
        editor = std::getenv("EDITOR");
    if (!editor || !*editor)
        return false;
    const std::string command = std::string(editor) + " \"$1\"";
    if (RunAndWait({"/bin/sh", "-n", "-c", command}) != 0)
        return false;
    std::vector<std::string> run;
    if (const std::string terminal = FindTerminal(); !terminal.empty())
        run = {terminal, "-e"};
    run.insert(run.end(), {"/bin/sh", "-c", command, "sh", Path});
    // Started by a shell that leaves it running on its own.
    std::vector<std::string> launcher{"/bin/sh", "-c", "\"$@\" </dev/null >/dev/null 2>&1 &", "sh"};
    launcher.insert(launcher.end(), run.begin(), run.end());
    return RunAndWait(launcher) == 0;
}

}  // namespace rx

// ---- the main window's archive -------------------------------------------------------------------

void TRxForm::LoadMessageTree()
{
    // One bracket: the rows, bars and picture are made once, for the whole archive. The names
    // come in date and time order, so each node goes at the end of its list.
    TExUpdateGuard bracket(TreeView1->Model());
    TExTreeItems* items = TreeView1->Items();
    items->Clear();
    TExTreeItem* date = nullptr;
    rx::TMessageStamp last;
    for (const std::string& name : rx::ListMessageFiles(rx::kMessageDir)) {
        rx::TMessageStamp stamp;
        rx::ParseMessageName(name, stamp);
        if (!date || stamp.Year != last.Year || stamp.Month != last.Month || stamp.Day != last.Day)
            date = items->Add(nullptr, rx::DateNodeText(stamp));
        items->AddChild(date, rx::TimeNodeText(stamp));
        last = stamp;
    }
    bracket.Done();
}

void TRxForm::AddMessageToTree(const std::string& FileName)
{
    rx::TMessageStamp stamp;
    if (!rx::ParseMessageName(FileName, stamp))
        return;
    const std::string dateText = rx::DateNodeText(stamp);
    const std::string timeText = rx::TimeNodeText(stamp);
    TExTreeItems* items = TreeView1->Items();
    TExUpdateGuard bracket(TreeView1->Model());
    TExTreeItem* date = nullptr;
    const Integer roots = items->RootCount();
    if (roots == 0) {
        date = items->Add(nullptr, dateText);
    } else {
        // The date nodes are in order: the first one not before the new date, found by halving.
        Integer lo = 0, hi = roots;
        while (lo < hi) {
            const Integer mid = lo + (hi - lo) / 2;
            if (rx::CompareDateNode(stamp.Day, stamp.Month, stamp.Year, items->RootItem(mid)->Text()) > 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == roots)
            date = items->InsertAfter(items->RootItem(roots - 1), dateText);
        else if (rx::CompareDateNode(stamp.Day, stamp.Month, stamp.Year, items->RootItem(lo)->Text()) < 0)
            date = items->Insert(items->RootItem(lo), dateText);
        else
            date = items->RootItem(lo);
    }
    const Integer count = date->Count();
    if (count == 0) {
        items->AddChild(date, timeText);
    } else {
        // The first time node equal to or after the new time. An equal one stands for the same
        // file already (messages of one second share it): the file keeps its one node.
        Integer lo = 0, hi = count;
        while (lo < hi) {
            const Integer mid = lo + (hi - lo) / 2;
            if (date->Items(mid)->Text() < timeText)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == count)
            items->InsertAfter(date->Items(count - 1), timeText);
        else if (date->Items(lo)->Text() != timeText)
            items->Insert(date->Items(lo), timeText);
    }
    bracket.Done();
}

void TRxForm::TreeView1AfterSelectionChange(TObject*)
{
    if (ViewerLoading) {
        ViewerStale = true;
        return;
    }
    TExTreeItem* focused = TreeView1->GetFocused();
    if (!focused || !focused->Parent()) {
        MessageMemo->Lines()->SetText(" ");
        return;
    }
    ShowMessageFile(focused->Parent()->Text(), focused->Text());
}

void TRxForm::ShowMessageFile(const std::string& DateText, const std::string& TimeText)
{
    if (ViewerLoading) {
        ViewerStale = true;
        return;
    }
    const std::string path = rx::MessageFilePath(DateText, TimeText);
    const int h = FileOpen(path, fmOpenRead | fmShareDenyWrite);
    if (h < 0) {
        MessageMemo->Lines()->SetText("File Open Error!\r\n" + path + " " + (DateText.size() >= 5 ? DateText.substr(3, 2) : ""));
        return;
    }
    // Reception goes on while a large file is read: between its pieces the sound buffers that
    // came meanwhile are worked. They may save a message, and their painting lets the message
    // loop run: a new showing asked for meanwhile is made once this one is done.
    rx::TMessageFileStream stream(h, rx::kViewerPause, [this] {
        for (int n = Sound->BuffersWaiting(); n > 0 && !Sound->QueueBusy(); --n)
            Sound->ProcessSoundQueue();
    });
    {
        ViewerLoading = true;
        struct TLoadEnd {
            bool& Loading;
            int Handle;
            ~TLoadEnd()
            {
                Loading = false;
                FileClose(Handle);
            }
        } loadEnd{ViewerLoading, h};
        // The bytes go in whole: a NUL among them becomes a blank instead of ending them.
        MessageMemo->Lines()->LoadFromStream(&stream);
    }
    if (std::exchange(ViewerStale, false))
        TreeView1AfterSelectionChange(TreeView1);
}

void TRxForm::TreeView1DblClick(TObject*)
{
    TExTreeItem* focused = TreeView1->GetFocused();
    if (focused && focused->Parent())
        OpenMessageInNotepad(focused->Parent()->Text(), focused->Text());
}

void TRxForm::OpenMessageInNotepad(const std::string& DateText, const std::string& TimeText)
{
    rx::OpenInTextEditor(rx::MessageFilePath(DateText, TimeText));
}

void TRxForm::TreeView1CompareItems(TObject*, TExTreeItem* Item1, TExTreeItem* Item2, Integer& Res)
{
    if (Item1->Level() > 0) {
        const int c = Item1->Text().compare(Item2->Text());
        Res = c < 0 ? -1 : c > 0 ? 1 : 0;
        return;
    }
    const int c = rx::CompareDateTexts(Item1->Text(), Item2->Text());
    Res = c < 0 ? -1 : c > 0 ? 1 : 0;
}
