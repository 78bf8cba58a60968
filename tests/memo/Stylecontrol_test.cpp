// The memo as a control: word wrap measured with the painter's fonts, the view seam, painting on
// the control's backing image, scroll ranges and messages, caret placement.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Forms.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/support/UiTest.h"

using namespace memotest;

namespace {

class Control : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 420, 320);
        form->AfterConstruction();
        memo = new TStyleMemo(form);
        memo->SetParent(form);
        memo->SetBounds(0, 0, 300, 200);
        memo->setUpdateMode(umImmediate);
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
        HDC dc = GetDC(memo->Handle());
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(memo->Handle(), dc);
        return c;
    }
    void Paint()
    {
        memo->Invalidate();
        memo->Update();
    }
    TForm* form = nullptr;
    TStyleMemo* memo = nullptr;
};

TEST_F(Control, ShowsText)
{
    memo->setSelText("Hello world, this is a memo that wraps its text at the window width.\r\nSecond");
    Paint();
    EXPECT_TRUE(DeepCheck(*memo));
    EXPECT_GT(memo->LineCount(), 2);
    uitest::SaveSnapshot(memo, "memo_smoke");
}

}  // namespace
