// The edit window's core: its style, notifications to the parent and the window messages it
// answers; the layout, caret, changes, clipboard and painting live in the Edit*.cpp beside it.
#include "platform/EditCore.h"

#include <algorithm>

#include "platform/CodePages.h"
#include "platform/EditInternals.h"

namespace morvik::stdctl {

using namespace editdetail;

namespace {

bool IsLetter(char32_t C)
{
    if ((C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_')
        return true;
    if (C == 0xAA || C == 0xB5 || C == 0xBA)
        return true;
    if (C >= 0xC0 && C <= 0x24F)
        return C != 0xD7 && C != 0xF7;
    return C >= 0x400 && C <= 0x4FF;
}

char32_t ToUpper(char32_t C)
{
    if (C >= 'a' && C <= 'z')
        return C - 32;
    if ((C >= 0xE0 && C <= 0xFE && C != 0xF7) || (C >= 0x430 && C <= 0x44F))
        return C - 0x20;
    if (C == 0xFF)
        return 0x178;
    if (C >= 0x450 && C <= 0x45F)
        return C - 0x50;
    // Latin Extended-A and the Cyrillic supplement pair capitals and small letters as even and odd.
    if ((C >= 0x100 && C <= 0x17F && C != 0x138 && C != 0x149) || (C >= 0x460 && C <= 0x4FF)) {
        const bool oddSmall = (C >= 0x139 && C <= 0x148) || (C >= 0x179 && C <= 0x17E);
        if (oddSmall ? (C % 2 == 0) : (C % 2 == 1))
            return C - 1;
    }
    return C;
}

char32_t ToLower(char32_t C)
{
    if (C >= 'A' && C <= 'Z')
        return C + 32;
    if ((C >= 0xC0 && C <= 0xDE && C != 0xD7) || (C >= 0x410 && C <= 0x42F))
        return C + 0x20;
    if (C == 0x178)
        return 0xFF;
    if (C >= 0x400 && C <= 0x40F)
        return C + 0x50;
    if ((C >= 0x100 && C <= 0x17F && C != 0x138 && C != 0x149) || (C >= 0x460 && C <= 0x4FF)) {
        const bool oddCapital = (C >= 0x139 && C <= 0x148) || (C >= 0x179 && C <= 0x17E);
        if (oddCapital ? (C % 2 == 1) : (C % 2 == 0))
            return C + 1;
    }
    return C;
}

unsigned char MapByte(unsigned char B, int CodePage, char32_t (*Map)(char32_t))
{
    Byte out = B;
    if (CharToCodePage(Map(CodePageToChar(B, CodePage)), CodePage, out))
        return out;
    return B;
}

}  // namespace


bool IsWordByte(unsigned char B, int CodePage) { return IsLetter(CodePageToChar(B, CodePage)); }
unsigned char UpperByte(unsigned char B, int CodePage) { return MapByte(B, CodePage, &ToUpper); }
unsigned char LowerByte(unsigned char B, int CodePage) { return MapByte(B, CodePage, &ToLower); }

TEditCore::TEditCore(TWinControl* Host, std::string& Text) : FHost(Host), FText(Text)
{
    FAnchor = FCaret = 0;
}

HWND TEditCore::Wnd() const { return FHost->HandleAllocated() ? FHost->Handle() : nullptr; }

DWORD TEditCore::Style() const
{
    if (HWND h = Wnd())
        return DWORD(GetWindowLong(h, GWL_STYLE));
    return FStyleSource ? FStyleSource() : FStyle;
}

bool TEditCore::Multi() const { return (Style() & ES_MULTILINE) != 0; }
bool TEditCore::Wraps() const { return Multi() && !(Style() & ES_AUTOHSCROLL) && !(Style() & WS_HSCROLL); }
int TEditCore::CodePage() const { return CharsetToCodePage(FHost->Font()->Charset()); }


void TEditCore::Invalidate()
{
    if (HWND h = Wnd())
        InvalidateRect(h, nullptr, TRUE);
}

bool TEditCore::Notify(Word Code)
{
    HWND h = Wnd();
    TGuardPtr<TWinControl> host(FHost);
    if (!h)
        return true;
    if (HWND parent = GetParent(h))
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetWindowLong(h, GWL_ID), Code), reinterpret_cast<LPARAM>(h));
    return Alive(host, h);
}

bool TEditCore::Changed(bool NotifyParent)
{
    ScrollCaretIntoView();
    UpdateScrollBars();
    PlaceCaret();
    Invalidate();
    if (!NotifyParent)
        return true;
    return Notify(EN_UPDATE) && Notify(EN_CHANGE);
}

// ---- Messages --------------------------------------------------------------------------------
bool TEditCore::WindowProc(TMessage& M)
{
    HWND h = Wnd();
    switch (M.Msg) {
    case WM_CREATE:
        FStyle = DWORD(GetWindowLong(h, GWL_STYLE));
        Measure();
        LayoutAll();
        UpdateScrollBars();
        return false;
    case WM_PAINT: {
        HDC dc = reinterpret_cast<HDC>(M.WParam);
        PAINTSTRUCT ps;
        const TPaintEnd end{h, ps};
        if (!dc)
            dc = BeginPaint(h, &ps);
        Paint(dc);
        M.Result = 0;
        return true;
    }
    case WM_SIZE:
        if (Wraps())
            LayoutAll();
        ScrollCaretIntoView();
        UpdateScrollBars();
        PlaceCaret();
        Invalidate();
        return false;
    case WM_SETFOCUS:
        CreateCaret(h, nullptr, 1, FLineHeight);
        FCaretMade = true;
        PlaceCaret();
        ShowCaret(h);
        Invalidate();
        Notify(EN_SETFOCUS);
        M.Result = 0;
        return true;
    case WM_KILLFOCUS:
        FSelecting = false;
        FMiddlePaste = false;
        StopAutoScroll();
        if (FCaretMade) {
            DestroyCaret();
            FCaretMade = false;
        }
        Invalidate();
        Notify(EN_KILLFOCUS);
        M.Result = 0;
        return true;
    case WM_GETDLGCODE:
        M.Result = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | (Multi() ? DLGC_WANTALLKEYS : 0);
        return true;
    case WM_KEYDOWN: {
        M.Result = 0;
        const TShiftState shift = KeyDataToShiftState(M.LParam);
        const int anchor = FAnchor, caret = FCaret;
        TGuardPtr<TWinControl> host(FHost);
        const bool handled = KeyDown(LOWORD(M.WParam), shift);
        // A selection made with the keyboard is offered as the mouse's is.
        if (handled && (shift & ssShift) && Alive(host, h) && (FAnchor != anchor || FCaret != caret))
            OfferPrimary();
        return handled;
    }
    case WM_CHAR:
        M.Result = 0;
        return Char(static_cast<unsigned char>(M.WParam));
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        MouseDown({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}, (M.WParam & MK_SHIFT) != 0,
                  M.Msg == WM_LBUTTONDBLCLK);
        return true;
    case WM_MOUSEMOVE:
        MouseMove({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
        return true;
    case WM_LBUTTONUP:
        MouseUp();
        return true;
    case WM_CAPTURECHANGED:
        FSelecting = false;
        StopAutoScroll();
        return false;
    case WM_TIMER:
        if (M.WParam != kAutoScrollTimer)
            return false;
        if (FSelecting)
            MouseMove(FDragPoint);
        else
            StopAutoScroll();
        return true;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        MiddleDown({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
        return true;
    case WM_MBUTTONUP:
        MiddleUp();
        return true;
    case WM_CONTEXTMENU:
        ShowEditMenu({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
        M.Result = 1;
        return true;
    case WM_DESTROY:
        // The window's timers go with it.
        FAutoScrolling = false;
        FSelecting = false;
        return false;
    case WM_MOUSEWHEEL:
        if (!Multi())
            return false;
        ScrollTo(FTopLine - GET_WHEEL_DELTA_WPARAM(M.WParam) * 3 / WHEEL_DELTA, FScrollX);
        M.Result = 0;
        return true;
    case WM_VSCROLL:
    case WM_HSCROLL:
        Scroll(M.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(M.WParam), SHORT(HIWORD(M.WParam)));
        M.Result = 0;
        return true;
    case WM_SETTEXT:
        SetText(M.LParam ? reinterpret_cast<const char*>(M.LParam) : "");
        M.Result = TRUE;
        return true;
    case WM_GETTEXTLENGTH:
        M.Result = LRESULT(FText.size());
        return true;
    case WM_GETTEXT: {
        if (!M.LParam || M.WParam == 0) {
            M.Result = 0;
            return true;
        }
        const size_t n = std::min(size_t(M.WParam) - 1, FText.size());
        std::copy_n(FText.data(), n, reinterpret_cast<char*>(M.LParam));
        reinterpret_cast<char*>(M.LParam)[n] = 0;
        M.Result = LRESULT(n);
        return true;
    }
    case WM_CUT: Cut(); return true;
    case WM_COPY: Copy(); return true;
    case WM_PASTE: Paste(); return true;
    case WM_CLEAR: Clear(); return true;
    case WM_UNDO:
    case EM_UNDO: M.Result = Undo() ? TRUE : FALSE; return true;
    case EM_CANUNDO: M.Result = CanUndo() ? TRUE : FALSE; return true;
    case EM_EMPTYUNDOBUFFER: ClearUndo(); return true;
    case EM_GETSEL:
        if (M.WParam)
            *reinterpret_cast<DWORD*>(M.WParam) = DWORD(SelStart());
        if (M.LParam)
            *reinterpret_cast<DWORD*>(M.LParam) = DWORD(SelEnd());
        M.Result = LRESULT(MAKELONG(Word(std::min(SelStart(), 0xFFFF)), Word(std::min(SelEnd(), 0xFFFF))));
        return true;
    case EM_SETSEL: {
        const int a = int(std::intptr_t(M.WParam)), c = int(M.LParam);
        if (a == -1)
            SetSel(FCaret, FCaret);
        else
            SetSel(a < 0 ? 0 : a, c);
        return true;
    }
    case EM_REPLACESEL: {
        const std::string s = M.LParam ? reinterpret_cast<const char*>(M.LParam) : "";
        ReplaceSel(s, M.WParam != 0);
        return true;
    }
    case EM_LIMITTEXT: SetLimit(int(M.WParam)); return true;
    case EM_GETLIMITTEXT: M.Result = FLimit > 0 ? FLimit : kNoLimit; return true;
    case EM_GETMODIFY: M.Result = FModified ? TRUE : FALSE; return true;
    case EM_SETMODIFY: FModified = M.WParam != 0; return true;
    case EM_SETREADONLY: {
        DWORD s = Style();
        s = M.WParam ? (s | ES_READONLY) : (s & ~ES_READONLY);
        FStyle = s;
        if (h)
            SetWindowLong(h, GWL_STYLE, LONG(s));
        Invalidate();
        M.Result = TRUE;
        return true;
    }
    case EM_SETPASSWORDCHAR: SetPasswordChar(char(M.WParam)); return true;
    case EM_GETPASSWORDCHAR: M.Result = static_cast<unsigned char>(FPasswordChar); return true;
    case EM_GETLINECOUNT: M.Result = LineCount(); return true;
    case EM_LINEINDEX: M.Result = LineIndex(int(std::intptr_t(M.WParam))); return true;
    case EM_LINEFROMCHAR: M.Result = LineFromChar(int(std::intptr_t(M.WParam))); return true;
    case EM_LINELENGTH: {
        const int pos = int(std::intptr_t(M.WParam));
        M.Result = LineLength(pos < 0 ? LineOf(FCaret) : LineFromChar(pos));
        return true;
    }
    case EM_GETLINE: {
        const int line = int(M.WParam);
        char* buf = reinterpret_cast<char*>(M.LParam);
        if (!buf || line < 0 || line >= LineCount()) {
            M.Result = 0;
            return true;
        }
        // The buffer's first word holds its size, as the caller set it.
        const int size = *reinterpret_cast<Word*>(buf);
        const TLine& l = FLines[size_t(line)];
        const int n = std::min(size, l.Len);
        std::copy_n(FText.data() + l.Start, n, buf);
        M.Result = n;
        return true;
    }
    case EM_GETFIRSTVISIBLELINE: M.Result = Multi() ? FTopLine : 0; return true;
    case EM_LINESCROLL: ScrollTo(FTopLine + int(M.LParam), FScrollX + int(M.WParam) * FAveWidth); return true;
    case EM_SCROLLCARET: ScrollCaretIntoView(); return true;
    case EM_SCROLL: Scroll(SB_VERT, int(M.WParam), 0); return true;
    case EM_GETRECT:
        if (M.LParam)
            *reinterpret_cast<RECT*>(M.LParam) = FormatRect();
        return true;
    case EM_POSFROMCHAR: {
        const TPoint p = PosFromChar(int(M.WParam));
        M.Result = LRESULT(MAKELONG(Word(p.X), Word(p.Y)));
        return true;
    }
    case EM_CHARFROMPOS: {
        const int pos = CharFromPos({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
        M.Result = LRESULT(MAKELONG(Word(pos), Word(LineOf(pos))));
        return true;
    }
    default: return false;
    }
}

}  // namespace morvik::stdctl
