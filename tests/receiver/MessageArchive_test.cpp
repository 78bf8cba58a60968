// The message archive: file names and node texts, the tree built from files in any order, the
// viewer on what the files hold (and on what cannot be read), the editor on a double click, and
// messages saved while the program runs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "platform/DateUtils.h"
#include "platform/FileUtils.h"
#include "platform/ShellApi.h"
#include "receiver/MessageArchive.h"
#include "tests/receiver/RxWindowTest.h"
#include "tree/Extree.h"

namespace {

using namespace rxtest;
using namespace std::string_literals;
namespace fs = std::filesystem;

// Sets an environment variable (unsets it for null) for as long as it lives.
struct TScopedEnv {
    TScopedEnv(const char* name, const char* value) : Name(name)
    {
        if (const char* old = getenv(name))
            Old = old;
        Had = getenv(name) != nullptr;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~TScopedEnv() { Had ? setenv(Name, Old.c_str(), 1) : unsetenv(Name); }
    const char* Name;
    std::string Old;
    bool Had = false;
};

// ---- names and node texts

TEST(MessageNames, TheProgramsOwnNamesAndTheirLimits)
{
    rx::TMessageStamp s;
    ASSERT_TRUE(rx::ParseMessageName("070315-061502.TXT", s));
    EXPECT_EQ(rx::DateNodeText(s), "15 Mar 07");
    EXPECT_EQ(rx::TimeNodeText(s), "06:15:02");
    EXPECT_TRUE(rx::ParseMessageName("991231-245959.TXT", s));  // hour 24 stays readable
    EXPECT_EQ(rx::TimeNodeText(s), "24:59:59");
    EXPECT_TRUE(rx::ParseMessageName("000101-000000.TXT", s));
    EXPECT_EQ(rx::DateNodeText(s), "01 Jan 00");
    for (const char* bad : {"071315-000000.TXT", "070015-000000.TXT", "070300-000000.TXT", "070332-000000.TXT",
                            "070315-250000.TXT", "070315-006000.TXT", "070315-000060.TXT",
                            // signs and blanks that a number reader would take
                            "+70315-061502.TXT", "07-315-061502.TXT", " 70315-061502.TXT", "070315-+61502.TXT",
                            // other cases and shapes: the name rebuilt from the nodes would not open them
                            "070315-061502.txt", "070315-061502.Txt", "070315_061502.TXT", "070315-061502.TXT.bak",
                            "0703150-61502.TXT", "70315-061502.TXT", ""})
        EXPECT_FALSE(rx::ParseMessageName(bad, s)) << bad;
    // A letter in any of the twelve digit places.
    for (std::size_t at : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12}) {
        std::string name = "070315-061502.TXT";
        name[at] = 'a';
        EXPECT_FALSE(rx::ParseMessageName(name, s)) << name;
    }
}

TEST(MessageNames, MonthsAndDatesCompareInCalendarOrder)
{
    EXPECT_EQ(rx::MonthNumber("Jan"), 1);
    EXPECT_EQ(rx::MonthNumber("Dec"), 12);
    EXPECT_EQ(rx::MonthNumber("mar"), 0);
    EXPECT_EQ(rx::MonthNumber("Marc"), 0);
    EXPECT_EQ(rx::FullYear(0), 2000);
    EXPECT_EQ(rx::FullYear(68), 2068);
    EXPECT_EQ(rx::FullYear(69), 1969);
    EXPECT_EQ(rx::FullYear(99), 1999);
    EXPECT_EQ(rx::CompareDateNode(15, 3, 7, "15 Mar 07"), 0);
    EXPECT_LT(rx::CompareDateNode(14, 3, 7, "15 Mar 07"), 0);
    EXPECT_GT(rx::CompareDateNode(1, 4, 7, "15 Mar 07"), 0);
    EXPECT_GT(rx::CompareDateNode(1, 1, 8, "31 Dec 07"), 0);
    // Two-digit years: the last century's messages come before this one's.
    EXPECT_LT(rx::CompareDateNode(31, 12, 99, "01 Jan 07"), 0);
    EXPECT_GT(rx::CompareDateNode(1, 1, 0, "31 Dec 99"), 0);
    EXPECT_LT(rx::CompareDateTexts("31 Dec 99", "01 Jan 00"), 0);
    EXPECT_GT(rx::CompareDateTexts("02 Jan 00", "01 Jan 00"), 0);
    EXPECT_EQ(rx::MessageFilePath("15 Mar 07", "06:15:02"), "Messages/070315-061502.TXT");
    EXPECT_EQ(rx::MessageFilePath("01 Dec 99", "24:00:09"), "Messages/991201-240009.TXT");
}

// ---- the window's tree and viewer

class Archive : public RxWindow {
protected:
    void SetUp() override
    {
        RxWindow::SetUp();
        SetShellLauncher([this](const std::string& program, const std::vector<std::string>& args, const std::string&) {
            Launched.push_back(program + (args.empty() ? "" : " " + args.front()));
            return LauncherWorks;
        });
    }
    void TearDown() override
    {
        SetShellLauncher(nullptr);
        SetLocalTimeSource({});
        RxWindow::TearDown();
    }
    static void Write(const std::string& path, const std::string& bytes)
    {
        if (fs::path(path).has_parent_path()) fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    TExTreeItems* Items() { return form->TreeView1->Items(); }
    // "date(time,time) date(time)" from the tree.
    std::string Shape()
    {
        std::string out;
        for (Integer i = 0; i < Items()->RootCount(); ++i) {
            TExTreeItem* d = Items()->RootItem(i);
            out += (i ? " " : "") + d->Text() + "(";
            for (Integer j = 0; j < d->Count(); ++j) out += (j ? "," : "") + d->Items(j)->Text();
            out += ")";
        }
        return out;
    }
    std::string Viewer() { return form->MessageMemo->GetTextPart(0, form->MessageMemo->TextLen()); }
    TExTreeItem* Node(const std::string& date, const std::string& time = "")
    {
        for (Integer i = 0; i < Items()->RootCount(); ++i) {
            TExTreeItem* d = Items()->RootItem(i);
            if (d->Text() != date) continue;
            if (time.empty()) return d;
            for (Integer j = 0; j < d->Count(); ++j)
                if (d->Items(j)->Text() == time) return d->Items(j);
        }
        return nullptr;
    }
    void Select(TExTreeItem* item)
    {
        form->TreeView1->SetFocused(item);
        form->TreeView1AfterSelectionChange(form->TreeView1);
    }

    std::vector<std::string> Launched;
    bool LauncherWorks = true;
};

TEST_F(Archive, FilesInAnyOrderGiveDatesAndTimesInOrder)
{
    std::vector<std::string> names{"070315-061502.TXT", "070314-235959.TXT", "070315-061501.TXT"};
    std::sort(names.begin(), names.end());
    do {
        Items()->Clear();
        for (const auto& n : names) form->AddMessageToTree(n);
        EXPECT_EQ(Shape(), "14 Mar 07(23:59:59) 15 Mar 07(06:15:01,06:15:02)") << names[0] << names[1] << names[2];
    } while (std::next_permutation(names.begin(), names.end()));
}

TEST_F(Archive, LoadingTakesTheProgramsNamesOnlyAndSortsAcrossTheCentury)
{
    for (const char* name : {"070315-061502.TXT", "990101-120000.TXT", "070314-235959.TXT", "070315-240000.TXT",
                             "000229-000001.TXT", "071315-000000.TXT", "070315-061503.txt", "+70315-061502.TXT",
                             "07031a-061502.TXT", "notes.TXT"})
        Write("Messages/"s + name, name);
    fs::create_directory("Messages/070316-000000.TXT");  // a folder so named is no message
    Write("070317-000000.TXT", "outside the folder");
    form->LoadMessageTree();
    EXPECT_EQ(Shape(), "01 Jan 99(12:00:00) 29 Feb 00(00:00:01) 14 Mar 07(23:59:59) 15 Mar 07(06:15:02,24:00:00)");
    EXPECT_EQ(form->TreeView1->GetFocused(), nullptr);
    // Loading again starts afresh.
    fs::remove("Messages/990101-120000.TXT");
    form->LoadMessageTree();
    EXPECT_EQ(Shape(), "29 Feb 00(00:00:01) 14 Mar 07(23:59:59) 15 Mar 07(06:15:02,24:00:00)");
}

TEST_F(Archive, FirstActivationLoadsTheArchiveOnce)
{
    Write("Messages/070315-061502.TXT", "ZCZC\r\n");
    form->FormActivate(form);
    EXPECT_EQ(Shape(), "15 Mar 07(06:15:02)");
    Write("Messages/070316-061502.TXT", "ZCZC\r\n");
    form->FormActivate(form);
    EXPECT_EQ(Shape(), "15 Mar 07(06:15:02)");
}

// Messages of one second share a file, and the file has one node, however often it was written.
TEST_F(Archive, EqualTimesShareTheOneNodeOfTheirFile)
{
    Write("Messages/070315-061502.TXT", "ZCZC A\r\nNNNN\r\nZCZC B\r\nNNNN\r\n");
    form->AddMessageToTree("070315-061502.TXT");
    form->AddMessageToTree("070315-061503.TXT");
    form->AddMessageToTree("070315-061501.TXT");
    form->AddMessageToTree("070315-061502.TXT");
    form->AddMessageToTree("070315-061502.TXT");
    EXPECT_EQ(Shape(), "15 Mar 07(06:15:01,06:15:02,06:15:03)");
    Select(Node("15 Mar 07")->Items(1));
    EXPECT_EQ(Viewer(), "ZCZC A\r\nNNNN\r\nZCZC B\r\nNNNN\r\n");
}

TEST_F(Archive, TheViewerFollowsTheFocusedNode)
{
    Write("Messages/070315-061502.TXT", "ZCZC AB12\r\nGALE\r\nNNNN\r\n");
    form->LoadMessageTree();
    Select(Node("15 Mar 07", "06:15:02"));
    EXPECT_EQ(Viewer(), "ZCZC AB12\r\nGALE\r\nNNNN\r\n");
    Select(Node("15 Mar 07"));
    EXPECT_EQ(Viewer(), " ");
    Select(Node("15 Mar 07", "06:15:02"));
    Select(nullptr);
    EXPECT_EQ(Viewer(), " ");
    // A file gone from the disk: its node stays and says so.
    form->AddMessageToTree("070315-061503.TXT");
    Select(Node("15 Mar 07", "06:15:03"));
    EXPECT_EQ(Viewer(), "File Open Error!\r\nMessages/070315-061503.TXT Ma");
}

TEST_F(Archive, FilesThatComeAndGoWhileTheArchiveShowsThem)
{
    Write("Messages/070315-061502.TXT", "ZCZC FIRST\r\nNNNN\r\n");
    Write("Messages/070315-061503.TXT", "ZCZC SECOND\r\nNNNN\r\n");
    form->LoadMessageTree();
    TExTreeItem* first = Node("15 Mar 07", "06:15:02");
    Select(first);
    EXPECT_EQ(Viewer(), "ZCZC FIRST\r\nNNNN\r\n");
    // Deleted by another program while shown: the text shown stays until the node is chosen again,
    // and the node stays too.
    fs::remove("Messages/070315-061502.TXT");
    EXPECT_EQ(Viewer(), "ZCZC FIRST\r\nNNNN\r\n");
    Select(Node("15 Mar 07", "06:15:03"));
    Select(first);
    EXPECT_EQ(Viewer(), "File Open Error!\r\nMessages/070315-061502.TXT Ma");
    EXPECT_EQ(Shape(), "15 Mar 07(06:15:02,06:15:03)");
    // Written again, longer, and read afresh; a folder in its place is no file to open.
    Write("Messages/070315-061502.TXT", "ZCZC FIRST AGAIN\r\n" + std::string(5000, 'X') + "\r\nNNNN\r\n");
    Select(first);
    EXPECT_EQ(Viewer(), "ZCZC FIRST AGAIN\r\n" + std::string(5000, 'X') + "\r\nNNNN\r\n");
    fs::remove("Messages/070315-061502.TXT");
    fs::create_directory("Messages/070315-061502.TXT");
    Select(first);
    EXPECT_EQ(Viewer(), "File Open Error!\r\nMessages/070315-061502.TXT Ma");
    // A file another program puts in the folder gets no node of its own; a later load shows it.
    Write("Messages/070314-000000.TXT", "ZCZC THIRD\r\nNNNN\r\n");
    EXPECT_EQ(Shape(), "15 Mar 07(06:15:02,06:15:03)");
    fs::remove("Messages/070315-061503.TXT");
    form->LoadMessageTree();
    EXPECT_EQ(Shape(), "14 Mar 07(00:00:00)");
    EXPECT_EQ(form->TreeView1->GetFocused(), nullptr);
    // The whole folder gone: an empty tree, and nothing shown.
    fs::remove_all("Messages");
    form->LoadMessageTree();
    EXPECT_EQ(Shape(), "");
    form->TreeView1AfterSelectionChange(form->TreeView1);
    EXPECT_EQ(Viewer(), " ");
}

TEST_F(Archive, TheViewerShowsEveryByteOfTheFile)
{
    // Text after a zero byte, bytes beyond ASCII (the Russian set's letters), a megabyte without
    // a line break.
    const std::string zero = "ZCZC\r\nBEFORE\0AFTER\r\nNNNN\r\n"s;
    const std::string cyrillic = "ZCZC\r\n\xcf\xd0\xc8\xc2\xc5\xd2 \xec\xe8\xf0\r\nNNNN\r\n";
    std::string big(1 << 20, 'W');
    for (std::size_t i = 1000; i < big.size(); i += 1000) big[i] = ' ';
    Write("Messages/070315-010000.TXT", zero);
    Write("Messages/070315-020000.TXT", cyrillic);
    Write("Messages/070315-030000.TXT", big);
    Write("Messages/070315-040000.TXT", "");
    form->LoadMessageTree();
    Select(Node("15 Mar 07", "01:00:00"));
    EXPECT_EQ(Viewer(), "ZCZC\r\nBEFORE AFTER\r\nNNNN\r\n");
    Select(Node("15 Mar 07", "02:00:00"));
    EXPECT_EQ(Viewer(), cyrillic);
    EXPECT_EQ(form->MessageMemo->Font()->Charset(), form->RxMemo->Font()->Charset());
    Select(Node("15 Mar 07", "03:00:00"));
    EXPECT_EQ(form->MessageMemo->TextLen(), static_cast<Integer>(big.size()));
    EXPECT_EQ(Viewer(), big);
    Select(Node("15 Mar 07", "04:00:00"));
    EXPECT_EQ(Viewer(), "");
}

TEST_F(Archive, AFileThatCannotBeReadIsNotShownAsWhole)
{
    // Reading this file fails at once (its first page is never mapped).
    fs::create_directories("Messages");
    ASSERT_EQ(symlink("/proc/self/mem", "Messages/070315-061502.TXT"), 0);
    form->AddMessageToTree("070315-061502.TXT");
    Select(Node("15 Mar 07", "06:15:02"));
    EXPECT_EQ(Viewer(), "\r\nFile Read Error!\r\n");
}

TEST_F(Archive, ADoubleClickOpensATimeNodesFileInTheEditor)
{
    Write("Messages/070315-061502.TXT", "ZCZC\r\n");
    form->LoadMessageTree();
    Select(Node("15 Mar 07"));
    form->TreeView1DblClick(form->TreeView1);
    EXPECT_TRUE(Launched.empty());
    Select(Node("15 Mar 07", "06:15:02"));
    form->TreeView1DblClick(form->TreeView1);
    form->MessageMemo->OnDblClick(form->MessageMemo);
    ASSERT_EQ(Launched.size(), 2u);
    EXPECT_EQ(Launched[0], "xdg-open ./Messages/070315-061502.TXT");
    Select(nullptr);
    form->TreeView1DblClick(form->TreeView1);
    EXPECT_EQ(Launched.size(), 2u);
}

TEST_F(Archive, WithoutAnOpenerTheUsersEditorOpensTheFile)
{
    Write("Messages/070315-061502.TXT", "ZCZC\r\n");
    const std::string mark = Dir.Path("opened with");
    Write(Dir.Path("editor.sh"), "#!/bin/sh\necho \"$1\" > '" + mark + "'\n");
    ASSERT_EQ(chmod(Dir.Path("editor.sh").c_str(), 0755), 0);
    LauncherWorks = false;
    // No terminal emulator to be found: the editor starts on its own.
    const TScopedEnv path("PATH", Dir.Dir.c_str()), terminal("TERMINAL", nullptr);
    const char* visual = getenv("VISUAL");
    const std::string oldVisual = visual ? visual : "";
    setenv("VISUAL", Dir.Path("editor.sh").c_str(), 1);
    form->AddMessageToTree("070315-061502.TXT");
    Select(Node("15 Mar 07", "06:15:02"));
    form->TreeView1DblClick(form->TreeView1);
    if (visual)
        setenv("VISUAL", oldVisual.c_str(), 1);
    else
        unsetenv("VISUAL");
    // The editor runs on its own; wait for its mark.
    for (int i = 0; i < 500 && !fs::exists(mark); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(mark);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "Messages/070315-061502.TXT");
}

TEST_F(Archive, TheEditorsAnswers)
{
    Write("Messages/070315-061502.TXT", "ZCZC\r\n");
    const std::string mark = Dir.Path("opened with");
    Write(Dir.Path("editor.sh"), "#!/bin/sh\necho \"$1\" > '" + mark + "'\n");
    ASSERT_EQ(chmod(Dir.Path("editor.sh").c_str(), 0755), 0);
    const TScopedEnv path("PATH", Dir.Dir.c_str()), terminal("TERMINAL", nullptr);
    const char* visual = getenv("VISUAL");
    const char* editor = getenv("EDITOR");
    const std::string oldVisual = visual ? visual : "", oldEditor = editor ? editor : "";
    setenv("VISUAL", "", 1);
    setenv("EDITOR", Dir.Path("editor.sh").c_str(), 1);
    EXPECT_TRUE(rx::OpenInTextEditor("Messages/070315-061502.TXT"));
    EXPECT_EQ(Launched.size(), 1u);
    // A file that is not there opens nothing, not even in the user's editor.
    LauncherWorks = false;
    EXPECT_FALSE(rx::OpenInTextEditor("Messages/070315-061503.TXT"));
    // Without an opener: the editor of EDITOR when VISUAL is empty; nothing when both are.
    EXPECT_TRUE(rx::OpenInTextEditor("Messages/070315-061502.TXT"));
    for (int i = 0; i < 500 && !fs::exists(mark); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fs::exists(mark));
    // An editor setting the shell cannot read starts nothing and says so.
    setenv("EDITOR", "'", 1);
    EXPECT_FALSE(rx::OpenInTextEditor("Messages/070315-061502.TXT"));
    setenv("EDITOR", "", 1);
    EXPECT_FALSE(rx::OpenInTextEditor("Messages/070315-061502.TXT"));
    visual ? setenv("VISUAL", oldVisual.c_str(), 1) : unsetenv("VISUAL");
    editor ? setenv("EDITOR", oldEditor.c_str(), 1) : unsetenv("EDITOR");
}

TEST_F(Archive, ShowingMessagesLeavesNoFileOpen)
{
    Write("Messages/070315-061502.TXT", "ZCZC\r\nNNNN\r\n");
    form->LoadMessageTree();
    auto open = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}); };
    const auto before = open();
    for (int i = 0; i < 20; ++i) {
        Select(Node("15 Mar 07", "06:15:02"));
        Select(Node("15 Mar 07"));
    }
    EXPECT_EQ(open(), before);
}

