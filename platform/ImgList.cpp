#include "platform/ImgList.h"

#include "platform/Guard.h"

#include <algorithm>

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList()
{
    for (TChangeLink* link : FClients)
        link->FSender = nullptr;
    FClients.clear();
    if (FDragging)
        EndDrag();
    if (FHandle)
        ImageList_Destroy(FHandle);
}

HIMAGELIST TCustomImageList::Handle()
{
    if (!FHandle)
        FHandle = ImageList_Create(FWidth, FHeight, ILC_MASK | ILC_COLOR32, 4, 4);
    return FHandle;
}

void TCustomImageList::Recreate()
{
    if (FHandle)
        ImageList_Destroy(FHandle);
    FHandle = nullptr;
    Change();
}

void TCustomImageList::SetWidth(Integer Value)
{
    if (Value == FWidth || Value <= 0)
        return;
    FWidth = Value;
    Recreate();
}

void TCustomImageList::SetHeight(Integer Value)
{
    if (Value == FHeight || Value <= 0)
        return;
    FHeight = Value;
    Recreate();
}

Integer TCustomImageList::Count() const { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

void TCustomImageList::Change()
{
    // A client may leave while it hears of the change, or free this list: each is looked for again
    // before it is told, and the walk stops once the list has gone.
    TGuardPtr<TCustomImageList> self(this);
    for (TGuardPtr<TChangeLink>& link : GuardedCopy<TChangeLink>(FClients)) {
        if (!self)
            return;
        if (link && link->FSender == this)
            link->Change();
    }
    if (self && OnChange)
        OnChange(this);
}

void TCustomImageList::RegisterChanges(TChangeLink* Value)
{
    if (!Value || Value->FSender == this)
        return;
    if (Value->FSender)
        Value->FSender->UnregisterChanges(Value);
    Value->FSender = this;
    FClients.push_back(Value);
}

void TCustomImageList::UnregisterChanges(TChangeLink* Value)
{
    const auto it = std::find(FClients.begin(), FClients.end(), Value);
    if (it == FClients.end())
        return;
    FClients.erase(it);
    Value->FSender = nullptr;
}

TChangeLink::~TChangeLink()
{
    if (FSender)
        FSender->UnregisterChanges(this);
}

void TChangeLink::Change()
{
    if (OnChange)
        OnChange(FSender);
}

Integer TCustomImageList::Add(TBitmap* Image, TBitmap* Mask)
{
    if (!Image)
        return -1;
    Integer i = ImageList_Add(Handle(), Image->Handle(), Mask ? Mask->Handle() : nullptr);
    if (i >= 0)
        Change();
    return i;
}

Integer TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor)
{
    if (!Image)
        return -1;
    // clDefault: the bitmap's own transparent colour, its bottom-left pixel.
    TColor key = MaskColor == clDefault ? Image->TransparentColor() : MaskColor;
    Integer i = ImageList_AddMasked(Handle(), Image->Handle(), ColorToRGB(key));
    if (i >= 0)
        Change();
    return i;
}

void TCustomImageList::ReplaceMasked(Integer Index, TBitmap* NewImage, TColor MaskColor)
{
    if (!NewImage || Index < 0 || Index >= Count())
        return;
    const COLORREF key = ColorToRGB(MaskColor == clDefault ? NewImage->TransparentColor() : MaskColor);
    const Integer w = NewImage->Width(), h = NewImage->Height();
    TBitmap mask;
    mask.SetSize(w, h);
    TCanvas* src = NewImage->Canvas();
    TCanvas* dst = mask.Canvas();
    for (Integer y = 0; y < h; ++y)
        for (Integer x = 0; x < w; ++x)
            dst->SetPixel(x, y, ColorToRGB(src->Pixels(x, y)) == key ? clWhite : clBlack);
    if (ImageList_Replace(Handle(), Index, NewImage->Handle(), mask.Handle()))
        Change();
}

void TCustomImageList::Delete(Integer Index)
{
    if (FHandle && ImageList_Remove(FHandle, Index))
        Change();
}

void TCustomImageList::Clear() { Delete(-1); }

void TCustomImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled)
{
    Draw(Canvas, X, Y, Index, DrawingStyle, ImageType, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, TDrawingStyle Style, TImageType Type,
                            bool Enabled)
{
    if (!Canvas || !FHandle || Index < 0 || Index >= Count())
        return;
    UINT style = Type == itMask ? ILD_MASK : ILD_NORMAL;
    if (Style == dsTransparent)
        style |= ILD_TRANSPARENT;
    else if (Style == dsSelected)
        style |= ILD_SELECTED;
    else if (Style == dsFocus)
        style |= ILD_FOCUS;
    COLORREF bk = BkColor == clNone ? CLR_NONE : ColorToRGB(BkColor);
    COLORREF fg = BlendColor == clNone || BlendColor == clDefault ? CLR_DEFAULT : ColorToRGB(BlendColor);
    if (!Enabled) {
        // Disabled: the image's shape in the shadow colour.
        style = ILD_TRANSPARENT | ILD_BLEND50;
        fg = ColorToRGB(clBtnShadow);
        bk = CLR_NONE;
    }
    ImageList_DrawEx(FHandle, Index, Canvas->Handle(), X, Y, 0, 0, bk, fg, style);
}

bool TCustomImageList::SetDragImage(Integer Index, Integer HotSpotX, Integer HotSpotY)
{
    if (Index < 0 || Index >= Count())
        return false;
    FDragIndex = Index;
    FDragHotspot = {HotSpotX, HotSpotY};
    return true;
}

bool TCustomImageList::BeginDrag(HWND Window, Integer X, Integer Y)
{
    if (FDragging || !ImageList_BeginDrag(Handle(), FDragIndex, FDragHotspot.X, FDragHotspot.Y))
        return false;
    FDragging = true;
    FDragWindow = Window;
    return ImageList_DragEnter(Window, X, Y) != FALSE;
}

bool TCustomImageList::DragMove(Integer X, Integer Y) { return FDragging && ImageList_DragMove(X, Y); }

bool TCustomImageList::DragLock(HWND Window, Integer XPos, Integer YPos)
{
    if (!FDragging)
        return false;
    if (Window != FDragWindow) {
        ImageList_DragLeave(FDragWindow);
        FDragWindow = Window;
    }
    return ImageList_DragEnter(Window, XPos, YPos) != FALSE;
}

void TCustomImageList::DragUnlock()
{
    if (FDragging && FDragWindow) {
        ImageList_DragLeave(FDragWindow);
        FDragWindow = nullptr;
    }
}

bool TCustomImageList::EndDrag()
{
    if (!FDragging)
        return false;
    DragUnlock();
    ImageList_EndDrag();
    FDragging = false;
    return true;
}

void TCustomImageList::ShowDragImage()
{
    if (FDragging)
        ImageList_DragShowNolock(TRUE);
}

void TCustomImageList::HideDragImage()
{
    if (FDragging)
        ImageList_DragShowNolock(FALSE);
}
