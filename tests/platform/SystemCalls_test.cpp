// System calls the layer stands in for: message texts with inserts, key translation of posted
// keys, and the caption buttons a form asks for.
#include <gtest/gtest.h>

#include <string>

#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/SysUtils.h"
#include "tests/support/UiTest.h"

namespace {

TEST(FormatMessageText, SystemTextsEndInALineBreak)
{
    char buf[2049];
    DWORD n = FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED, 0,
                            buf, sizeof buf, nullptr);
    EXPECT_EQ(std::string(buf), "Access is denied.\r\n");
    EXPECT_EQ(n, DWORD(std::string(buf).size()));
    // An unknown code still says which it was.
    n = FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 54321, 0, buf, sizeof buf, nullptr);
    EXPECT_NE(std::string(buf).find("54321"), std::string::npos);
}

TEST(FormatMessageText, InsertsAndEscapes)
{
    char buf[200];
    const LPCSTR args[] = {"key", "HKEY_CURRENT_USER", "\xC4rger"};
    DWORD n = FormatMessage(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                            "The %1 under %2 is %3!s!; 100%% sure.%nDone%0 and never this", 0, 0, buf, sizeof buf, args);
    EXPECT_EQ(std::string(buf), "The key under HKEY_CURRENT_USER is \xC4rger; 100% sure.\r\nDone");
    EXPECT_EQ(n, DWORD(std::string(buf).size()));
    // Ignored inserts stay as written.
    FormatMessage(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, "%1 of %2", 0, 0, buf, sizeof buf, nullptr);
    EXPECT_EQ(std::string(buf), "%1 of %2");
    // Two-digit inserts.
    const LPCSTR many[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"};
    FormatMessage(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, "%12%1", 0, 0, buf, sizeof buf, many);
    EXPECT_EQ(std::string(buf), "la");
    // Only digits continue an insert's number.
    FormatMessage(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, "%1z%2.", 0, 0, buf, sizeof buf, many);
    EXPECT_EQ(std::string(buf), "azb.");
    // The pattern's own line breaks become blanks with the width mask at its maximum.
    FormatMessage(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_MAX_WIDTH_MASK, "one\r\ntwo%nthree", 0, 0, buf, sizeof buf,
                  nullptr);
    EXPECT_EQ(std::string(buf), "one two\r\nthree");
}

TEST(FormatMessageText, TooSmallOrUnservedRequestsFailAndSaySo)
{
    char buf[8] = "xxxxxxx";
    SetLastError(0);
    EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_STRING, "eight ch", 0, 0, buf, 8, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_STRING, "seven c", 0, 0, buf, 8, nullptr), 7u);
    SetLastError(0);
    EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 5, 0, buf, 8, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    // An insert with no arguments given is refused, not read from nowhere.
    SetLastError(0);
    EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, "%1", 0, 0, buf, 8, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// A window that notes the characters it is given.
class TTyped : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::string Chars, SysChars;
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == WM_CHAR)
            Chars += char(Message.WParam);
        if (Message.Msg == WM_SYSCHAR)
            SysChars += char(Message.WParam);
        TCustomControl::WndProc(Message);
    }
};

TEST(KeyTranslation, APostedKeyBecomesItsCharacterAfterIt)
{
    Application->Initialize();
    // A shown form with the window focused, so that the keys pressed below reach the keyboard state.
    auto* form = new TForm(nullptr);
    form->AfterConstruction();
    auto* w = new TTyped(form);
    w->SetParent(form);
    w->SetBounds(0, 0, 20, 20);
    w->SetTabStop(true);
    form->Show();
    w->SetFocus();
    uitest::Pump();
    HWND h = w->Handle();
    // No key held from before: the translation reads the keyboard as it is now.
    for (Word k : {Word(VK_CONTROL), Word(VK_SHIFT), Word(VK_MENU)})
        Input::KeyUp(k);
    auto run = [h](UINT msg, WPARAM key) {
        PostMessage(h, msg, key, 1);
        MSG m;
        BOOL translated = FALSE;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == msg)
                translated = TranslateMessage(&m);
            DispatchMessage(&m);
        }
        return translated;
    };
    EXPECT_TRUE(run(WM_KEYDOWN, 'A'));
    EXPECT_TRUE(run(WM_KEYDOWN, '7'));
    EXPECT_TRUE(run(WM_KEYDOWN, VK_RETURN));
    EXPECT_TRUE(run(WM_KEYDOWN, VK_LEFT));  // translated, though it types nothing
    EXPECT_EQ(w->Chars, "a7\r");
    EXPECT_TRUE(run(WM_SYSKEYDOWN, 'X'));
    EXPECT_EQ(w->SysChars, "x");
    EXPECT_TRUE(run(WM_KEYUP, 'A'));
    EXPECT_FALSE(run(WM_USER + 3, 'A'));
    EXPECT_EQ(w->Chars, "a7\r");
    // Shift held: capitals; Control held: the control character.
    Input::KeyDown(VK_SHIFT);
    run(WM_KEYDOWN, 'B');
    Input::KeyUp(VK_SHIFT);
    Input::KeyDown(VK_CONTROL);
    run(WM_KEYDOWN, 'C');
    Input::KeyUp(VK_CONTROL);
    EXPECT_EQ(w->Chars, "a7\rB\x03");
    MSG none;
    EXPECT_FALSE(TranslateMessage(nullptr));
    none.message = WM_PAINT;
    EXPECT_FALSE(TranslateMessage(&none));
    delete form;
}

TEST(CaptionButtons, TheFormsWindowHasTheButtonsItAsksFor)
{
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->AfterConstruction();
    EXPECT_EQ(form->BorderIcons(), TBorderIcons(biSystemMenu | biMinimize | biMaximize));
    auto style = [form] { return DWORD(GetWindowLong(form->Handle(), GWL_STYLE)); };
    auto ex = [form] { return DWORD(GetWindowLong(form->Handle(), GWL_EXSTYLE)); };
    EXPECT_TRUE(style() & WS_MAXIMIZEBOX);
    EXPECT_FALSE(ex() & WS_EX_CONTEXTHELP);
    // Help shows only without minimise and maximise; asked for beside them it does not.
    form->SetBorderIcons(biSystemMenu | biMinimize | biMaximize | biHelp);
    EXPECT_FALSE(ex() & WS_EX_CONTEXTHELP);
    form->SetBorderIcons(biSystemMenu | biHelp);
    EXPECT_TRUE(ex() & WS_EX_CONTEXTHELP);
    EXPECT_FALSE(style() & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(style() & WS_SYSMENU);
    // A dialog border shows help beside its close button whatever else is asked.
    form->SetBorderStyle(bsDialog);
    form->SetBorderIcons(biSystemMenu | biMinimize | biMaximize | biHelp);
    EXPECT_TRUE(ex() & WS_EX_CONTEXTHELP);
    EXPECT_FALSE(style() & WS_MAXIMIZEBOX);
    // No system menu: no buttons at all.
    form->SetBorderStyle(bsSizeable);
    form->SetBorderIcons(biMinimize | biMaximize | biHelp);
    EXPECT_FALSE(style() & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_FALSE(ex() & WS_EX_CONTEXTHELP);
    delete form;
}

}  // namespace
