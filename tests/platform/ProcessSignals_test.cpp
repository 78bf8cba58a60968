// The end the desktop asks for: whatever box, dialog, modal form or menu is open is cancelled and
// the main window closes through its own close handling.
#include "platform/ProcessSignals.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "tests/support/UiTest.h"

namespace {

class OrderlyEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        Main = new TForm(nullptr);
        Main->SetCaption("main");
        Main->OnCloseQuery = [this](TObject*, bool& canClose) {
            Log += "close;";
            if (OnClose)
                OnClose();
            canClose = true;
        };
        Main->Show();
    }
    void TearDown() override
    {
        delete Main;
        Application->ResetTerminated();
        uitest::Pump();
    }
    bool Closed() const { return Log.find("close;") != std::string::npos; }

    TForm* Main = nullptr;
    std::string Log;
    std::function<void()> OnClose;
};

TEST_F(OrderlyEnd, AnOpenMessageBoxIsCancelledAndTheWindowCloses)
{
    // Asked from another thread, as the signal watcher does; it is acted on inside the box's loop.
    std::thread([h = Main->Handle()] { RequestOrderlyEnd(h); }).join();
    const int answer = ::MessageBox(Main->Handle(), "Something happened", "Error", MB_OK | MB_ICONERROR);
    Log += "box " + std::to_string(answer) + ";";
    EXPECT_TRUE(uitest::PumpUntil([&] { return Closed(); }));
    EXPECT_EQ(Log, "box 1;close;");
}

TEST_F(OrderlyEnd, ABoxWithoutACancelButtonIsCancelledToo)
{
    RequestOrderlyEnd(Main->Handle());
    const int answer = ::MessageBox(Main->Handle(), "Go on?", "Question", MB_YESNO);
    Log += "box " + std::to_string(answer) + ";";
    EXPECT_TRUE(uitest::PumpUntil([&] { return Closed(); }));
    EXPECT_EQ(Log, "box " + std::to_string(IDCANCEL) + ";close;");
}

// A box opened from a modal form: both go, innermost first, and only then does the window close.
TEST_F(OrderlyEnd, NestedModalFormAndBoxAreCancelledInnermostFirst)
{
    auto* dialog = new TForm(nullptr);
    dialog->OnShow = [&](TObject*) {
        RequestOrderlyEnd(Main->Handle());
        ::MessageBox(dialog->Handle(), "inner", "inner", MB_OK);
        Log += "inner;";
    };
    const TModalResult r = dialog->ShowModal();
    Log += "form " + std::to_string(r) + ";";
    delete dialog;
    EXPECT_TRUE(uitest::PumpUntil([&] { return Closed(); }));
    EXPECT_EQ(Log, "inner;form " + std::to_string(mrCancel) + ";close;");
}

// A modal form alone: its loop has returned before the window closes.
TEST_F(OrderlyEnd, AModalFormAloneIsCancelledBeforeTheWindowCloses)
{
    auto* dialog = new TForm(nullptr);
    dialog->OnShow = [&](TObject*) { RequestOrderlyEnd(Main->Handle()); };
    const TModalResult r = dialog->ShowModal();
    Log += "form " + std::to_string(r) + ";";
    delete dialog;
    EXPECT_TRUE(uitest::PumpUntil([&] { return Closed(); }));
    EXPECT_EQ(Log, "form " + std::to_string(mrCancel) + ";close;");
}

// The close handling may itself show a box (a last failure to report): it is cancelled as well,
// so nothing holds the end up.
TEST_F(OrderlyEnd, ABoxTheCloseItselfOpensIsCancelled)
{
    // The handler goes on running messages after its box: the close is asked for only once.
    OnClose = [&] {
        Log += "box " + std::to_string(::MessageBox(Main->Handle(), "last", "x", MB_OK)) + ";";
        uitest::Pump(100);
    };
    RequestOrderlyEnd(Main->Handle());
    EXPECT_TRUE(uitest::PumpUntil([&] { return Log.find("box") != std::string::npos; }));
    EXPECT_EQ(Log, "close;box 1;");
    // Over once the close has been handled: a later box stays until answered by its user.
    bool shown = false;
    SetModalHook([&](TObject*, int& result) {
        shown = true;
        result = IDOK;
        return true;
    });
    ::MessageBox(Main->Handle(), "later", "x", MB_OK);
    SetModalHook(nullptr);
    EXPECT_TRUE(shown);
}

TEST_F(OrderlyEnd, AnOpenPopupMenuIsClosed)
{
    TPopupMenu menu(nullptr);
    auto* item = new TMenuItem(&menu);
    item->SetCaption("Item");
    menu.Items()->Add(item);
    RequestOrderlyEnd(Main->Handle());
    menu.Popup(10, 10);
    Log += "menu;";
    EXPECT_TRUE(uitest::PumpUntil([&] { return Closed(); }));
    EXPECT_EQ(Log, "menu;close;");
}

// A program whose stop sequence hangs is given up on after the grace time, and its status says it
// was ended by the signal (not 0, as an orderly stop); one that reached the end of its message loop
// gets the grace time once more for what follows. Again, when given, is sent once the close has
// begun, and taken by the watcher before the close goes on.
void EndBySignal(int CloseMs, int AfterLoopMs, int First = SIGTERM, int Again = 0)
{
    BlockTerminationSignals();  // before any thread starts, as main does
    Application->Initialize();
    TForm* form = nullptr;
    Application->CreateForm(form);  // the main form: its close ends the loop
    form->OnCloseQuery = [&](TObject*, bool& canClose) {
        if (Again) {
            kill(getpid(), Again);
            for (sigset_t pending; sigpending(&pending) == 0 && sigismember(&pending, Again);)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(CloseMs));
        canClose = true;
    };
    form->Show();
    CloseOnTerminationSignals(form->Handle(), 3000);
    kill(getpid(), First);
    Application->Run();
    MessageLoopEnded();
    std::this_thread::sleep_for(std::chrono::milliseconds(AfterLoopMs));
    std::_Exit(0);
}

TEST(TerminationSignalDeathTest, AStopThatHangsIsGivenUpWithTheSignalsStatus)
{
    EXPECT_EXIT(EndBySignal(600000, 0), ::testing::ExitedWithCode(128 + SIGTERM), "");
    EXPECT_EXIT(EndBySignal(0, 600000), ::testing::ExitedWithCode(128 + SIGTERM), "");
    // A close that takes half the grace time and an end after the loop that takes half again runs
    // past the first grace time, and is not given up.
    EXPECT_EXIT(EndBySignal(1500, 1500), ::testing::ExitedWithCode(0), "");
}

// The terminal that started the program closes (SIGHUP), or its user quits (Ctrl+\, SIGQUIT): the
// program stops in order. A second quit does not wait for the stop; a second hangup (a closing
// terminal's shell passes its own on) asks nothing new.
TEST(TerminationSignalDeathTest, AHangupOrAQuitStopsInOrder)
{
    EXPECT_EXIT(EndBySignal(0, 0, SIGHUP), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(EndBySignal(0, 0, SIGQUIT), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(EndBySignal(0, 0, SIGHUP, SIGHUP), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(EndBySignal(600000, 0, SIGQUIT, SIGQUIT), ::testing::ExitedWithCode(128 + SIGQUIT), "");
    EXPECT_EXIT(EndBySignal(600000, 0, SIGHUP, SIGINT), ::testing::ExitedWithCode(128 + SIGINT), "");
}

}  // namespace
