#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctlbase/Extools.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

constexpr UINT kProbe = WM_USER + 31;

TEST(XAllocateHWND, AHiddenToolWindowWhoseMessagesReachTheMethod)
{
    TObject owner;
    std::vector<UINT> seen;
    HWND wnd = XAllocateHWND(&owner, [&](TMessage& m) {
        seen.push_back(m.Msg);
        if (m.Msg == kProbe)
            m.Result = LRESULT(m.WParam + m.LParam);
    });
    ASSERT_NE(wnd, nullptr);
    char cls[64] = {};
    GetClassName(wnd, cls, sizeof(cls));
    EXPECT_STREQ(cls, "XExUtilWindow");
    EXPECT_FALSE(IsWindowVisible(wnd));
    EXPECT_EQ(GetParent(wnd), nullptr);
    EXPECT_TRUE(GetWindowLong(wnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(GetWindowLong(wnd, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(SendMessage(wnd, kProbe, 40, 2), 42);
    EXPECT_EQ(SendMessage(wnd, kProbe + 1, 40, 2), 0);  // a message the method leaves alone
    XDeallocateHWND(wnd);
    EXPECT_FALSE(IsWindow(wnd));
    uitest::Pump();
}

TEST(XAllocateHWND, WithoutAMethodTheSystemAnswersAndAMethodMayReleaseItsOwnWindow)
{
    HWND bare = XAllocateHWND(nullptr, nullptr);
    EXPECT_EQ(SendMessage(bare, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("plain")), TRUE);
    char text[16] = {};
    EXPECT_EQ(SendMessage(bare, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text)), 5);
    XDeallocateHWND(bare);

    HWND self = nullptr;
    int calls = 0;
    self = XAllocateHWND(nullptr, [&](TMessage& m) {
        if (m.Msg != kProbe)
            return;
        ++calls;
        XDeallocateHWND(self);
        m.Result = 5;  // the method's state outlives its window
    });
    EXPECT_EQ(SendMessage(self, kProbe, 0, 0), 5);
    EXPECT_FALSE(IsWindow(self));
    EXPECT_EQ(SendMessage(self, kProbe, 0, 0), 0);
    EXPECT_EQ(calls, 1);
    uitest::Pump();
}

struct Pump : ::testing::Test {
    std::vector<WPARAM> seen;
    HWND wnd = XAllocateHWND(nullptr, [this](TMessage& m) {
        if (m.Msg == kProbe)
            seen.push_back(m.WParam);
    });
    ~Pump() override
    {
        XDeallocateHWND(wnd);
        uitest::Pump();
    }
};

TEST_F(Pump, AnEmptyQueueGivesFalseAtOnce)
{
    uitest::Pump();
    EXPECT_FALSE(ExMessagePump->HandleMessage());
}

TEST_F(Pump, EachCallTakesOnePostedMessageInOrderAndTheLoopDoesNotDeliverItAgain)
{
    uitest::Pump();
    PostMessage(wnd, kProbe, 1, 0);
    PostMessage(wnd, kProbe, 2, 0);
    EXPECT_TRUE(ExMessagePump->HandleMessage());
    EXPECT_EQ(seen, (std::vector<WPARAM>{1}));
    ASSERT_TRUE(OnMessagePump);
    OnMessagePump();
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2}));
    uitest::Pump();
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2}));
}

TEST_F(Pump, TheQuitMessageIsTakenWithoutBeingDispatchedAndEndsTheApplication)
{
    uitest::Pump();
    Application->Initialize();
    PostMessage(wnd, WM_QUIT, 9, 0);
    PostMessage(wnd, kProbe, 3, 0);
    EXPECT_TRUE(ExMessagePump->HandleMessage());
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(ExMessagePump->HandleMessage());
    EXPECT_EQ(seen, (std::vector<WPARAM>{3}));
    Application->ResetTerminated();
}

struct Searches : ::testing::Test {
    TForm* form = new TForm(nullptr);
    TPanel* panel = new TPanel(form);
    TEdit* edit = new TEdit(form);