TEST_F(Archive, TheComparisonHandlerGivesTheInsertionOrder)
{
    form->AddMessageToTree("991231-235959.TXT");
    form->AddMessageToTree("000101-000000.TXT");
    form->AddMessageToTree("000101-000001.TXT");
    TExTreeItem* a = Node("31 Dec 99");
    TExTreeItem* b = Node("01 Jan 00");
    Integer res = 0;
    ASSERT_TRUE(form->TreeView1->OnCompareItems);
    form->TreeView1->OnCompareItems(form->TreeView1, a, b, res);
    EXPECT_EQ(res, -1);
    form->TreeView1->OnCompareItems(form->TreeView1, b, a, res);
    EXPECT_EQ(res, 1);
    form->TreeView1->OnCompareItems(form->TreeView1, b, b, res);
    EXPECT_EQ(res, 0);
    form->TreeView1->OnCompareItems(form->TreeView1, b->Items(1), b->Items(0), res);
    EXPECT_EQ(res, 1);
    form->TreeView1->OnCompareItems(form->TreeView1, b->Items(0), b->Items(1), res);
    EXPECT_EQ(res, -1);
    form->TreeView1->OnCompareItems(form->TreeView1, b->Items(0), b->Items(0), res);
    EXPECT_EQ(res, 0);
    EXPECT_EQ(form->TreeView1->SortMode(), smNone);
    EXPECT_EQ(form->TreeView1->SortType(), stCustom);
}

