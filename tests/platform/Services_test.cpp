// Timers, common dialogs and message boxes answered by the test hook, the clipboard, shell
// execution, help, hints and popup menus.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Clipbrd.h"
#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/ShellApi.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

class Services : public ::testing::Test {
protected:
    void SetUp() override { Application->Initialize(); }
    void TearDown() override
    {
        uitest::ClearDialogAnswers();
        SetShellLauncher(nullptr);
        uitest::Pump();
    }
};

TEST_F(Services, TimerTicksOnTheMainThreadWhileEnabled)
{
    TTimer t(nullptr);
    int ticks = 0;
    bool onMain = true;
    std::thread::id main = std::this_thread::get_id();
    t.OnTimer = [&](TObject* s) {
        EXPECT_EQ(s, &t);
        onMain = onMain && std::this_thread::get_id() == main;
        ++ticks;
    };
    t.SetInterval(15);
    EXPECT_TRUE(t.Enabled());
    ASSERT_TRUE(uitest::PumpUntil([&] { return ticks >= 3; }));
    EXPECT_TRUE(onMain);
    t.SetEnabled(false);
    int stopped = ticks;
    uitest::Pump(80);
    EXPECT_EQ(ticks, stopped);
    // Interval 0 never ticks, even when enabled.
    t.SetInterval(0);
    t.SetEnabled(true);
    uitest::Pump(60);
    EXPECT_EQ(ticks, stopped);
}

TEST_F(Services, TimerMayStopItselfInItsHandler)
{
    TTimer t(nullptr);
    int ticks = 0;
    t.SetInterval(10);
    t.OnTimer = [&](TObject*) {
        ++ticks;
        t.SetEnabled(false);
    };
    uitest::Pump(80);
    EXPECT_EQ(ticks, 1);
}

TEST_F(Services, WindowTimersSendWmTimer)
{
    auto* f = new TForm(nullptr);
    f->AfterConstruction();
    int got = 0;
    UINT id = 0;
    TWndMethod saved = f->WindowProc;
    f->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_TIMER) {
            ++got;
            id = UINT(m.WParam);
        }
        saved(m);
    };
    SetTimer(f->Handle(), 7, 10, nullptr);
    ASSERT_TRUE(uitest::PumpUntil([&] { return got >= 2; }));
    EXPECT_EQ(id, 7u);
    EXPECT_TRUE(KillTimer(f->Handle(), 7));
    EXPECT_FALSE(KillTimer(f->Handle(), 7));
    f->WindowProc = saved;
    delete f;
}

TEST_F(Services, OpenDialogAnsweredByTheHook)
{
    TOpenDialog dlg(nullptr);
    dlg.Title = "Select File";
    dlg.Filter = "Text Files|*.txt|All Files|*.*";
    dlg.InitialDir = ".";
    TObject* seen = nullptr;
    uitest::AnswerNextDialog([&](TObject* d) {
        seen = d;
        static_cast<TOpenDialog*>(d)->FileName = "/tmp/samples.txt";
        return IDOK;
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(seen, &dlg);
    EXPECT_EQ(dlg.FileName, "/tmp/samples.txt");
    EXPECT_EQ(dlg.Files()->Count(), 1);
    uitest::AnswerNextDialog([](TObject*) { return IDCANCEL; });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_FALSE(ModalHookActive());  // answered once only
}

TEST_F(Services, SaveDialogAddsTheDefaultExtension)
{
    TSaveDialog dlg(nullptr);
    dlg.DefaultExt = "txt";
    dlg.Options |= OpenOption(ofOverwritePrompt);
    uitest::AnswerNextDialog([](TObject* d) {
        static_cast<TSaveDialog*>(d)->FileName = "/tmp/buffer";
        return IDOK;
    });
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.FileName, "/tmp/buffer.txt");
    uitest::AnswerNextDialog([](TObject* d) {
        static_cast<TSaveDialog*>(d)->FileName = "/tmp/dir.v2/buffer.log";
        return IDOK;
    });
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.FileName, "/tmp/dir.v2/buffer.log");
}