    Searches()
    {
        form->SetCaption("Morvik Receiver");
        panel->SetParent(form);
        edit->SetParent(panel);
        edit->SetText("Deep Child Text");
        form->HandleNeeded();
        LastWin = nullptr;
    }
    ~Searches() override { TObject::Free(form); }
};

TEST_F(Searches, TextsAreComparedUpperCasedEqualWhenExactElseContained)
{
    EXPECT_EQ(WindowExists("", "morvik receiver", true), form->Handle());
    EXPECT_EQ(LastWin, form->Handle());
    EXPECT_EQ(WindowExists("", "RECEIV", false), form->Handle());
    EXPECT_EQ(WindowExists("", "RECEIV", true), nullptr);
    EXPECT_EQ(LastWin, form->Handle());  // kept from the last search that found one
    EXPECT_EQ(WindowExists("", "child text", false), edit->Handle());
    EXPECT_EQ(TopWindowExists("", "child text", false), nullptr);
    EXPECT_EQ(TopWindowExists("", "Receiver", false), form->Handle());
}

TEST_F(Searches, AClassNameRestrictsTheSearch)
{
    char cls[64] = {};
    GetClassName(edit->Handle(), cls, sizeof(cls));
    EXPECT_EQ(WindowExists(cls, "deep", false), edit->Handle());
    EXPECT_EQ(WindowExists("TPanel", "deep", false), nullptr);
    GetClassName(form->Handle(), cls, sizeof(cls));
    EXPECT_EQ(TopWindowExists(cls, "Morvik Receiver", true), form->Handle());
    EXPECT_EQ(TopWindowExists("", "Morvik Receiver", true), form->Handle());
    EXPECT_EQ(TopWindowExists("TEdit", "Morvik Receiver", true), nullptr);
    EXPECT_EQ(TopWindowExists("", "Morvik", true), nullptr);  // the system's search wants the whole title
}

TEST(ExtoolsUnit, OnlyTheLastEndFreesThePump)
{
    ctlbase::ExtoolsInitialize();
    TExMessagePump* pump = ExMessagePump;
    ASSERT_NE(pump, nullptr);
    ctlbase::ExtoolsFinalize();
    EXPECT_EQ(ExMessagePump, pump);
    EXPECT_TRUE(OnMessagePump);
    ctlbase::ExtoolsFinalize();
    EXPECT_EQ(ExMessagePump, nullptr);
    EXPECT_FALSE(OnMessagePump);
    ctlbase::ExtoolsFinalize();  // one end too many changes nothing
    ctlbase::ExtoolsInitialize();
    EXPECT_NE(ExMessagePump, nullptr);
    EXPECT_TRUE(OnMessagePump);
}

struct KeyCase {
    const char* name;
    TShiftState held;
    Integer keys;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class KeysState : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeysState, FourForShiftPlusEightForControl)
{
    TForm form(nullptr);
    form.Show();
    form.SetFocus();
    Input::KeyDown(VK_SPACE, GetParam().held);
    EXPECT_EQ(GetKeysState(), GetParam().keys);
    EXPECT_EQ(GetShiftState(), GetParam().held);
    Input::MouseDown(&form, mbLeft, 5, 5, GetParam().held);
    EXPECT_EQ(GetShiftState(), GetParam().held);  // never a mouse button
    Input::MouseUp(&form, mbLeft, 5, 5);
    Input::KeyUp(VK_SPACE, 0);
    EXPECT_EQ(GetKeysState(), 0);
}

INSTANTIATE_TEST_SUITE_P(Held, KeysState,
                         ::testing::Values(KeyCase{"Nothing", 0, 0}, KeyCase{"Shift", ssShift, 4},
                                           KeyCase{"Control", ssCtrl, 8}, KeyCase{"ShiftControl", ssShift | ssCtrl, 12},
                                           KeyCase{"AltOnly", ssAlt, 0}, KeyCase{"AltShift", ssAlt | ssShift, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