TEST_F(Archive, ThousandsOfMessagesInRandomOrderEndInOrder)
{
    std::mt19937 rng(7);
    std::vector<std::string> names;
    std::set<std::string> keys;  // a second named twice is one file
    for (int i = 0; i < 6000; ++i) {
        const int y = static_cast<int>(rng() % 3) * 46 + 50;  // 50, 96 and 42: both centuries
        auto r = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        const int month = 1 + r(12), day = 1 + r(28), hour = r(24), minute = r(60), second = r(3);
        const std::string name =
            Format("%02d%02d%02d-%02d%02d%02d.TXT", y % 100, month, day, hour, minute, second);
        names.push_back(name);
        keys.insert(Format("%04d", rx::FullYear(y % 100)) + name.substr(2, 11));
    }
    Items()->BeginUpdate();
    for (const auto& n : names) form->AddMessageToTree(n);
    Items()->EndUpdate();
    std::vector<std::string> order;
    for (Integer i = 0; i < Items()->RootCount(); ++i) {
        TExTreeItem* d = Items()->RootItem(i);
        for (Integer j = 0; j < d->Count(); ++j) {
            const std::string path = rx::MessageFilePath(d->Text(), d->Items(j)->Text());
            order.push_back(Format("%04d", rx::FullYear(std::stoi(path.substr(9, 2)))) + path.substr(11, 11));
        }
    }
    EXPECT_EQ(order, std::vector<std::string>(keys.begin(), keys.end()));
    EXPECT_EQ(Items()->Count() - Items()->RootCount(), static_cast<Integer>(keys.size()));
}