TEST_F(Services, FontAndColourDialogsKeepTheirValuesOnCancel)
{
    TFontDialog fd(nullptr);
    fd.Font()->SetHeight(-13);
    uitest::AnswerNextDialog([](TObject* d) {
        static_cast<TFontDialog*>(d)->Font()->SetStyle(FontStyle(fsBold));
        return IDOK;
    });
    EXPECT_TRUE(fd.Execute());
    EXPECT_EQ(fd.Font()->Style(), FontStyle(fsBold));
    TColorDialog cd(nullptr);
    EXPECT_EQ(cd.Color, clBlack);
    uitest::AnswerNextDialog([](TObject* d) {
        static_cast<TColorDialog*>(d)->Color = clYellow;
        return IDOK;
    });
    EXPECT_TRUE(cd.Execute());
    EXPECT_EQ(cd.Color, clYellow);
    uitest::AnswerNextDialog([](TObject*) { return IDCANCEL; });
    EXPECT_FALSE(cd.Execute());
    EXPECT_EQ(cd.Color, clYellow);  // opens on the colour last chosen
}

TEST_F(Services, MessageBoxesCarryTextCaptionAndFlags)
{
    std::string text, caption;
    UINT flags = 0;
    uitest::AnswerNextDialog([&](TObject* d) {
        auto* r = dynamic_cast<TMessageBoxRequest*>(d);
        EXPECT_NE(r, nullptr);
        text = r->Text;
        caption = r->Caption;
        flags = r->Flags;
        return IDNO;
    });
    EXPECT_EQ(Application->MessageBox("Can not create directory!", "Error", MB_YESNO | MB_ICONERROR), IDNO);
    EXPECT_EQ(text, "Can not create directory!");
    EXPECT_EQ(caption, "Error");
    EXPECT_EQ(flags, UINT(MB_YESNO | MB_ICONERROR));
    // The application's exception display is a message box with the exception's text, captioned
    // with the program's name until the program gives itself a title.
    for (const char* title : {"", "Morvik"}) {
        if (*title)
            Application->SetTitle(title);
        uitest::AnswerNextDialog([&](TObject* d) {
            text = static_cast<TMessageBoxRequest*>(d)->Text;
            caption = static_cast<TMessageBoxRequest*>(d)->Caption;
            return IDOK;
        });
        Application->ShowException(EFOpenError("Cannot open file x.txt"));
        EXPECT_EQ(text, "Cannot open file x.txt.");
        EXPECT_EQ(caption, *title ? title : "platform_tests");
    }
}

TEST_F(Services, ClipboardTextAndRegisteredFormats)
{
    const std::string text = std::string("Caf") + char(0xE9) + "\r\nline two";
    Clipboard()->SetAsText(text);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard()->AsText(), text);
    UINT block = RegisterClipboardFormat("Tarvesk IDE Block Type");
    EXPECT_GE(block, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormat("Tarvesk IDE Block Type"), block);
    EXPECT_FALSE(IsClipboardFormatAvailable(block));
    // Text and the private format together, as a column block is copied.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(OpenClipboard(nullptr));  // already open
    EmptyClipboard();
    const char rows[] = "ab\r\ncd\r\n";
    HGLOBAL t = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof rows);
    std::memcpy(GlobalLock(t), rows, sizeof rows);
    GlobalUnlock(t);
    SetClipboardData(CF_TEXT, t);
    HGLOBAL p = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof rows);
    std::memcpy(GlobalLock(p), rows, sizeof rows);
    GlobalUnlock(p);
    SetClipboardData(block, p);
    CloseClipboard();
    EXPECT_TRUE(IsClipboardFormatAvailable(block));
    EXPECT_EQ(Clipboard()->AsText(), "ab\r\ncd\r\n");
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE got = GetClipboardData(block);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(GlobalSize(got), sizeof rows);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(got)), rows);
    GlobalUnlock(got);
    CloseClipboard();
    // A block read through the clipboard object outlives the clipboard's closing, and reading the
    // same content again gives the same block.
    HANDLE kept = Clipboard()->GetAsHandle(block);
    const char* keptRows = static_cast<const char*>(GlobalLock(kept));
    ASSERT_NE(keptRows, nullptr);
    EXPECT_STREQ(keptRows, rows);
    GlobalUnlock(kept);
    EXPECT_EQ(Clipboard()->GetAsHandle(block), kept);
    // Plain text replaces both.
    Clipboard()->SetAsText("x");
    EXPECT_FALSE(IsClipboardFormatAvailable(block));
    EXPECT_EQ(Clipboard()->AsText(), "x");
}

