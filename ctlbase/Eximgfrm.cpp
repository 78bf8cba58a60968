#include "ctlbase/Eximgfrm.h"

#include <cstring>
#include <vector>

#include "ctlbase/Exextbkgnd.h"
#include "ctlbase/Exhook.h"
#include "ctlbase/Exlist.h"
#include "ctlbase/Extools.h"
#include "platform/ExtCtrls.h"
#include "platform/Graphics.h"
#include "platform/Guard.h"
#include "platform/Messages.h"
#include "platform/WinGdiMore.h"

// ================================================================ TImgFormChangeLink

TImgFormChangeLink::~TImgFormChangeLink()
{
    if (FSender)
        FSender->UnregisterChanges(this);
}

void TImgFormChangeLink::Change()
{
    if (OnChange)
        OnChange(FSender);
}

// ================================================================ region from a bitmap

HRGN BitmapToRegion(TBitmap* Bitmap, TColor TransparentColor)
{
    if (!Bitmap || Bitmap->Width() <= 0 || Bitmap->Height() <= 0)
        return nullptr;
    const int w = Bitmap->Width(), h = Bitmap->Height();
    std::vector<RGBQUAD> px(size_t(w) * size_t(h));
    BITMAPINFO info;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    if (GetDIBits(nullptr, Bitmap->Handle(), 0, UINT(h), px.data(), &info, DIB_RGB_COLORS) != h)
        return nullptr;
    // clNone is no pixel's colour: nothing is left out.
    const COLORREF clear = TransparentColor == clNone ? CLR_INVALID : ColorToRGB(TransparentColor);
    auto opaque = [&](const RGBQUAD& p) { return RGB(p.rgbRed, p.rgbGreen, p.rgbBlue) != clear; };
    // Runs of one row as (left, right) pairs; rows with the same runs as the row above widen its
    // band instead of adding rectangles, so a picture's region costs one pass over its pixels.
    std::vector<RECT> rects;
    std::vector<int> runs, bandRuns;
    size_t bandStart = 0;
    int bandTop = 0;
    auto closeBand = [&](int bottom) {
        for (size_t i = bandStart; i < rects.size(); ++i)
            rects[i].Bottom = bottom;
    };
    for (int y = 0; y < h; ++y) {
        runs.clear();
        const RGBQUAD* row = px.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w;) {
            while (x < w && !opaque(row[x]))
                ++x;
            if (x >= w)
                break;
            int start = x;
            while (x < w && opaque(row[x]))
                ++x;
            runs.push_back(start);
            runs.push_back(x);
        }
        if (y > 0 && runs == bandRuns)
            continue;
        closeBand(y);
        bandStart = rects.size();
        bandTop = y;
        bandRuns = runs;
        for (size_t i = 0; i < runs.size(); i += 2)
            rects.push_back({runs[i], bandTop, runs[i + 1], bandTop + 1});
    }
    closeBand(h);
    if (rects.empty())
        return nullptr;
    std::vector<char> buf(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(buf.data());
    data->rdh = RGNDATAHEADER{};
    data->rdh.nCount = DWORD(rects.size());
    data->rdh.rcBound = {0, 0, w, h};
    std::memcpy(data->Buffer, rects.data(), rects.size() * sizeof(RECT));
    return ExtCreateRegion(nullptr, DWORD(rects.size()), data);
}

// ================================================================ TCustomExImageForm

// The picture change handler an image form puts in: it knows its form, so that the chain of forms
// on one picture (each calling the handler it replaced) can be walked and mended.
struct TCustomExImageForm::TPictureHook {
    TCustomExImageForm* Form;
    void operator()(TObject* Sender) const { Form->PictureChanged(Sender); }
    static TCustomExImageForm* FormOf(const TNotifyEvent& Handler)
    {
        const TPictureHook* h = Handler.target<TPictureHook>();
        return h ? h->Form : nullptr;
    }
};