// ---- messages saved while the program runs

class LiveArchive : public Archive {
protected:
    void SetClock(Word day, Word h, Word mi, Word s)
    {
        Clock = TSystemTime{2007, 3, 0, day, h, mi, s, 0};
        SetLocalTimeSource([this] { return Clock; });
    }
    void Receive(const std::string& text)
    {
        for (char c : text) form->AppendReceivedChar(c);
    }
    TSystemTime Clock;
};

TEST_F(LiveArchive, ASavedMessageGetsItsNodeAndTheFocusStays)
{
    Write("Messages/070315-061502.TXT", "ZCZC OLD\r\nNNNN\r\n");
    form->LoadMessageTree();
    TExTreeItem* old = Node("15 Mar 07", "06:15:02");
    Select(old);
    SetClock(15, 6, 0, 0);
    Receive("ZCZC EARLIER\r\nNNNN");
    EXPECT_EQ(Shape(), "15 Mar 07(06:00:00,06:15:02)");
    EXPECT_EQ(form->TreeView1->GetFocused(), old);
    EXPECT_EQ(Viewer(), "ZCZC OLD\r\nNNNN\r\n");
    // A new day, and then a second message of the same second.
    SetClock(16, 0, 0, 1);
    Receive("\r\nZCZC NEXT\r\nNNNN");
    Receive("\r\nZCZC SAME\r\nNNNN");
    EXPECT_EQ(Shape(), "15 Mar 07(06:00:00,06:15:02) 16 Mar 07(00:00:01)");
    EXPECT_EQ(form->TreeView1->GetFocused(), old);
    Select(Node("16 Mar 07", "00:00:01"));
    EXPECT_EQ(Viewer(), "ZCZC NEXT\r\nNNNN\r\nZCZC SAME\r\nNNNN\r\n");
}