TEST_F(Services, ShellExecuteOpensDocumentsAndAddresses)
{
    std::vector<std::string> started;
    SetShellLauncher([&](const std::string& prog, const std::vector<std::string>& args, const std::string&) {
        started.push_back(prog + " " + (args.empty() ? std::string() : args[0]));
        return true;
    });
    std::string dir = uitest::TempDir();
    std::ofstream(dir + "/260101-120000.TXT") << "ZCZC\n";
    auto ok = [](HINSTANCE h) { return reinterpret_cast<std::intptr_t>(h) > 32; };
    EXPECT_TRUE(ok(ShellExecute(nullptr, "open", "notepad.exe", "260101-120000.TXT", dir.c_str(), SW_SHOWNORMAL)));
    EXPECT_TRUE(ok(ShellExecute(nullptr, "open", "mailto:someone@example.org", nullptr, ".\\", SW_SHOWNORMAL)));
    EXPECT_TRUE(ok(ShellExecute(nullptr, nullptr, "www.example.org", nullptr, ".\\", SW_SHOWNORMAL)));
    ASSERT_EQ(started.size(), 3u);
    EXPECT_EQ(started[0], "xdg-open " + dir + "/260101-120000.TXT");
    EXPECT_EQ(started[1], "xdg-open mailto:someone@example.org");
    EXPECT_EQ(started[2], "xdg-open http://www.example.org");
    // A missing document is reported, and nothing is started.
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(
                  ShellExecute(nullptr, "open", "notepad.exe", "nope.txt", dir.c_str(), SW_SHOWNORMAL)),
              SE_ERR_FNF);
    EXPECT_EQ(started.size(), 3u);
    // No opener: the association error.
    SetShellLauncher([](const std::string&, const std::vector<std::string>&, const std::string&) { return false; });
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(
                  ShellExecute(nullptr, "open", "mailto:x@y", nullptr, nullptr, SW_SHOWNORMAL)),
              SE_ERR_NOASSOC);
}

TEST_F(Services, HelpWithoutAViewerSaysSo)
{
    std::string dir = uitest::TempDir();
    std::vector<std::string> said;
    uitest::AnswerAllDialogs([&](TObject* d) {
        said.push_back(static_cast<TMessageBoxRequest*>(d)->Text);
        return IDOK;
    });
    Application->HelpFile = dir + "/morvik.hlp";
    EXPECT_FALSE(Application->HelpCommand(HELP_CONTENTS, 0));
    std::ofstream(dir + "/morvik.hlp") << "?";
    EXPECT_FALSE(Application->HelpCommand(HELP_CONTENTS, 0));
    ASSERT_EQ(said.size(), 2u);
    EXPECT_NE(said[0].find("Cannot find the help file"), std::string::npos);
    EXPECT_NE(said[1].find("No help viewer"), std::string::npos);
    // A help file the desktop can open goes to its opener.
    std::vector<std::string> started;
    SetShellLauncher([&](const std::string& prog, const std::vector<std::string>& args, const std::string&) {
        started.push_back(prog + " " + args[0]);
        return true;
    });
    std::ofstream(dir + "/morvik.html") << "<html></html>";
    Application->HelpFile = dir + "/morvik.html";
    EXPECT_TRUE(Application->HelpCommand(HELP_CONTENTS, 0));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_NE(started[0].find("morvik.html"), std::string::npos);
    Application->HelpFile = "";
}

