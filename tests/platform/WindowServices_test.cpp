// Window services the controls lean on: scrolling a bordered window's contents, posting from other
// threads, timers without windows, and the caret's shape.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <ostream>
#include <string>
#include <thread>

#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "tests/support/UiTest.h"

namespace {

// A white control with a sunken border, holding one child window.
class TBordered : public TCustomControl {
public:
    explicit TBordered(TComponent* AOwner) : TCustomControl(AOwner) { SetColor(clWhite); }

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TCustomControl::CreateParams(Params);
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    }
    void Paint() override
    {
        Canvas()->Brush()->SetColor(clWhite);
        Canvas()->FillRect(ClientRect());
    }
};

class WindowServices : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(100, 100, 300, 200);
        form->AfterConstruction();
        box = new TBordered(form);
        box->SetParent(form);
        box->SetBounds(10, 10, 104, 64);  // a 100 x 60 client area inside the 2-pixel edge
        child = new TBordered(form);
        child->SetParent(box);
        child->SetBounds(60, 30, 20, 20);
        form->Show();
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    COLORREF Pixel(int x, int y)
    {
        HDC dc = GetDC(box->Handle());
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(box->Handle(), dc);
        return c;
    }
    TForm* form = nullptr;
    TBordered* box = nullptr;
    TBordered* child = nullptr;
};

struct ScrollCase {
    const char* name;
    int dx, dy;
    UINT flags;
    int result;
    TRect uncovered;  // bounds of what the scroll leaves behind
};

void PrintTo(const ScrollCase& c, std::ostream* os) { *os << c.name; }

class Scrolling : public WindowServices, public ::testing::WithParamInterface<ScrollCase> {};

TEST_P(Scrolling, ContentMovesByTheAmountAloneAndChildrenOnlyWhenAsked)
{
    const ScrollCase& c = GetParam();
    ASSERT_EQ(box->ClientWidth(), 100);
    HDC dc = GetDC(box->Handle());
    SetPixel(dc, 40, 30, RGB(0, 0, 255));
    ReleaseDC(box->Handle(), dc);
    ValidateRect(box->Handle(), nullptr);
    HRGN uncovered = CreateRectRgn(0, 0, 0, 0);
    TRect bounds;
    EXPECT_EQ(ScrollWindowEx(box->Handle(), c.dx, c.dy, nullptr, nullptr, uncovered, &bounds, c.flags), c.result);
    EXPECT_EQ(Pixel(40 + c.dx, 30 + c.dy), RGB(0, 0, 255));
    if (c.dx || c.dy) {
        EXPECT_NE(Pixel(40, 30), RGB(0, 0, 255));
    }
    EXPECT_EQ(bounds, c.uncovered);
    TRect rgnBox;
    GetRgnBox(uncovered, &rgnBox);
    EXPECT_EQ(rgnBox, c.uncovered);
    DeleteObject(uncovered);
    TRect update;
    bool invalid = GetUpdateRect(box->Handle(), &update, FALSE);
    EXPECT_EQ(invalid, (c.flags & SW_INVALIDATE) && c.result != NULLREGION);
    if (invalid) {
        EXPECT_EQ(update, c.uncovered);
    }
    bool moves = c.flags & SW_SCROLLCHILDREN;
    EXPECT_EQ(child->Left(), 60 + (moves ? c.dx : 0));
    EXPECT_EQ(child->Top(), 30 + (moves ? c.dy : 0));
}

const ScrollCase kScrolls[] = {
    {"UpInvalidating", 0, -20, SW_INVALIDATE, SIMPLEREGION, {0, 40, 100, 60}},
    {"UpQuietly", 0, -20, 0, SIMPLEREGION, {0, 40, 100, 60}},
    {"DiagonalWithChildren", -5, -20, SW_INVALIDATE | SW_SCROLLCHILDREN, COMPLEXREGION, {0, 0, 100, 60}},
    {"RightWithChildren", 7, 0, SW_SCROLLCHILDREN, SIMPLEREGION, {0, 0, 7, 60}},
    {"Nowhere", 0, 0, SW_INVALIDATE, NULLREGION, {}},
};
INSTANTIATE_TEST_SUITE_P(Bordered, Scrolling, ::testing::ValuesIn(kScrolls),
                         [](const ::testing::TestParamInfo<ScrollCase>& i) { return std::string(i.param.name); });