TEST_F(LiveArchive, WithoutFocusTheViewerStaysBlankAndAFailedSaveAddsNoNode)
{
    form->LoadMessageTree();
    SetClock(15, 6, 0, 0);
    Receive("ZCZC ONE\r\nNNNN");
    EXPECT_EQ(Shape(), "15 Mar 07(06:00:00)");
    EXPECT_EQ(form->TreeView1->GetFocused(), nullptr);
    EXPECT_EQ(Viewer(), " ");
    // The folder becomes unwritable: the message waits, and no node stands for a missing file.
    ASSERT_EQ(chmod(Dir.Dir.c_str(), 0777), 0);
    ASSERT_EQ(chmod("Messages", 0555), 0);
    const bool asRoot = geteuid() == 0;
    if (asRoot)
        setfsuid(65534);
    SetClock(15, 7, 0, 0);
    Receive("\r\nZCZC TWO\r\nNNNN");
    if (asRoot)
        setfsuid(0);
    EXPECT_EQ(Shape(), "15 Mar 07(06:00:00)");
    EXPECT_EQ(Boxes, std::vector<std::string>{"File Error|File Open Error!\nMessages/070315-070000.TXT"});
    ASSERT_EQ(chmod("Messages", 0755), 0);
    SetClock(15, 8, 0, 0);
    Receive("\r\nZCZC THREE\r\nNNNN");
    EXPECT_EQ(Shape(), "15 Mar 07(06:00:00,07:00:00,08:00:00)");
}

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