void TCustomExImageForm::UnhookPicture()
{
    TNotifyEvent& head = FFormImage->Picture()->OnChange;
    if (TPictureHook::FormOf(head) == this) {
        head = std::move(FSavedPictureChange);
    } else {
        // Another form went on the picture after this one and calls this one's handler: it calls
        // what this one replaced instead.
        for (TCustomExImageForm* f = TPictureHook::FormOf(head); f; f = TPictureHook::FormOf(f->FSavedPictureChange))
            if (TPictureHook::FormOf(f->FSavedPictureChange) == this) {
                f->FSavedPictureChange = std::move(FSavedPictureChange);
                break;
            }
    }
    FSavedPictureChange = nullptr;
}

TCustomExImageForm::TCustomExImageForm(TComponent* AOwner)
    : TComponent(AOwner), FBackground(std::make_unique<TBitmap>()), FSpare(std::make_unique<TBitmap>()),
      FLinks(new TExList)
{
    FBackground->OnChange = [this](TObject* Sender) { BkImageChange(Sender); };
    MakeHook();
}

TCustomExImageForm::~TCustomExImageForm()
{
    DestroyHook();
    DestroyRegion();
    // The picture must not call back into an image form that has gone.
    if (FFormImage && !FFormImage->HasState(csDestroying))
        UnhookPicture();
    for (int i = FLinks->Count() - 1; i >= 0; --i)
        UnregisterChanges(static_cast<TImgFormChangeLink*>(FLinks->Get(i)));
    delete FLinks;
}

TWinControl* TCustomExImageForm::GetRealControl() const
{
    return FControl ? FControl : dynamic_cast<TWinControl*>(Owner());
}

bool TCustomExImageForm::Designing(TComponent* C) const { return C && C->HasState(csDesigning); }

void TCustomExImageForm::RegisterChanges(TImgFormChangeLink* Link)
{
    if (!Link)
        return;
    // A link serves one image form: it would otherwise leave the first holding it after it is gone.
    if (Link->FSender && Link->FSender != this)
        Link->FSender->UnregisterChanges(Link);
    Link->FSender = this;
    if (FLinks->IndexOf(Link) < 0)
        FLinks->Add(Link);
}

void TCustomExImageForm::UnregisterChanges(TImgFormChangeLink* Link)
{
    if (FLinks->IndexOf(Link) < 0)
        return;
    Link->FSender = nullptr;
    FLinks->Remove(Link);
}

void TCustomExImageForm::Change()
{
    // Handlers may unregister links, free them, or free this image form: the links registered now
    // hear of the change unless they have left or gone by their turn.
    std::vector<TGuardPtr<TImgFormChangeLink>> links;
    links.reserve(size_t(FLinks->Count()));
    for (int i = 0; i < FLinks->Count(); ++i)
        links.emplace_back(static_cast<TImgFormChangeLink*>(FLinks->Get(i)));
    TGuardPtr<TCustomExImageForm> self(this);
    for (const auto& link : links) {
        if (!self)
            return;
        if (link && link->FSender == this)
            link->Change();
    }
}

// ---------------------------------------------------------------- painting

