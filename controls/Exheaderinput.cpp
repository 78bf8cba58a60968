// What the header does with the mouse and keys: clicks, resizing by a section's edge (live or with an
// inverted line over the parent), dragging a section with a floating image, the expand, filter and
// lookup signs, hot tracking, cursors, hints and popup menus.
//
// Every event may free the header or the section it names; each raising site that goes on afterwards
// checks a guard first.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "controls/Exactrls.h"
#include "controls/Exheader.h"
#include "ctlbase/Exlist.h"
#include "ctlbase/Exvclutils.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/Windows.h"

namespace {

constexpr double kDragDistance = 5.0;

bool NoShift(TShiftState Shift) { return (Shift & (ssShift | ssCtrl | ssAlt)) == 0; }

}  // namespace

// ---------------------------------------------------------------- left button

void TCustomExHeader::WMLButtonDown(TMessage& Message)
{
    TGuardPtr<TCustomExHeader> self(this);
    if (!(ControlStyle & csNoStdEvents) && !LeftDown(Message.XPos(), Message.YPos()))
        return;
    if (self)
        TExXPThemedControl::Dispatch(Message);
}

bool TCustomExHeader::LeftDown(Integer X, Integer Y)
{
    TGuardPtr<TCustomExHeader> self(this);
    if (TCustomForm* form = GetParentForm(this)) {
        form->SendCancelMode(this);
        if (!self)
            return false;
    }
    if (FLookupShown)
        return CloseLookupEditor(false);

    TExHeaderSection* s = nullptr;
    if (InResizeArea(X, s) && s && s->FResizable) {
        FResizing = true;
        FResizeSection = s;
        if (TExHeaderSection* hot = FHotSection) {
            FHotSection = nullptr;
            hot->UpdateSection();
            if (!self)
                return false;
        }
        if (Screen)
            Screen->SetCursor(crHSplit);
        SetCapture(Handle());
        FResizeLineX = PaintedRight(s);
        FResizeOffset = X - FResizeLineX;
        if (!FResizeOnDrag && Parent() && Parent()->HandleAllocated()) {
            FLineDC = GetDCEx(Parent()->Handle(), nullptr, DCX_CACHE | DCX_PARENTCLIP | DCX_LOCKWINDOWUPDATE);
            DrawResizeLine();
        }
        DoSectionResizing(s, trsBegin, s->FWidth);
        return bool(self);
    }

    FPressPoint = TPoint{X, Y};
    FPressed = true;
    if (TExHeaderSection* old = FPressSection) {
        FPressSection = nullptr;
        old->UpdateSection();
        if (!self)
            return false;
    }
    s = GetSectionAt(X, Y);
    FPressSection = s;
    if (!s)
        return true;
    if (s->FWidth > 14) {
        const Integer r = PaintedRight(s) - 4;
        const bool signColumn = X >= r - 7 && X <= r;
        if (s->FExpandable && signColumn && Y >= 2 && Y <= 9) {
            // The section does not look pressed while the owner hears of the sign.
            FPressSection = nullptr;
            s->SetExpanded(!s->FExpanded);
            if (s->FExpanded)
                DoSectionExpandEvent(s);
            else
                DoSectionCollapseEvent(s);
            if (!self)
                return false;
        } else if (s->FFilterEnabled && X >= r - 6 && X <= r && Y >= 12 && Y <= 16) {
            FPressSection = nullptr;
            TriggerFilterCallEvent(s);
            if (!self)
                return false;
        } else if (s->FLookupEnabled && s != FLockedSection && signColumn && Y >= 12 && Y <= 16) {
            FPressSection = nullptr;
            OpenLookupEditor(s);
            if (!self)
                return false;
        }
    }
    // A sign pressed is no press of the section.
    if (FPressSection == s && s->FAllowClick)
        s->UpdateSection();
    else
        FPressSection = nullptr;
    return bool(self);
}