// What the heap holds, as the allocator counts it.
std::size_t HeapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// A receiver left running keeps, for each message it saves, its node in the tree and little else:
// each saved message changes the tree's scroll bar, and its pictures, drawn anew, must not stay.
TEST_F(LiveArchive, MemoryGrowsByTheNodeOfASavedMessageOnly)
{
    form->Show();
    form->FormActivate(form);
    int n = 0;
    auto save = [&](int count) {
        for (int end = n + count; n < end; ++n) {
            SetClock(15, static_cast<Word>(n / 3600), static_cast<Word>(n / 60 % 60), static_cast<Word>(n % 60));
            Receive(Format("ZCZC A%d\r\nGALE WARNING\r\nNNNN\r\n", n));
            uitest::Pump();
        }
    };
    save(30);
    const std::size_t before = HeapInUse();
    save(200);
    const std::size_t grown = HeapInUse() - before;
    ASSERT_EQ(Items()->Count(), 231);
    // A node takes under a kilobyte; what each message's pictures took was some 25 kB.
    EXPECT_LT(grown / 200, 4096u) << grown;
}

// The viewer reads its file again for a saved message only when that message went into the file
// it shows: a large message shown is not read anew for every message received.
TEST_F(LiveArchive, TheViewerRereadsOnlyTheFileThatChanged)
{
    Write("Messages/070315-061502.TXT", "ZCZC SHOWN\r\nNNNN\r\n");
    form->LoadMessageTree();
    Select(Node("15 Mar 07", "06:15:02"));
    // Changed behind the program's back: a new reading would show it.
    Write("Messages/070315-061502.TXT", "ZCZC SHOWN\r\nEDITED\r\nNNNN\r\n");
    SetClock(15, 6, 15, 3);
    Receive("ZCZC OTHER\r\nNNNN");
    SetClock(16, 0, 0, 0);
    Receive("\r\nZCZC NEXT DAY\r\nNNNN");
    EXPECT_EQ(Shape(), "15 Mar 07(06:15:02,06:15:03) 16 Mar 07(00:00:00)");
    EXPECT_EQ(Viewer(), "ZCZC SHOWN\r\nNNNN\r\n");
    // A message of the second shown goes into the shown file: the viewer shows the file as it is.
    SetClock(15, 6, 15, 2);
    Receive("\r\nZCZC SAME\r\nNNNN");
    EXPECT_EQ(Viewer(), "ZCZC SHOWN\r\nEDITED\r\nNNNN\r\nZCZC SAME\r\nNNNN\r\n");
    // A date node focused: the viewer stays blank whatever is saved.
    Select(Node("15 Mar 07"));
    SetClock(15, 6, 15, 4);
    Receive("\r\nZCZC LATER\r\nNNNN");
    EXPECT_EQ(Viewer(), " ");
}