TRect TCustomExImageForm::OriginRect(TWinControl* Real, TPoint& Origin)
{
    TRect r{0, 0, Real->ClientWidth(), Real->ClientHeight()};
    if (!Real->HandleAllocated())
        return r;
    HWND h = Real->Handle();
    const DWORD style = DWORD(GetWindowLong(h, GWL_STYLE));
    auto scrolled = [&](int bar, Integer& edge, Integer& offset) {
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_POS;
        if (!GetScrollInfo(h, bar, &si))
            return;
        if (si.nMax - si.nMin != 0)
            edge = si.nMax - si.nMin;
        offset += si.nPos;
    };
    if (style & WS_HSCROLL)
        scrolled(SB_HORZ, r.Right, Origin.X);
    if (style & WS_VSCROLL)
        scrolled(SB_VERT, r.Bottom, Origin.Y);
    SendMessage(h, IFM_ORIGINRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

void TCustomExImageForm::PaintBkgnd(HDC DC, const TRect& R, const TPoint& Origin, bool Direct)
{
    TWinControl* real = GetRealControl();
    if (!real)
        return;
    TPoint origin = Origin;
    const TRect area = OriginRect(real, origin);
    TColor color = real->Color();
    HWND wnd = real->HandleAllocated() ? real->Handle() : nullptr;
    switch (FBackgroundType) {
    case bgtTileBitmap:
    case bgtStretchBitmap:
    case bgtCenterBitmap:
    case bgtTopLeftBitmap:
        if (FBackground->Empty()) {
            FillSolidRect2(DC, R, color);
            break;
        }
        if (FBackgroundType == bgtTopLeftBitmap)
            color = FBackground->Canvas()->Pixels(FBackground->Width() - 1, FBackground->Height() - 1);
        if (Direct)
            ExtDrawBkgnd(DC, wnd, area, area, area, area, false, color, color, false, FBackground.get(),
                         FBackgroundType);
        else
            ExtDrawBkgnd2(DC, wnd, R, area, origin, color, FBackground.get(), FBackgroundType);
        break;
    case bgtColorFill: FillSolidRect2(DC, R, color); break;
    case bgtHorzGradient:
    case bgtVertGradient:
        GradientFillEx(DC, R, area, origin, FGradientStartColor, FGradientEndColor, FGradientSteps,
                       FBackgroundType == bgtVertGradient);
        break;
    }
}

// ---------------------------------------------------------------- the hook

void TCustomExImageForm::MakeHook()
{
    TWinControl* real = GetRealControl();
    if (!real || Designing(real))
        return;
    DestroyHook();
    FHook = new TExHook(nullptr);
    FHook->OnBeforeProcess = [this](TObject* Sender, TMessage& Msg, bool& Handled) {
        BeforeMessage(Sender, Msg, Handled);
    };
    FHook->OnAfterProcess = [this](TObject* Sender, TMessage& Msg, bool& Handled) {
        AfterMessage(Sender, Msg, Handled);
    };
    FHook->SetControl(real);
    FHook->SetActive(true);
}

void TCustomExImageForm::DestroyHook()
{
    TObject::Free(FHook);
    FHook = nullptr;
}

void TCustomExImageForm::InvalidateHooked(bool Erase)
{
    TWinControl* real = GetRealControl();
    if (real && real->HandleAllocated())
        InvalidateRect(real->Handle(), nullptr, Erase ? TRUE : FALSE);
}

void TCustomExImageForm::BroadcastRepaint()
{
    TWinControl* real = GetRealControl();
    if (!real)
        return;
    for (int i = 0; i < real->ControlCount(); ++i)
        real->Controls(i)->Perform(IFM_REPAINTCHILDREN, 0, 0);
}

void TCustomExImageForm::BeforeMessage(TObject*, TMessage& Msg, bool& Handled)
{
    if (Msg.Msg == WM_SIZE) {
        FSizing = true;
        return;
    }
    if (Msg.Msg != WM_ERASEBKGND)
        return;
    TWinControl* real = GetRealControl();
    if (!real || Designing(real))
        return;
    if (real->Perform(IFM_CANPAINTBKGND, 0, 0) != 0)
        return;
    if (!FControl && FBackgroundType == bgtColorFill)
        return;
    HDC dc = reinterpret_cast<HDC>(Msg.WParam);
    TRect clip;
    GetClipBox(dc, &clip);
    if (IsRectEmpty(clip)) {
        clip = real->ClientRect();
        SendMessage(real->Handle(), IFM_ORIGINRECT, 0, reinterpret_cast<LPARAM>(&clip));
    }
    PaintBkgnd(dc, clip, Point(0, 0), true);
    if (!FSizing) {
        Msg.Result = 1;
        Handled = true;
    }
}

void TCustomExImageForm::AfterMessage(TObject*, TMessage& Msg, bool&)
{
    TWinControl* real = GetRealControl();
    switch (Msg.Msg) {
    case WM_NCHITTEST: {
        if (!FMoveForm || !real)
            break;
        const TPoint screen{GET_X_LPARAM(Msg.LParam), GET_Y_LPARAM(Msg.LParam)};
        if (FCaptionControl) {
            if (PtInRect(FCaptionControl->ClientRect(), FCaptionControl->ScreenToClient(screen)))
                Msg.Result = HTCAPTION;
        } else {
            const TPoint p = real->ScreenToClient(screen);
            if (p.X >= 0 && p.Y >= 0 && !real->ControlAtPos(p, true, true))
                Msg.Result = HTCAPTION;
        }
        break;
    }
    case WM_SIZE:
        FSizing = false;
        InvalidateHooked(true);
        BroadcastRepaint();
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        InvalidateHooked(false);
        BroadcastRepaint();
        break;
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
    case WM_NCMBUTTONDBLCLK: {
        if (!FMoveForm || FCaptionControl || !real)
            break;
        const TPoint p = real->ScreenToClient({GET_X_LPARAM(Msg.LParam), GET_Y_LPARAM(Msg.LParam)});
        const TShiftState shift = GetShiftState();
        WPARAM keys = 0;
        if (shift & ssCtrl)
            keys |= MK_CONTROL;
        if (shift & ssShift)
            keys |= MK_SHIFT;
        SendMessage(real->Handle(), Msg.Msg - WM_NCRBUTTONDOWN + WM_RBUTTONDOWN, keys, MAKELPARAM(p.X, p.Y));
        break;
    }
    case WM_PALETTECHANGED: InvalidateHooked(true); break;
    default: break;
    }
}

// ---------------------------------------------------------------- the window region

void TCustomExImageForm::MakeRegion()
{
    DestroyRegion();
    TWinControl* real = GetRealControl();
    if (!FFormImage || !real || Designing(real) || FFormImage->Picture()->Width() <= 0 ||
        FFormImage->Picture()->Height() <= 0)
        return;
    const TColor clear = FTransparentColor != clNone ? FTransparentColor : GetTransparentColor();
    FRegion = BitmapToRegion(FFormImage->Picture()->Bitmap(), clear);
    if (!FRegion)
        return;
    // The window takes a copy: the one kept here is deleted when the shape goes.
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(copy, FRegion, nullptr, RGN_COPY);
    SetWindowRgn(real->Handle(), copy, TRUE);
}

void TCustomExImageForm::DestroyRegion()
{
    if (!FRegion)
        return;
    TWinControl* real = GetRealControl();
    if (real && real->HandleAllocated())
        SetWindowRgn(real->Handle(), nullptr, TRUE);
    DeleteObject(FRegion);
    FRegion = nullptr;
}

TColor TCustomExImageForm::GetTransparentColor() const
{
    if (!FFormImage)
        return clNone;
    TPicture* picture = FFormImage->Picture();
    if (picture->Width() <= 0 || picture->Height() <= 0)
        return clNone;
    return picture->Bitmap()->Canvas()->Pixels(0, picture->Height() - 1);
}

// ---------------------------------------------------------------- properties

void TCustomExImageForm::SetCaptionControl(TControl* Value)
{
    if (Value == FCaptionControl)
        return;
    if (FCaptionControl)
        FCaptionControl->RemoveFreeNotification(this);
    FCaptionControl = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TCustomExImageForm::SetChangeRegion(bool Value)
{
    if (Value == FChangeFormRegion)
        return;
    if (FChangeFormRegion)
        DestroyRegion();
    FChangeFormRegion = Value;
    if (Value)
        MakeRegion();
}

void TCustomExImageForm::SetBkImage(TBitmap* Value)
{
    TNotifyEvent changed = std::move(FBackground->OnChange);
    FBackground->OnChange = nullptr;
    if (Value)
        FBackground->Assign(Value);
    else
        FBackground->SetSize(0, 0);
    FBackground->OnChange = std::move(changed);
    InvalidateHooked(true);
    Change();
}

void TCustomExImageForm::BkImageChange(TObject*)
{
    InvalidateHooked(true);
    Change();
}

void TCustomExImageForm::SetImage(TImage* Value)
{
    if (Value == FFormImage)
        return;
    if (FFormImage) {
        if (!Designing(this))
            UnhookPicture();
        FFormImage->RemoveFreeNotification(this);
    }
    if (FChangeFormRegion)
        DestroyRegion();
    FFormImage = Value;
    FSavedPictureChange = nullptr;
    if (Value) {
        Value->FreeNotification(this);
        if (!Designing(this)) {
            FSavedPictureChange = Value->Picture()->OnChange;
            Value->Picture()->OnChange = TPictureHook{this};
        }
    }
    if (FChangeFormRegion)
        MakeRegion();
}

void TCustomExImageForm::PictureChanged(TObject* Sender)
{
    if (FSavedPictureChange) {
        // A copy: the handler may free this form, or another one whose handler this one calls.
        TGuardPtr<TCustomExImageForm> self(this);
        const TNotifyEvent saved = FSavedPictureChange;
        saved(Sender);
        if (!self)
            return;
    }
    if (HasState(csLoading) || HasState(csReading))
        return;
    DestroyRegion();
    FTransparentColor = GetTransparentColor();
    if (FChangeFormRegion && FFormImage && !FFormImage->Picture()->Bitmap()->Empty())
        MakeRegion();
    Change();
}

void TCustomExImageForm::SetBackgroundType(TExBkGndType Value)
{
    if (Value == FBackgroundType)
        return;
    FBackgroundType = Value;
    InvalidateHooked(true);
    Change();
}

namespace {
bool IsGradient(TExBkGndType t) { return t == bgtHorzGradient || t == bgtVertGradient; }
}  // namespace

void TCustomExImageForm::SetGradientSteps(Integer Value)
{
    if (Value == FGradientSteps)
        return;
    FGradientSteps = Value;
    if (IsGradient(FBackgroundType)) {
        InvalidateHooked(true);
        Change();
    }
}

void TCustomExImageForm::SetGradientStartColor(TColor Value)
{
    if (Value == FGradientStartColor)
        return;
    FGradientStartColor = Value;
    if (IsGradient(FBackgroundType)) {
        InvalidateHooked(true);
        Change();
    }
}

void TCustomExImageForm::SetGradientEndColor(TColor Value)
{
    if (Value == FGradientEndColor)
        return;
    FGradientEndColor = Value;
    if (IsGradient(FBackgroundType)) {
        InvalidateHooked(true);
        Change();
    }
}

void TCustomExImageForm::SetControl(TWinControl* Value)
{
    if (Value == FControl)
        return;
    DestroyHook();
    DestroyRegion();
    if (FControl)
        FControl->RemoveFreeNotification(this);
    FControl = Value;
    if (Value)
        Value->FreeNotification(this);
    if (FChangeFormRegion)
        MakeRegion();
    MakeHook();
}

void TCustomExImageForm::SetTransparentColor(TColor Value)
{
    if (Value == FTransparentColor)
        return;
    FTransparentColor = Value;
    if (HasState(csLoading) || HasState(csReading))
        return;
    DestroyRegion();
    if (FChangeFormRegion)
        MakeRegion();
    Change();
}

void TCustomExImageForm::Loaded()
{
    TComponent::Loaded();
    PictureChanged(FFormImage);
    MakeHook();
}

void TCustomExImageForm::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent)
        return;
    // The component is past its own destructors here: forget it without calling into it.
    if (AComponent == FCaptionControl)
        FCaptionControl = nullptr;
    if (AComponent == FFormImage) {
        FFormImage = nullptr;
        FSavedPictureChange = nullptr;
        if (FChangeFormRegion)
            DestroyRegion();
    }
    if (AComponent == FControl) {
        DestroyHook();
        if (FRegion)
            DeleteObject(FRegion);
        FRegion = nullptr;
        FControl = nullptr;
        if (FChangeFormRegion)
            MakeRegion();
        MakeHook();
    }
}
