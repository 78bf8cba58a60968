// A virtual X display of a test's own, and parts of the test program run again on it under the
// toolkit's real X11 backend, driven by xdotool as a user would drive them: real key codes through
// the keyboard map, a pointer that moves, enters and leaves windows, focus that the window system
// gives. Every program started here ends with the display (and dies with the test program).
//
//   TEST(ListHintX11, ShowsUnderARealPointer)
//   {
//       x11test::TDisplay display;
//       if (!display.Ok()) GTEST_SKIP() << display.Why();
//       std::string out;
//       EXPECT_EQ(display.RunRole("ListHintX11.DISABLED_Role", "hint", out), 0) << out;
//   }
//   TEST(ListHintX11, DISABLED_Role)   // runs only on the display, as a role
//   {
//       ... build a form; ASSERT_TRUE(x11test::ShowOnScreen(form));
//       ASSERT_TRUE(x11test::MoveTo(list, 10, 30)); EXPECT_TRUE(uitest::PumpUntil(...));
//   }
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Types.h"

class TControl;
class TForm;

namespace x11test {

// Xvfb and xdotool are installed.
bool Available();

class TDisplay {
public:
    explicit TDisplay(int Width = 1280, int Height = 900);
    ~TDisplay();
    TDisplay(const TDisplay&) = delete;
    TDisplay& operator=(const TDisplay&) = delete;

    // The display runs and xdotool is there; otherwise Why() says what is missing.
    bool Ok() const { return !FName.empty(); }
    const std::string& Why() const { return FWhy; }
    const std::string& Name() const { return FName; }

    // Runs the test Test ("Suite.Name"; a DISABLED_ one runs too) of this program again on the
    // display under the X11 backend, where Role() answers Arg. Answers its exit status (0: every
    // check in it held; -1: killed after TimeoutMs), with what it printed in Output.
    int RunRole(const std::string& Test, const std::string& Arg, std::string& Output, int TimeoutMs = 180000);
    // Starts a program on the display that runs until it ends or the display goes (xclip -i, say),
    // with Input on its standard input.
    void Start(const std::vector<std::string>& Args, const std::string& Input = "");
    // Runs a program on the display to its end: its exit status (-1: killed after TimeoutMs) and
    // its standard output. Meanwhile, when given, runs once the program has started.
    int Run(const std::vector<std::string>& Args, std::string* Output = nullptr, int TimeoutMs = 60000,
            const std::function<void()>& Meanwhile = nullptr);
    // Waits for a shown top-level window titled Title and asks it to close as a window manager's
    // close button does (WM_DELETE_WINDOW); false when none showed.
    bool CloseWindow(const std::string& Title);

private:
    std::string FName, FWhy;
    int FServer = -1;
    std::vector<int> FStarted;
};

// In a role: the argument its display gave; empty when this process is not a role.
std::string Role();

// As a window manager that moves windows by Alt+drag and switches them by Alt+Tab: from now on a
// click made with Alt held, and Alt+Tab, go to it and not to the program. False when the display
// cannot be reached.
bool ActAsWindowManager();
// Runs xdotool with Args on this process's display while the message loop goes on; answers whether
// it succeeded, with what it printed in Output.
bool Xdo(const std::vector<std::string>& Args, std::string* Output = nullptr);
// Runs another program on this process's display the same way (xclip, xsel, ...).
int RunHere(const std::vector<std::string>& Args, std::string* Output = nullptr, const std::string& Input = "");

// Shows Form, waits until the window system has it on screen and gives it the input focus, and
// lets the first paints happen.
bool ShowOnScreen(TForm* Form);
// Screen position of a point in Control's client area.
TPoint ScreenPoint(TControl* Control, int X, int Y);
// The real pointer moves to a client point of Control (and the program hears of it).
bool MoveTo(TControl* Control, int X, int Y);
// A click (press and release) of Button at a client point of Control.
bool Click(TControl* Control, int X, int Y, int Button = 1);
// Keys as xdotool names them ("Down", "shift+8", "KP_Multiply", "alt+adiaeresis"), pressed and
// released in turn; the program has handled them when this returns.
bool Key(const std::string& Keys);
// Text typed character by character through the keyboard map.
bool Type(const std::string& Text);

}  // namespace x11test