// Without a desktop opener the user's editor (vi, nano: they need a terminal) runs in a terminal
// emulator: $TERMINAL, else x-terminal-emulator, else xterm, the first one found.
TEST_F(Archive, WithoutAnOpenerTheEditorRunsInATerminalEmulator)
{
    fs::create_directories(Dir.Path("bin"));
    fs::create_directories(Dir.Path("own"));
    const std::string args = Dir.Path("terminal args"), opened = Dir.Path("opened with");
    // A terminal that notes its name and arguments, then runs what follows its -e.
    auto terminal = [&](const std::string& path) {
        Write(path, "#!/bin/sh\n{ echo \"$0\"; for a in \"$@\"; do echo \"[$a]\"; done; } > '" + args +
                        "'\nshift\nexec \"$@\"\n");
        ASSERT_EQ(chmod(path.c_str(), 0755), 0);
    };
    terminal(Dir.Path("bin/xterm"));
    terminal(Dir.Path("bin/x-terminal-emulator"));
    terminal(Dir.Path("own/myterm"));
    Write(Dir.Path("bin/not-a-program"), "");
    const TScopedEnv path("PATH", (Dir.Path("none") + ":" + Dir.Path("bin")).c_str());
    const std::string none = "(none)";
    const struct {
        std::string Terminal;  // $TERMINAL; "(none)" leaves it unset
        std::vector<const char*> Remove;
        std::string Found;
    } cases[] = {
        {none, {}, Dir.Path("bin/x-terminal-emulator")},
        {"", {}, Dir.Path("bin/x-terminal-emulator")},
        {"xterm", {}, Dir.Path("bin/xterm")},
        {"myterm", {}, Dir.Path("bin/x-terminal-emulator")},  // not on the path
        {Dir.Path("own/myterm"), {}, Dir.Path("own/myterm")},
        {Dir.Path("own/missing"), {}, Dir.Path("bin/x-terminal-emulator")},
        {"not-a-program", {"bin/x-terminal-emulator"}, Dir.Path("bin/xterm")},
        {none, {"bin/xterm"}, ""},
    };
    for (const auto& c : cases) {
        for (const char* gone : c.Remove)
            fs::remove(Dir.Path(gone));
        const TScopedEnv own("TERMINAL", c.Terminal == none ? nullptr : c.Terminal.c_str());
        EXPECT_EQ(rx::FindTerminal(), c.Found) << c.Terminal;
    }

    // The whole way, from a double click, with an editor setting that carries an argument.
    terminal(Dir.Path("bin/xterm"));
    Write(Dir.Path("editor.sh"), "#!/bin/sh\necho \"$1 $2\" > '" + opened + "'\n");
    ASSERT_EQ(chmod(Dir.Path("editor.sh").c_str(), 0755), 0);
    const TScopedEnv own("TERMINAL", nullptr), visual("VISUAL", (Dir.Path("editor.sh") + " -n").c_str());
    Write("Messages/070315-061502.TXT", "ZCZC\r\n");
    form->AddMessageToTree("070315-061502.TXT");
    Select(Node("15 Mar 07", "06:15:02"));
    LauncherWorks = false;
    form->TreeView1DblClick(form->TreeView1);
    for (int i = 0; i < 6000 && !fs::exists(opened); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(opened);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "-n Messages/070315-061502.TXT");
    std::ifstream noted(args);
    std::stringstream all;
    all << noted.rdbuf();
    EXPECT_EQ(all.str(), Dir.Path("bin/xterm") + "\n[-e]\n[/bin/sh]\n[-c]\n[" + Dir.Path("editor.sh") +
                             " -n \"$1\"]\n[sh]\n[Messages/070315-061502.TXT]\n");
}