void TCustomExHeader::WMLButtonUp(TMessage& Message)
{
    TGuardPtr<TCustomExHeader> self(this);
    if (!(ControlStyle & csNoStdEvents) && !LeftUp(Message.XPos(), Message.YPos()))
        return;
    if (self)
        TExXPThemedControl::Dispatch(Message);
}

bool TCustomExHeader::LeftUp(Integer X, Integer Y)
{
    if (FResizing)
        return EndResize();
    if (FDragSection || FDragImage)
        return EndSectionDrag(X, Y, false);
    FPressed = false;
    TExHeaderSection* s = FPressSection;
    if (!s)
        return true;
    FPressSection = nullptr;
    TGuardPtr<TCustomExHeader> self(this);
    TGuardPtr<TExHeaderSection> section(s);
    s->UpdateSection();
    if (!self)
        return false;
    if (section && GetSectionAt(FPressPoint.X, FPressPoint.Y) == s && GetSectionAt(X, Y) == s) {
        DoSectionClick(s);
        return bool(self);
    }
    return true;
}

bool TCustomExHeader::EndResize()
{
    TExHeaderSection* s = FResizeSection;
    FResizing = false;
    if (Screen)
        Screen->SetCursor(Cursor());
    if (HandleAllocated() && GetCapture() == Handle())
        ReleaseCapture();
    if (!FResizeOnDrag) {
        const bool hadLine = FLineDC != nullptr;
        ReleaseResizeLine();
        if (s && hadLine)
            s->SetWidth(FResizeLineX - s->GetLeft() + (s == FLockedSection ? 0 : FLeftPos));
    }
    TGuardPtr<TCustomExHeader> self(this);
    if (s) {
        TGuardPtr<TExHeaderSection> section(s);
        DoSectionResizing(s, trsEnd, s->FWidth);
        if (!self)
            return false;
        if (section) {
            DoSectionResize(s);
            if (!self)
                return false;
        }
    }
    FResizeSection = nullptr;
    RepaintHeader();
    Update();
    return bool(self);
}

bool TCustomExHeader::EndSectionDrag(Integer X, Integer Y, bool Cancelled)
{
    TGuardPtr<TExHeaderSection> dragged(FDragSection);
    TExHeaderSection* drop = Cancelled ? FDragSection : GetSectionAt(X, Y);
    FPressed = false;
    FPressSection = nullptr;
    FHotSection = nullptr;
    FDragSection = nullptr;
    FDropSection = nullptr;
    FreeDragImages();
    if (HandleAllocated() && GetCapture() == Handle())
        ReleaseCapture();
    TGuardPtr<TCustomExHeader> self(this);
    if (dragged && drop != dragged.Get())
        FSections->MoveSection(dragged.Get(), drop ? FSections->IndexOf(drop) : FSections->GetCount() - 1);
    if (!self)
        return false;
    if (HandleAllocated())
        InvalidateRect(Handle(), nullptr, TRUE);
    Update();
    return bool(self);
}

void TCustomExHeader::WMLButtonDblClk(TMessage& Message)
{
    TGuardPtr<TCustomExHeader> self(this);
    TExSectionPart part = espText;
    TExHeaderSection* s = GetSectionAtEx(Message.XPos(), Message.YPos(), part);
    if (s && part == espResizeArea && s->FResizable) {
        TriggerSectionAutoSizeEvent(s);
        if (!self)
            return;
    }
    TExXPThemedControl::Dispatch(Message);
}

// ---------------------------------------------------------------- moving

void TCustomExHeader::WMMouseMove(TMessage& Message)
{
    TGuardPtr<TCustomExHeader> self(this);
    if (!MouseMoved(Message.XPos(), Message.YPos()))
        return;
    if (self)
        TExXPThemedControl::Dispatch(Message);
}

