// Window services the controls lean on: scrolling a bordered window's contents, posting from other
// threads, timers without windows, and the caret's shape.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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

bool Inside(const RECT& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

// Random scrolls of a bordered window, rectangles and clips reaching past every edge included, come
// out as a per-pixel model says: each pixel of the clip whose source lies in the scrolled part of the
// client area takes that source's old colour and invalidity; the rest of the scrolled part is left
// uncovered; every other pixel of the window, border included, stays as it was.
TEST_F(WindowServices, ScrollingMatchesAPerPixelModelWhereverTheRectanglesReach)
{
    const HWND h = box->Handle();
    RECT win;
    GetWindowRect(h, &win);
    POINT org{0, 0};
    ClientToScreen(h, &org);
    const int W = win.Width(), H = win.Height(), ox = org.X - win.Left, oy = org.Y - win.Top;
    const RECT client{0, 0, box->ClientWidth(), box->ClientHeight()};
    for (unsigned seed : {11u, 12u, 13u, 14u}) {
        std::mt19937 rng(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        // An edge before, inside or past a side of the given length.
        auto edge = [&](int size) {
            const int where = pick(0, 3);
            return where == 0 ? pick(-400, -1) : where == 1 ? pick(size + 1, size + 400) : pick(0, size);
        };
        auto rect = [&] {
            RECT r{edge(client.Right), edge(client.Bottom), edge(client.Right), edge(client.Bottom)};
            if (r.Left > r.Right)
                std::swap(r.Left, r.Right);
            if (r.Top > r.Bottom)
                std::swap(r.Top, r.Bottom);
            return r;
        };
        for (int round = 0; round < 12; ++round) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round);
            std::vector<COLORREF> before(size_t(W * H));
            HDC dc = GetWindowDC(h);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    SetPixel(dc, x, y, COLORREF(rng() & 0xFFFFFF));
                    before[size_t(y * W + x)] = GetPixel(dc, x, y);
                }
            ReleaseDC(h, dc);
            const bool hasArea = pick(0, 3) != 0, hasClip = pick(0, 1) == 0;
            const RECT area = hasArea ? rect() : client, clipAsked = hasClip ? rect() : client;
            RECT clip;
            IntersectRect(clip, clipAsked, client);
            const bool far = pick(0, 3) == 0;
            const int dx = far ? pick(-300, 300) : pick(-12, 12), dy = far ? pick(-300, 300) : pick(-12, 12);
            const UINT flags = pick(0, 1) ? SW_INVALIDATE : 0;
            ValidateRect(h, nullptr);
            const RECT invalid0 = rect();
            InvalidateRect(h, &invalid0, FALSE);
            HRGN uncovered = CreateRectRgn(0, 0, 0, 0);
            RECT bounds;
            const int kind =
                ScrollWindowEx(h, dx, dy, hasArea ? &area : nullptr, hasClip ? &clipAsked : nullptr, uncovered, &bounds, flags);
            HRGN update = CreateRectRgn(0, 0, 0, 0);
            GetUpdateRgn(h, update, FALSE);
            dc = GetWindowDC(h);
            RECT box0{0, 0, 0, 0};
            bool any = false;
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    const int cx = x - ox, cy = y - oy, sx = cx - dx, sy = cy - dy;
                    const bool inClient = Inside(client, cx, cy);
                    const bool moved = inClient && Inside(clip, cx, cy) && Inside(area, sx, sy) && Inside(client, sx, sy);
                    const bool left = inClient && Inside(clip, cx, cy) && Inside(area, cx, cy) && !moved;
                    const COLORREF want = moved ? before[size_t((sy + oy) * W + sx + ox)] : before[size_t(y * W + x)];
                    ASSERT_EQ(GetPixel(dc, x, y), want) << "at " << cx << "," << cy;
                    if (!inClient)
                        continue;
                    ASSERT_EQ(PtInRegion(uncovered, cx, cy) != 0, left) << "at " << cx << "," << cy;
                    const bool stale = (moved ? Inside(invalid0, sx, sy) : Inside(invalid0, cx, cy)) ||
                                       (left && (flags & SW_INVALIDATE));
                    ASSERT_EQ(PtInRegion(update, cx, cy) != 0, stale) << "at " << cx << "," << cy;
                    if (left) {
                        box0 = any ? RECT{std::min(box0.Left, cx), std::min(box0.Top, cy), std::max(box0.Right, cx + 1),
                                          std::max(box0.Bottom, cy + 1)}
                                   : RECT{cx, cy, cx + 1, cy + 1};
                        any = true;
                    }
                }
            ReleaseDC(h, dc);
            EXPECT_EQ(kind == NULLREGION, !any);
            EXPECT_EQ(TRect(bounds), TRect(box0));
            DeleteObject(uncovered);
            DeleteObject(update);
        }
    }
    ValidateRect(h, nullptr);
}

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