TEST_F(Services, HintsShowTheShortPartAfterThePause)
{
    auto* f = new TForm(nullptr);
    f->AfterConstruction();
    auto* p = new TPanel(f);
    p->SetParent(f);
    p->SetBounds(10, 10, 80, 30);
    p->SetHint("Squelch On/Off|Turns the squelch on or off");
    p->SetShowHint(true);
    auto* quiet = new TPanel(f);
    quiet->SetParent(f);
    quiet->SetBounds(100, 10, 80, 30);
    quiet->SetHint("never shown");
    f->Show();
    int savedPause = Application->HintPause;
    Application->HintPause = 30;
    Input::MouseMove(p, 5, 5);
    EXPECT_EQ(Application->CurrentHintText(), "");  // not before the pause
    ASSERT_TRUE(uitest::PumpUntil([] { return !Application->CurrentHintText().empty(); }, 1000));
    EXPECT_EQ(Application->CurrentHintText(), "Squelch On/Off");
    EXPECT_EQ(Application->Hint(), "Squelch On/Off|Turns the squelch on or off");
    // Pressing a button hides it; a control that does not show hints shows none.
    Input::MouseDown(p, mbLeft, 5, 5);
    Input::MouseUp(p, mbLeft, 5, 5);
    EXPECT_EQ(Application->CurrentHintText(), "");
    Input::MouseMove(quiet, 5, 5);
    uitest::Pump(80);
    EXPECT_EQ(Application->CurrentHintText(), "");
    Application->HintPause = savedPause;
    delete f;
}

TEST_F(Services, PopupMenusRunOnPopupThenTheChosenItem)
{
    auto* f = new TForm(nullptr);
    f->AfterConstruction();
    auto* menu = new TPopupMenu(f);
    auto* copy = new TMenuItem(f);
    copy->SetCaption("&Copy");
    menu->Items()->Add(copy);
    std::vector<std::string> seen;
    menu->OnPopup = [&](TObject*) {
        seen.push_back("popup");
        copy->SetEnabled(false);
    };
    copy->OnClick = [&](TObject*) { seen.push_back("copy"); };
    auto* p = new TPanel(f);
    p->SetParent(f);
    p->SetBounds(0, 0, 50, 50);
    p->SetPopupMenu(menu);
    f->Show();
    uitest::AnswerNextDialog([&](TObject* d) {
        EXPECT_EQ(d, menu);
        EXPECT_FALSE(copy->Enabled());  // OnPopup ran first
        copy->SetEnabled(true);
        TriggerMenuItem(copy);
        return 0;
    });
    Input::Click(p, 10, 10, mbRight);
    EXPECT_EQ(seen, (std::vector<std::string>{"popup", "copy"}));
    EXPECT_EQ(menu->PopupComponent, p);
    // With the panel focused, the item's shortcut runs it and the menu key opens the menu.
    copy->SetShortCut(ShortCut('K', ssCtrl));
    p->SetFocus();
    Input::PressKey('K', ssCtrl);
    uitest::AnswerNextDialog([](TObject*) { return 0; });
    Input::PressKey(VK_APPS);
    // So does an edit's with a menu of its own.
    auto* edit = new TEdit(f);
    edit->SetParent(f);
    edit->SetPopupMenu(menu);
    edit->SetFocus();
    uitest::AnswerNextDialog([](TObject*) { return 0; });
    Input::PressKey(VK_APPS);
    EXPECT_EQ(seen, (std::vector<std::string>{"popup", "copy", "copy", "popup", "popup"}));
    // Freeing the menu leaves the control without one.
    delete menu;
    EXPECT_EQ(p->PopupMenu(), nullptr);
    delete f;
}

}  // namespace