TEST_F(WindowServices, PostingToAWindowThatHasGoneFailsFromAnyThread)
{
    HWND h = child->Handle();
    EXPECT_TRUE(PostMessage(h, WM_NULL, 0, 0));
    delete child;
    child = nullptr;
    EXPECT_FALSE(PostMessage(h, WM_NULL, 0, 0));
    std::atomic<int> answers{0};
    HWND alive = box->Handle();
    std::thread t([&] { answers = (PostMessage(h, WM_NULL, 0, 0) ? 1 : 0) + (PostMessage(alive, WM_NULL, 0, 0) ? 2 : 0); });
    t.join();
    EXPECT_EQ(answers, 2);
}

TEST(EarlyPosts, AWorkerThreadNeverStartsTheToolkit)
{
    EXPECT_EXIT(
        {
            // A post to no window is the thread's: it waits for the toolkit and is then delivered.
            std::thread t([] {
                PostMessage(reinterpret_cast<HWND>(1), WM_NULL, 0, 0);
                PostMessage(nullptr, WM_QUIT, 0, 0);
            });
            t.join();
            // The toolkit then starts on this thread and can make windows here.
            Application->Initialize();
            auto* f = new TForm(nullptr);
            f->AfterConstruction();
            f->Show();
            uitest::Pump();
            delete f;
            // Without the leak check at exit: it would race the toolkit's threads, just started.
            std::_Exit(Application->Terminated() ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

int gTicks = 0;
HWND gTickWindow = reinterpret_cast<HWND>(-1);

TEST_F(WindowServices, TimerFunctionsRunWithOrWithoutAWindow)
{
    auto tick = [](HWND h, UINT msg, UINT, DWORD) {
        EXPECT_EQ(msg, WM_TIMER);
        gTickWindow = h;
        ++gTicks;
    };
    EXPECT_EQ(SetTimer(nullptr, 5, 10, nullptr), 0u);  // nobody to tell
    gTicks = 0;
    UINT id = SetTimer(nullptr, 0, 10, tick);
    ASSERT_NE(id, 0u);
    UINT other = SetTimer(nullptr, 0, 10, tick);
    EXPECT_NE(other, id);
    KillTimer(nullptr, other);
    ASSERT_TRUE(uitest::PumpUntil([] { return gTicks >= 2; }));
    EXPECT_EQ(gTickWindow, nullptr);
    EXPECT_TRUE(KillTimer(nullptr, id));
    EXPECT_FALSE(KillTimer(nullptr, id));
    gTicks = 0;
    uitest::Pump(40);
    EXPECT_EQ(gTicks, 0);
    // With a window the function is called in place of WM_TIMER.
    EXPECT_EQ(SetTimer(box->Handle(), 3, 10, tick), 3u);
    ASSERT_TRUE(uitest::PumpUntil([] { return gTicks >= 1; }));
    EXPECT_EQ(gTickWindow, box->Handle());
    KillTimer(box->Handle(), 3);
}

TEST_F(WindowServices, TheCaretTakesItsShapeFromABitmap)
{
    // A 3 x 4 caret whose middle column is white: only that column inverts what lies beneath.
    TBitmap shape;
    shape.SetWidth(3);
    shape.SetHeight(4);  // the width set on an empty bitmap is kept
    ASSERT_EQ(shape.Width(), 3);
    shape.Canvas()->Brush()->SetColor(clBlack);
    shape.Canvas()->FillRect(TRect{0, 0, 3, 4});
    shape.Canvas()->Brush()->SetColor(clWhite);
    shape.Canvas()->FillRect(TRect{1, 0, 2, 4});
    ASSERT_TRUE(CreateCaret(box->Handle(), shape.Handle(), 20, 20));
    SetCaretPos(10, 5);
    ShowCaret(box->Handle());
    TBitmap shot;
    ASSERT_TRUE(CaptureControlImage(box, &shot));
    auto seen = [&](int x, int y) { return ColorToRGB(shot.Canvas()->Pixels(x + 2, y + 2)); };
    EXPECT_EQ(seen(11, 5), RGB(0, 0, 0));
    EXPECT_EQ(seen(11, 8), RGB(0, 0, 0));
    EXPECT_EQ(seen(10, 6), RGB(255, 255, 255));
    EXPECT_EQ(seen(12, 6), RGB(255, 255, 255));
    EXPECT_EQ(seen(11, 9), RGB(255, 255, 255));  // the bitmap's height, not the 20 asked for
    // Handle 1 asks for a gray caret.
    ASSERT_TRUE(CreateCaret(box->Handle(), reinterpret_cast<HBITMAP>(1), 2, 6));
    SetCaretPos(30, 5);
    ShowCaret(box->Handle());
    ASSERT_TRUE(CaptureControlImage(box, &shot));
    EXPECT_EQ(seen(31, 7), RGB(0x7F, 0x7F, 0x7F));
    DestroyCaret();
}

}  // namespace
