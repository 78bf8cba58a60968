// A tree on a form whose view the test can look into: pixels of the view's backing image, the drop
// target and an edit set by hand (the mouse, drag and editing flows are not the view's own), and a
// record of the clip boxes the view painted.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctlbase/Exuxtheme.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "tests/support/UiTest.h"
#include "tree/Extree.h"

class TProbeView : public TExTreeView {
public:
    using TExTreeView::TExTreeView;
    void SetDropTarget(TExTreeItem* Item, bool Accepted)
    {
        FDropTargetItem = Item;
        FDropAccepted = Accepted;
    }
    void BeginEdit(TExTreeInplaceEditor* Editor, TExTreeItem* Item)
    {
        FActiveEditor = Editor;
        FItemInEdit = Item;
    }
    void SetTracked(TExTreeItem* Item) { FTrackedItem = Item; }
    // Clip boxes of the paints (view coordinates).
    std::vector<TRect> Clips;

protected:
    void Paint() override
    {
        Clips.push_back(Canvas()->ClipRect());
        TExTreeView::Paint();
    }
};

class TProbeTree : public TExTree {
public:
    explicit TProbeTree(TComponent* AOwner) : TExTree(AOwner, TDeferParts{}) { Construct(); }
    TProbeView* Probe() const { return static_cast<TProbeView*>(View()); }

protected:
    TExTreeView* CreateView() override { return new TProbeView(this); }
};

// An editor that does nothing but say it edits.
class TQuietEditor : public TExTreeInplaceEditor {
public:
    using TExTreeInplaceEditor::TExTreeInplaceEditor;
    bool GetVisible() override { return false; }

protected:
    void DoStartOperation() override {}
};

class ViewTest : public ::testing::Test {
protected:
    TForm* Form = new TForm(nullptr);
    TProbeTree* Tree = new TProbeTree(Form);

    ViewTest()
    {
        Form->SetBounds(0, 0, 800, 600);
        Tree->SetParent(Form);
        Tree->SetUseXPThemes(false);
        Tree->SetBounds(10, 10, 300, 200);
        Form->AfterConstruction();
        Tree->HandleNeeded();
    }
    ~ViewTest() override { TObject::Free(Form); }

    TExTreeItems& Items() const { return *Tree->Items(); }
    TProbeView* View() const { return Tree->Probe(); }
    void AddSections(const std::vector<Integer>& Widths)
    {
        for (Integer w : Widths) Tree->Header()->Sections()->AddSection()->SetWidth(w);
    }
    // Paints the view again and reads one pixel of its image (view client coordinates).
    COLORREF At(int X, int Y)
    {
        Repaint();
        return Peek(X, Y);
    }
    // Reads without painting.
    COLORREF Peek(int X, int Y)
    {
        HDC dc = GetDC(View()->Handle());
        const COLORREF c = GetPixel(dc, X, Y);
        ReleaseDC(View()->Handle(), dc);
        return c;
    }
    void Repaint()
    {
        View()->Invalidate();
        UpdateWindow(View()->Handle());
    }
    // The pixels of a row of the image from X1 to X2 (X2 left out).
    std::vector<COLORREF> Line(int X1, int X2, int Y)
    {
        Repaint();
        std::vector<COLORREF> r;
        HDC dc = GetDC(View()->Handle());
        for (int x = X1; x < X2; ++x) r.push_back(GetPixel(dc, x, Y));
        ReleaseDC(View()->Handle(), dc);
        return r;
    }
    static COLORREF Rgb(TColor C) { return ColorToRGB(C); }
};

// A 16 x 16 image list holding solid squares of the given colours.
inline TImageList* SolidImages(TComponent* Owner, const std::vector<TColor>& Colors, int Size = 16)
{
    auto* list = new TImageList(Owner);
    list->SetWidth(Size);
    list->SetHeight(Size);
    for (TColor c : Colors) {
        TBitmap b;
        b.SetSize(Size, Size);
        b.Canvas()->Brush()->SetColor(c);
        b.Canvas()->FillRect(TRect{0, 0, Size, Size});
        list->Add(&b, nullptr);
    }
    return list;
}