bool TCustomExHeader::MouseMoved(Integer X, Integer Y)
{
    TGuardPtr<TCustomExHeader> self(this);
    // The dragged section went while it was dragged: only its picture is left to clear away.
    if (!FDragSection && FDragImage)
        return EndSectionDrag(X, Y, true);

    if (FPressed && FAllowDrag && FPressSection && FPressSection != FLockedSection && !FDragSection &&
        std::hypot(double(X - FPressPoint.X), double(Y - FPressPoint.Y)) >= kDragDistance) {
        if (TExHeaderSection* hot = FHotSection) {
            FHotSection = nullptr;
            hot->UpdateSection();
            if (!self)
                return false;
        }
        FDragSection = FPressSection;
        FPressed = false;
        FDragSection->UpdateSection();
        // The pressed look is drawn before the floating image goes over it.
        if (self)
            Update();
        if (!self)
            return false;
        if (!BuildDragImage())
            return false;
        // The dragged section may have gone while the header was drawn.
        if (!FDragSection)
            return EndSectionDrag(X, Y, true);
        FPressPoint.X += FLeftPos;
        SetCapture(Handle());
        FDropSection = nullptr;
        FDragOrigin = FPressPoint;
        FDragRect = GetSectionRect(FDragSection->GetIndex());
        FDragRect.Left -= FLeftPos;
        FDragRect.Right -= FLeftPos;
    }

    if (FDragSection && !FPressed) {
        FDropSection = GetSectionAt(X, Y);
        TExHeaderSection* drop = FDropSection;
        if (FMoveOnDrag && drop != FDragSection) {
            const Integer xc = X + FLeftPos;
            const Integer dragPos = FSections->IndexOf(FDragSection);
            const Integer dropPos = drop ? FSections->IndexOf(drop) : -1;
            const Integer w = FDragSection->FWidth;
            Integer to = -1;
            if (!drop)
                to = FSections->GetCount() - 1;
            else if ((dropPos > dragPos && drop->GetRight() - w < xc) || (dropPos < dragPos && drop->GetLeft() + w > xc))
                to = dropPos;
            if (to >= 0 && to != dragPos) {
                FSections->MoveSection(FDragSection, to);
                if (!self)
                    return false;
                if (!FDragSection)
                    return EndSectionDrag(X, Y, true);
                // The header is drawn anew under the image; what was saved under it is stale.
                Update();
                if (!self)
                    return false;
                FDragBack.reset();
            }
        }
        MoveDragImage(X);
    }

    if ((FTracking || IsThemeApplied()) && !FResizing && !FDragSection && !IsDesigning() &&
        !(ControlStyle & csNoStdEvents)) {
        TExHeaderSection* hot = GetSectionAt(X, Y);
        if (hot != FHotSection) {
            TExHeaderSection* old = FHotSection;
            FHotSection = hot;
            if (old)
                old->UpdateSection();
            if (!self)
                return false;
            // Drawn: the section under the mouse may have gone with the old one's picture.
            if (hot && FHotSection == hot)
                hot->UpdateSection();
            if (!self)
                return false;
        }
    }

    if (!FPressed && !FResizing && !FDragSection) {
        TExHeaderSection* s = nullptr;
        if (InResizeArea(X, s) && s && !IsDesigning() && s->FResizable) {
            if (Screen)
                Screen->SetCursor(crHSplit);
        } else if (Screen && Screen->Cursor() == crHSplit) {
            Screen->SetCursor(Cursor());
        }
        TExHeaderSection* under = GetSectionAt(X, Y);
        if (FHintSection && under && under != FHintSection && ShowHint() && !under->FHint.empty() && Application) {
            // A move far away and back makes the application ask for the new section's hint.
            TMessage away{WM_MOUSEMOVE, 0, MAKELPARAM(WORD(-10000), WORD(-10000)), 0};
            Application->HintMouseMessage(this, away);
            if (!self)
                return false;
            TMessage here{WM_MOUSEMOVE, 0, MAKELPARAM(WORD(X), WORD(Y)), 0};
            Application->HintMouseMessage(this, here);
            if (!self)
                return false;
        }
    }

    if (FResizing && FResizeSection) {
        TExHeaderSection* s = FResizeSection;
        const bool locked = s == FLockedSection;
        const Integer left = s->GetLeft();
        const Integer xc = X + (locked ? 0 : FLeftPos);
        const Integer edge = xc - FResizeOffset;
        if (edge < left)
            return true;
        if (FStickySections) {
            Integer fixed = 0;
            for (Integer i = FSections->IndexOf(s) + 1; i < FSections->GetCount(); ++i) {
                TExHeaderSection* after = FSections->GetSectionByPos(i);
                if (after->GetVisible() && !after->FResizable)
                    fixed += after->FWidth;
            }
            if (Width() - fixed <= edge)
                return true;
        }
        const Integer w = edge - left;
        if (w < s->FMinWidth || w > s->FMaxWidth)
            return true;
        if (FResizeOnDrag) {
            TGuardPtr<TExHeaderSection> resized(s);
            s->SetWidth(w);
            if (!self)
                return false;
            if (!resized)
                return true;
            InvalidateRight(s->GetIndex());
            Update();
            if (!self)
                return false;
            if (!resized)
                return true;
        } else {
            if (FLineDrawn)
                DrawResizeLine();
            FResizeLineX = left + w - (locked ? 0 : FLeftPos);
            DrawResizeLine();
        }
        DoSectionResizing(s, trsMove, w);
        if (!self)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- resize line

void TCustomExHeader::DrawResizeLine()
{
    if (!FLineDC || !Parent())
        return;
    // The line runs over the parent's whole height, child windows included.
    PatBlt(FLineDC, Left() + FResizeLineX, Top(), 1, std::max(Parent()->ClientHeight() - Top(), 0), DSTINVERT);
    FLineDrawn = !FLineDrawn;
}

void TCustomExHeader::ReleaseResizeLine()
{
    if (!FLineDC)
        return;
    if (FLineDrawn)
        DrawResizeLine();
    HDC dc = FLineDC;
    FLineDC = nullptr;
    ReleaseDC(Parent() && Parent()->HandleAllocated() ? Parent()->Handle() : nullptr, dc);
}

// ---------------------------------------------------------------- floating image

bool TCustomExHeader::BuildDragImage()
{
    FreeDragImages();
    TExHeaderSection* s = FDragSection;
    if (!s)
        return true;
    TRect r = GetSectionRect(s->GetIndex());
    const Integer w = r.Width(), h = r.Height();
    FDragImage = std::make_unique<TBitmap>();
    FDragImage->SetSize(w + 1, h + 1);
    TCanvas* c = FDragImage->Canvas();
    c->Brush()->SetColor(Color());
    c->FillRect(TRect{0, 0, w + 1, h + 1});
    c->SetFont(Font());
    TGuardPtr<TCustomExHeader> self(this);
    TGuardPtr<TExHeaderSection> section(s);
    RedrawSection(c, s, TRect{0, 0, w, h}, true);
    if (!self)
        return false;
    if (!section) {
        FreeDragImages();
        return true;
    }

    // The darkened background shows through the mask; the rest of the picture is laid over the header.
    const TColor back = s->FParentColor ? Color() : s->FColor;
    const Integer hls = RGBtoHLS(TColor(ColorToRGB(back)));
    const Integer l = (hls >> 8) & 0xFF;
    const COLORREF seeThrough = COLORREF(ColorToRGB(HLStoRGB((hls & ~0xFF00) | (std::min(252, l - l / 4) << 8))));
    FDragMask = std::make_unique<TBitmap>();
    FDragMask->SetSize(w + 1, h + 1);
    HDC src = FDragImage->Canvas()->Handle();
    HDC dst = FDragMask->Canvas()->Handle();
    for (Integer y = 0; y <= h; ++y)
        for (Integer x = 0; x <= w; ++x)
            SetPixel(dst, x, y, GetPixel(src, x, y) == seeThrough ? RGB(255, 255, 255) : RGB(0, 0, 0));
    FDragMask->SetPixelFormat(pf1bit);
    return true;
}

void TCustomExHeader::FreeDragImages()
{
    FDragImage.reset();
    FDragMask.reset();
    FDragBack.reset();
}

void TCustomExHeader::MoveDragImage(Integer X)
{
    if (!FDragImage || !HandleAllocated())
        return;
    const Integer xc = X + FLeftPos;
    const Integer delta = FDragOrigin.X - xc;
    const Integer wr = FDragRect.Width(), hr = FDragRect.Height();
    if (wr <= 0 || hr <= 0)
        return;
    const Integer tw = std::abs(delta) + wr;
    TBitmap tmp;
    tmp.SetSize(tw, hr);
    HDC t = tmp.Canvas()->Handle();
    HDC dc = GetDC(Handle());
    BitBlt(t, 0, 0, tw, hr, dc, std::min(FDragRect.Left, FDragRect.Left - delta), FDragRect.Top, SRCCOPY);
    if (FDragBack)
        BitBlt(t, std::max(0, delta), 0, wr, hr, FDragBack->Canvas()->Handle(), 0, 0, SRCCOPY);
    FDragRect.Left -= delta;
    FDragRect.Right -= delta;
    if (!FDragBack) {
        FDragBack = std::make_unique<TBitmap>();
        FDragBack->SetSize(wr, hr);
    }
    BitBlt(FDragBack->Canvas()->Handle(), 0, 0, wr, hr, t, std::max(0, -delta), 0, SRCCOPY);
    MaskBlt(t, std::max(0, -delta), 0, wr - 1, hr - 1, FDragImage->Canvas()->Handle(), 0, 0, FDragMask->Handle(), 0, 0,
            MAKEROP4(SRCCOPY, SRCAND));
    BitBlt(dc, std::min(FDragRect.Left, FDragRect.Left + delta), FDragRect.Top, tw, hr, t, 0, 0, SRCCOPY);
    ReleaseDC(Handle(), dc);
    FDragOrigin.X = xc;
}

// ---------------------------------------------------------------- right button and menus

void TCustomExHeader::WMRButtonDown(TMessage& Message)
{
    // A right press in the middle of a resize belongs to the resize.
    if (FResizing)
        return;
    TGuardPtr<TCustomExHeader> self(this);
    TExHeaderSection* s = GetSectionAt(Message.XPos(), Message.YPos());
    const TPoint at = ClientToScreen(TPoint{Message.XPos(), Message.YPos()});
    FMenuDoneOnPress = false;
    TPopupMenu* menu = nullptr;
    if (s && s->FPopupMenu) {
        FMenuDoneOnPress = true;
        if (s->FPopupMenu->AutoPopup)
            menu = s->FPopupMenu;
    } else if (PopupMenu() && PopupMenu()->AutoPopup) {
        FMenuDoneOnPress = true;
        menu = PopupMenu();
    }
    if (menu) {
        menu->PopupComponent = this;
        menu->Popup(at.X, at.Y);
        if (!self)
            return;
    }
    TExXPThemedControl::Dispatch(Message);
}

void TCustomExHeader::WMRButtonUp(TMessage& Message)
{
    if (FResizing)
        return;
    TExXPThemedControl::Dispatch(Message);
}

void TCustomExHeader::WMContextMenu(TMessage& Message)
{
    // The menu a right press showed is not shown a second time as the button comes up.
    if (FMenuDoneOnPress) {
        FMenuDoneOnPress = false;
        Message.Result = 1;
        return;
    }
    TExXPThemedControl::Dispatch(Message);
}

// ---------------------------------------------------------------- other messages

void TCustomExHeader::WMKeyDown(TMessage& Message)
{
    const bool shift = GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
    if (Message.WParam == VK_ESCAPE && !shift && FDragSection) {
        TGuardPtr<TCustomExHeader> self(this);
        if (!EndSectionDrag(0, 0, true) || !self)
            return;
    }
    TExXPThemedControl::Dispatch(Message);
}

void TCustomExHeader::WMCancelMode(TMessage& Message)
{
    TGuardPtr<TCustomExHeader> self(this);
    // A modal window or menu ends the mode: a drag leaves the sections where they were, a resize
    // keeps the width of the last line drawn, a press ends without a click. The class library's
    // own press ends too, although the mouse is let go here before it looks.
    ControlState &= ~TControlState(csClicked);
    if (FDragSection || FDragImage) {
        if (!EndSectionDrag(0, 0, true))
            return;
    } else if (FResizing) {
        if (!EndResize())
            return;
    } else if (FPressSection) {
        TExHeaderSection* s = FPressSection;
        FPressSection = nullptr;
        FPressed = false;
        s->UpdateSection();
    }
    if (!self)
        return;
    TExXPThemedControl::Dispatch(Message);
    Message.Result = 0;
}

void TCustomExHeader::CMMouseEnter(TMessage& Message)
{
    TGuardPtr<TCustomExHeader> self(this);
    if (FPressSection && !FDragSection) {
        FPressed = true;
        FPressSection->UpdateSection();
        if (!self)
            return;
    }
    TExXPThemedControl::Dispatch(Message);
}

void TCustomExHeader::CMMouseLeave(TMessage& Message)
{
    TGuardPtr<TCustomExHeader> self(this);
    FDropSection = nullptr;
    FPressed = false;
    if (FPressSection) {
        FPressSection->UpdateSection();
        if (!self)
            return;
    }
    if (TExHeaderSection* hot = FHotSection) {
        FHotSection = nullptr;
        hot->UpdateSection();
        if (!self)
            return;
    }
    if (!FResizing && Screen && Screen->Cursor() == crHSplit)
        Screen->SetCursor(Cursor());
    FHintSection = nullptr;
    TExXPThemedControl::Dispatch(Message);
}

void TCustomExHeader::CMExit(TMessage& Message)
{
    TGuardPtr<TCustomExHeader> self(this);
    const bool held = FPressSection || FResizing || FDragSection;
    if (FPressSection && !FResizing && !FDragSection && !FDragImage) {
        // The user never let go: a press cut short by the focus moving away ends without a
        // click, of the section or of the control, as cancel mode ends it.
        ControlState &= ~TControlState(csClicked);
        TExHeaderSection* s = FPressSection;
        FPressSection = nullptr;
        s->UpdateSection();
        if (!self)
            return;
    }
    if (held) {
        POINT p{};
        GetCursorPos(&p);
        const TPoint at = ScreenToClient(TPoint{p.X, p.Y});
        Perform(WM_LBUTTONUP, 0, MAKELPARAM(WORD(at.X), WORD(at.Y)));
        if (!self)
            return;
    }
    TExXPThemedControl::Dispatch(Message);
}

void TCustomExHeader::CMDrag(TMessage& Message)
{
    TGuardPtr<TCustomExHeader> self(this);
    TExXPThemedControl::Dispatch(Message);
    if (!self)
        return;
    const auto kind = TDragMessage(Message.WParam);
    if (kind == dmDragLeave || kind == dmDragDrop || kind == dmDragCancel) {
        if (TExHeaderSection* drop = FDropSection) {
            FDropSection = nullptr;
            drop->UpdateSection();
            if (!self)
                return;
        }
        if (kind == dmDragCancel)
            FDragSection = nullptr;
        Update();
    }
}

// ---------------------------------------------------------------- lookup editor

void TCustomExHeader::OpenLookupEditor(TExHeaderSection* Section)
{
    auto* editor = dynamic_cast<TExAdvancedComboBox*>(FLookupEditor);
    if (!editor) {
        editor = new TExAdvancedComboBox(nullptr);
        editor->SetFlat(FFlat);
        editor->SetActiveBorderType(fbtSunkenOuter);
        editor->SetVisible(false);
        editor->SetStyle(csDropDown);
        AdoptLookupEditor(editor);
    }
    // Setting the editor up changes its text as far as it can tell; none of that is the user's.
    FLookupChanging = true;
    editor->SetText("");
    editor->SetParent(Parent());
    editor->OnExit = [this](TObject* Sender) { LookupEditExit(Sender); };
    editor->OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { LookupEditKeyDown(Sender, Key, Shift); };
    editor->OnChange = [this](TObject* Sender) { LookupEditChange(Sender); };
    editor->OnKeyUp = [this](TObject* Sender, Word& Key, TShiftState Shift) { LookupEditKeyUp(Sender, Key, Shift); };
    editor->Items()->Assign(Section->FLookupHistory.get());

    FLookupSection = Section;
    const TRect r = GetSectionRect(Section->GetIndex());
    TFont font;
    font.Assign(Font());
    font.SetHeight(std::abs(Font()->Height()) - 3);
    editor->SetFont(&font);
    editor->SetBounds(Left() + r.Left - FLeftPos, Top(), r.Width(), std::max(editor->Height(), r.Height() - 2));
    FLookupChanging = false;

    FLookupShown = true;
    editor->Show();
    FLookupFocus = GetFocus();
    if (editor->CanFocus())
        editor->SetFocus();
}

bool TCustomExHeader::CloseLookupEditor(bool Accepted)
{
    if (!FLookupShown)
        return true;
    FLookupShown = false;
    TGuardPtr<TCustomExHeader> self(this);
    const std::string text = FLookupEditor ? FLookupEditor->Text() : std::string();
    if (FLookupEditor)
        FLookupEditor->Hide();
    if (!self)
        return false;
    DoSectionLookupDoneEvent(FLookupSection, text, Accepted);
    if (!self)
        return false;
    if (FLookupFocus && IsWindow(FLookupFocus))
        ::SetFocus(FLookupFocus);
    return bool(self);
}

void TCustomExHeader::LookupEditChange(TObject*)
{
    if (FLookupChanging || !FLookupEditor)
        return;
    std::string text = FLookupEditor->Text();
    const std::string before = text;
    TGuardPtr<TCustomExHeader> self(this);
    DoSectionLookupEvent(FLookupSection, text);
    if (!self || !FLookupEditor || text == before)
        return;
    FLookupChanging = true;
    FLookupEditor->SetText(text);
    FLookupChanging = false;
}

void TCustomExHeader::LookupEditKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    if (!NoShift(Shift) || (Key != VK_RETURN && Key != VK_ESCAPE) || !FLookupEditor)
        return;
    const bool accepted = Key == VK_RETURN;
    Key = 0;
    if (!FLookupShown)
        return;
    FLookupShown = false;
    const std::string text = FLookupEditor->Text();
    TGuardPtr<TExHeaderSection> section(FLookupSection);
    TGuardPtr<TCustomExHeader> self(this);
    DoSectionLookupDoneEvent(FLookupSection, text, accepted);
    if (!self)
        return;
    if (accepted && section) {
        TStringList* history = section->FLookupHistory.get();
        const int at = history->IndexOf(text);
        if (at >= 0)
            history->Delete(at);
        history->Insert(0, text);
    }
    if (FLookupEditor)
        FLookupEditor->Hide();
    if (!self)
        return;
    if (FLookupFocus && IsWindow(FLookupFocus))
        ::SetFocus(FLookupFocus);
}

void TCustomExHeader::LookupEditKeyUp(TObject*, Word& Key, TShiftState Shift)
{
    if (NoShift(Shift) && (Key == VK_RETURN || Key == VK_ESCAPE))
        Key = 0;
}

void TCustomExHeader::LookupEditExit(TObject*)
{
    if (FLookupShown)
        CloseLookupEditor(false);
}