// A large message opened while the sound buffers come: they are worked while the file is read,
// and a node chosen meanwhile (the spectrum's painting lets the message loop run) is shown once
// the reading is done, the viewer whole at every step.
TEST_F(LiveArchive, OpeningALargeMessageDoesNotHoldUpReception)
{
    std::string big;
    for (int i = 0; big.size() < 4 * rx::kViewerPause; ++i)
        big += Format("%06d GALE WARNING SEA AREAS NORTH UTSIRE SOUTH UTSIRE WIND SW 8 TO 9\r\n", i);
    Write("Messages/070315-061502.TXT", big);
    Write("Messages/070315-061503.TXT", "ZCZC SMALL\r\nNNNN\r\n");
    form->FormActivate(form);
    const std::vector<std::int16_t> signal = StartupRtty("RYRY CQ CQ");
    std::size_t at = 0;
    fakewave::Deliver(12, [&](std::int16_t* samples, int count) {
        for (int i = 0; i < count; ++i, ++at)
            samples[i] = at < signal.size() ? signal[at] : 0;
    });
    ASSERT_EQ(form->Sound->BuffersWaiting(), 12);

    // Buffers worked while the large file is read see the viewer not yet filled.
    struct THook : rx::TRxSignalHost {
        std::function<void()> Run;
        void SpectrumReady(bool) override { Run(); }
    } hook;
    std::vector<Integer> viewerWhileWorked;
    hook.Run = [&] { viewerWhileWorked.push_back(form->MessageMemo->TextLen()); };
    form->Path.Host = &hook;
    Select(Node("15 Mar 07", "06:15:02"));
    EXPECT_EQ(form->Sound->BuffersWaiting(), 0);
    ASSERT_FALSE(viewerWhileWorked.empty());
    EXPECT_LT(viewerWhileWorked.back(), static_cast<Integer>(big.size()) / 2);
    EXPECT_NE(Received().find("CQ CQ"), std::string::npos) << Received();
    EXPECT_TRUE(Viewer() == big);

    // The user chooses another node while the large one is read: that one shows afterwards.
    fakewave::Deliver(2);
    hook.Run = [&] {
        if (form->TreeView1->GetFocused() != Node("15 Mar 07", "06:15:03"))
            Select(Node("15 Mar 07", "06:15:03"));
    };
    form->TreeView1->SetFocused(Node("15 Mar 07", "06:15:02"));
    form->TreeView1AfterSelectionChange(form->TreeView1);
    form->Path.Host = nullptr;
    EXPECT_EQ(Viewer(), "ZCZC SMALL\r\nNNNN\r\n");
    EXPECT_EQ(form->Sound->BuffersWaiting(), 0);
}

// The viewer's reading of a file: its bytes in the pieces asked for, a look aside after every
// Pause bytes, and the read error's text after what could be read.
TEST(MessageFileStream, GivesTheBytesLooksAsideAndEndsWithTheReadError)
{
    testsig::TTempDir dir;
    const std::string path = dir.Path("m.TXT");
    std::ofstream(path, std::ios::binary) << "0123456789";
    const int h = FileOpen(path, fmOpenRead);
    ASSERT_GE(h, 0);
    int asides = 0;
    rx::TMessageFileStream s(h, 4, [&] { ++asides; });
    char buf[16] = {};
    EXPECT_EQ(s.Read(buf, 0), 0);
    std::string got;
    std::vector<int> asidesBefore;
    for (Int64 n; (n = s.Read(buf, 3)) > 0;) {
        got.append(buf, static_cast<std::size_t>(n));
        asidesBefore.push_back(asides);
    }
    FileClose(h);
    EXPECT_EQ(got, "0123456789");
    EXPECT_EQ(asidesBefore, (std::vector<int>{0, 0, 1, 1}));
    EXPECT_EQ(asides, 2);  // the last look, before the read that found the end
    EXPECT_EQ(s.Position(), 10);
    EXPECT_EQ(s.Read(buf, 3), 0);
    // A byte at a time: every byte, and no look aside without its handler.
    const int h1 = FileOpen(path, fmOpenRead);
    ASSERT_GE(h1, 0);
    rx::TMessageFileStream single(h1, 1, nullptr);
    got.clear();
    for (Int64 n; (n = single.Read(buf, 1)) > 0;)
        got.append(buf, static_cast<std::size_t>(n));
    FileClose(h1);
    EXPECT_EQ(got, "0123456789");

    // A handle that cannot be read: the error's text, in the pieces asked for, and then nothing.
    const int d = ::open(dir.Dir.c_str(), O_RDONLY);
    ASSERT_GE(d, 0);
    rx::TMessageFileStream bad(d, 4, nullptr);
    got.clear();
    for (Int64 n; (n = bad.Read(buf, 5)) > 0;)
        got.append(buf, static_cast<std::size_t>(n));
    ::close(d);
    EXPECT_EQ(got, "\r\nFile Read Error!\r\n");
    EXPECT_EQ(bad.Position(), static_cast<Int64>(got.size()));
    EXPECT_EQ(bad.Write(buf, 3), 0);
}

// A date text too short for a month still names its file; characters 4-5 follow only when there.
TEST_F(Archive, AShortDateTextShowsWhatItHas)
{
    form->ShowMessageFile("15 Ma", "06:15:03");
    EXPECT_EQ(Viewer(), "File Open Error!\r\n" + rx::MessageFilePath("15 Ma", "06:15:03") + " Ma");
    form->ShowMessageFile("15 M", "06:15:03");
    EXPECT_EQ(Viewer(), "File Open Error!\r\n" + rx::MessageFilePath("15 M", "06:15:03") + " ");
}

}  // namespace
