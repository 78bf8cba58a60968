// Dragging one control onto another with the mouse: when a drag starts, what the target is asked,
// dropping, refusing, cancelling, and the drag image following the mouse over child windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "platform/Input.h"
#include "tests/support/UiTest.h"

namespace {

class TBlock : public TCustomControl {
public:
    explicit TBlock(TComponent* AOwner) : TCustomControl(AOwner) { SetColor(clWhite); }
    TCustomImageList* Images = nullptr;
    TCustomImageList* GetDragImages() override { return Images; }

protected:
    void Paint() override
    {
        Canvas()->Brush()->SetColor(clWhite);
        Canvas()->FillRect(ClientRect());
    }
};

class Dragging : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(100, 100, 300, 120);
        form->AfterConstruction();
        source = new TBlock(form);
        source->SetParent(form);
        source->SetBounds(10, 10, 60, 60);
        source->DragMode = dmAutomatic;
        target = new TBlock(form);
        target->SetParent(form);
        target->SetBounds(150, 10, 100, 60);
        target->OnDragOver = [this](TObject*, TObject* src, int x, int y, TDragState st, bool& accept) {
            Log.push_back(std::string(st == dsDragEnter ? "enter" : st == dsDragLeave ? "leave" : "move") + " " +
                          std::to_string(x) + "," + std::to_string(y));
            accept = src == source && Accepting;
        };
        target->OnDragDrop = [this](TObject*, TObject* src, int x, int y) {
            Log.push_back("drop " + std::to_string(x) + "," + std::to_string(y) + (src == source ? " from source" : ""));
        };
        source->OnStartDrag = [this](TObject*, TDragObject*&) { Log.push_back("start"); };
        source->OnEndDrag = [this](TObject*, TObject* t, int x, int y) {
            Log.push_back(std::string("end ") + (t == target ? "on target " : "nowhere ") + std::to_string(x) + "," +
                          std::to_string(y));
        };
        form->Show();
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    // Source client coordinates of a point of the target.
    int OnTargetX(int x) { return 140 + x; }
    TForm* form = nullptr;
    TBlock* source = nullptr;
    TBlock* target = nullptr;
    bool Accepting = true;
    std::vector<std::string> Log;
};

TEST_F(Dragging, DroppedOnAControlThatAccepts)
{
    Input::MouseDown(source, mbLeft, 20, 20);
    Input::MouseMove(source, 30, 20, ssLeft);  // past the threshold: the drag starts
    EXPECT_TRUE(source->Dragging());
    Input::MouseMove(source, OnTargetX(5), 20, ssLeft);
    Input::MouseMove(source, OnTargetX(8), 22, ssLeft);
    Input::MouseUp(source, mbLeft, OnTargetX(8), 22);
    EXPECT_FALSE(source->Dragging());
    std::vector<std::string> want{"start", "enter 5,20", "move 8,22", "drop 8,22 from source", "end on target 8,22"};
    EXPECT_EQ(Log, want);
    EXPECT_EQ(GetCapture(), nullptr);
}

// What shows under the pointer is the drag object's cursor: the control's drag cursor while a
// target accepts, a registered cursor of the program's own too, and the no-drop cursor elsewhere.
TEST_F(Dragging, ThePointerShowsTheDragObjectsCursor)
{
    const TCursor own = 31001;
    ASSERT_NE(Screen->Cursors(crDrag), Screen->Cursors(crNoDrop));
    Screen->SetCursors(own, LoadCursor(nullptr, IDC_HAND));
    for (TCursor dragCursor : {crDrag, own}) {
        source->DragCursor = dragCursor;
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Input::MouseDown(source, mbLeft, 20, 20);
        Input::MouseMove(source, 30, 20, ssLeft);
        ASSERT_TRUE(source->Dragging());
        EXPECT_EQ(GetCursor(), Screen->Cursors(crNoDrop)) << "over the source, which accepts nothing";
        Input::MouseMove(source, OnTargetX(5), 20, ssLeft);
        EXPECT_EQ(GetCursor(), Screen->Cursors(dragCursor));
        Input::MouseUp(source, mbLeft, OnTargetX(5), 20);
    }
}

TEST_F(Dragging, RefusedOrLeftItEndsNowhere)
{
    Accepting = false;
    Input::MouseDown(source, mbLeft, 20, 20);
    Input::MouseMove(source, OnTargetX(5), 20, ssLeft);
    Input::MouseUp(source, mbLeft, OnTargetX(5), 20);
    std::vector<std::string> want{"start", "enter 5,20", "leave 5,20", "end nowhere 0,0"};
    EXPECT_EQ(Log, want);
    // Leaving the target before the release: it hears leave, and nothing drops.
    Log.clear();
    Accepting = true;
    Input::AdvanceTime(GetDoubleClickTime() + 1);  // a second press soon after would be a double click
    Input::MouseDown(source, mbLeft, 20, 20);
    Input::MouseMove(source, OnTargetX(5), 20, ssLeft);
    Input::MouseMove(source, 100, 20, ssLeft);
    Input::MouseUp(source, mbLeft, 100, 20);
    want = {"start", "enter 5,20", "leave -40,20", "end nowhere 0,0"};
    EXPECT_EQ(Log, want);
}

TEST_F(Dragging, ASmallMoveIsAClickAndEscapeCancels)
{
    int clicks = 0;
    source->OnClick = [&](TObject*) { ++clicks; };
    Input::MouseDown(source, mbLeft, 20, 20);
    Input::MouseMove(source, 21, 21, ssLeft);
    Input::MouseUp(source, mbLeft, 21, 21);
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(clicks, 1);
    source->SetFocus();
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    Input::MouseDown(source, mbLeft, 20, 20);
    Input::MouseMove(source, OnTargetX(5), 20, ssLeft);
    Input::PressKey(VK_ESCAPE);
    EXPECT_FALSE(source->Dragging());
    Input::MouseUp(source, mbLeft, OnTargetX(5), 20);
    std::vector<std::string> want{"start", "enter 5,20", "leave 5,20", "end nowhere 0,0"};
    EXPECT_EQ(Log, want);
    // Ended from code: only by the control that drags.
    Log.clear();
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    Input::MouseDown(source, mbLeft, 20, 20);
    Input::MouseMove(source, 40, 20, ssLeft);
    target->EndDrag(false);
    EXPECT_TRUE(source->Dragging());
    source->EndDrag(false);
    EXPECT_FALSE(source->Dragging());
    Input::MouseUp(source, mbLeft, 40, 20);
    want = {"start", "end nowhere 0,0"};
    EXPECT_EQ(Log, want);
}

TEST_F(Dragging, TheDragImageFollowsOverChildWindows)
{
    TImageList images(nullptr);
    images.SetWidth(4);
    images.SetHeight(4);
    TBitmap red;
    red.SetWidth(4);
    red.SetHeight(4);
    red.Canvas()->Brush()->SetColor(clRed);
    red.Canvas()->FillRect(TRect{0, 0, 4, 4});
    images.Add(&red, nullptr);
    images.SetDragImage(0, 0, 0);
    source->Images = &images;
    Input::MouseDown(source, mbLeft, 20, 20);
    Input::MouseMove(source, OnTargetX(30), 30, ssLeft);
    ASSERT_TRUE(source->Dragging());
    TBitmap shot;
    ASSERT_TRUE(CaptureControlImage(form, &shot));
    // Over the target window, at the mouse (form client 150 + 30, 10 + 30).
    EXPECT_EQ(ColorToRGB(shot.Canvas()->Pixels(181, 41)), RGB(255, 0, 0));
    Input::MouseUp(source, mbLeft, OnTargetX(30), 30);
    ASSERT_TRUE(CaptureControlImage(form, &shot));
    EXPECT_NE(ColorToRGB(shot.Canvas()->Pixels(181, 41)), RGB(255, 0, 0));
}

// A drag object of the source's own, told when the drag is over.
class TNotedDrag : public TDragControlObject {
public:
    TNotedDrag(TControl* Control, std::vector<std::string>& Log, bool FreeSelf)
        : TDragControlObject(Control), FLog(Log), FFreeSelf(FreeSelf)
    {
    }
    void Finished(TObject* Target, int X, int Y, bool Accepted) override
    {
        FLog.push_back(std::string("finished ") + (Target ? "on a target " : "nowhere ") + std::to_string(X) + "," +
                       std::to_string(Y) + (Accepted ? " accepted" : ""));
        if (FFreeSelf)
            delete this;
    }

private:
    std::vector<std::string>& FLog;
    bool FFreeSelf;
};

TEST_F(Dragging, TheDragObjectHearsTheEndAfterTheSourceAndMayFreeItself)
{
    source->OnStartDrag = [this](TObject*, TDragObject*& obj) { obj = new TNotedDrag(source, Log, true); };
    Input::MouseDown(source, mbLeft, 20, 20);
    Input::MouseMove(source, OnTargetX(5), 20, ssLeft);
    Input::MouseUp(source, mbLeft, OnTargetX(5), 20);
    ASSERT_GE(Log.size(), 2u);
    EXPECT_EQ(Log[Log.size() - 2], "end on target 5,20");
    EXPECT_EQ(Log.back(), "finished on a target 5,20 accepted");
    // Refused: it ends nowhere, not accepted.
    Log.clear();
    Accepting = false;
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    Input::MouseDown(source, mbLeft, 20, 20);
    Input::MouseMove(source, OnTargetX(5), 20, ssLeft);
    Input::MouseUp(source, mbLeft, OnTargetX(5), 20);
    EXPECT_EQ(Log.back(), "finished nowhere 0,0");
}

TEST_F(Dragging, AnEndHandlerThatFreesTheDragObjectOrTheTargetEndsSafely)
{
    TDragObject* made = nullptr;
    source->OnStartDrag = [&](TObject*, TDragObject*& obj) { obj = made = new TNotedDrag(source, Log, false); };
    source->OnEndDrag = [&](TObject*, TObject*, int, int) {
        Log.push_back("end");
        delete made;
        delete target;
        target = nullptr;
    };
    Input::MouseDown(source, mbLeft, 20, 20);
    Input::MouseMove(source, OnTargetX(5), 20, ssLeft);
    Input::MouseUp(source, mbLeft, OnTargetX(5), 20);
    EXPECT_EQ(Log.back(), "end");
    EXPECT_FALSE(source->Dragging());
}

}  // namespace
