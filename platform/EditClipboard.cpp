// The edit window, the clipboard and the primary selection: copying and pasting, the middle click
// and the edit menu.
#include "platform/Clipbrd.h"
#include "platform/EditCore.h"
#include "platform/EditInternals.h"
#include "platform/Menus.h"

namespace morvik::stdctl {

using namespace editdetail;

bool TEditCore::Copy()
{
    // What a password hides is not handed to other programs.
    if (FPasswordChar || SelEnd() == SelStart())
        return false;
    Clipboard()->SetAsText(SelText(), CodePage());
    return true;
}

bool TEditCore::Cut()
{
    if ((Style() & ES_READONLY) || !Copy())
        return false;
    return Clear();
}

bool TEditCore::Clear()
{
    if ((Style() & ES_READONLY) || SelEnd() == SelStart())
        return false;
    Replace(SelStart(), SelEnd(), std::string(), kOther, true);
    FMergeTyping = false;
    Changed(true);
    return true;
}

bool TEditCore::Paste()
{
    if (Style() & ES_READONLY)
        return false;
    TClipboard* clip = Clipboard();
    if (!clip->HasFormat(CF_TEXT))
        return false;
    bool leftOut = false;
    ReplaceSel(clip->PasteText(CodePage(), &leftOut), true);
    if (leftOut)
        MessageBeep(0);
    return true;
}

void TEditCore::OfferPrimary()
{
    // What a password hides is not handed to other programs.
    if (FPasswordChar || SelEnd() == SelStart() || !Wnd())
        return;
    Clipboard()->SetPrimaryText(SelText(), CodePage());
}

void TEditCore::MiddleDown(TPoint P)
{
    HWND h = Wnd();
    TGuardPtr<TWinControl> host(FHost);
    if (GetFocus() != h) {
        ::SetFocus(h);
        if (!Alive(host, h))
            return;
    }
    if (Style() & ES_READONLY)
        return;
    if (!FLayoutValid)
        LayoutAll();
    // The text goes where the pointer is, the selection there or not.
    MoveCaret(CharFromPos(P), false);
    FMiddlePaste = true;
}

void TEditCore::MiddleUp()
{
    if (!FMiddlePaste)
        return;
    FMiddlePaste = false;
    if (Style() & ES_READONLY)
        return;
    bool leftOut = false;
    const std::string text = Clipboard()->PrimaryText(CodePage(), &leftOut);
    if (!text.empty())
        ReplaceSel(text, true);
    if (leftOut)
        MessageBeep(0);
}

void TEditCore::ShowEditMenu(TPoint Screen)
{
    HWND h = Wnd();
    if (!h)
        return;
    if (Screen.X == -1 && Screen.Y == -1) {
        const TPoint caret = PosFromChar(FCaret);
        POINT p{caret.X, caret.Y + FLineHeight};
        ClientToScreen(h, &p);
        Screen = {p.X, p.Y};
    }
    const bool readOnly = (Style() & ES_READONLY) != 0;
    const bool selected = SelEnd() > SelStart();
    const bool hidden = FPasswordChar != 0;
    const bool all = SelStart() == 0 && SelEnd() == int(FText.size());
    struct TEntry {
        const char* Caption;
        UINT Msg;
        LPARAM LParam;
        bool Enabled;
    };
    const TEntry entries[] = {
        {"&Undo", WM_UNDO, 0, !readOnly && CanUndo()},
        {"-", 0, 0, true},
        {"Cu&t", WM_CUT, 0, !readOnly && selected && !hidden},
        {"&Copy", WM_COPY, 0, selected && !hidden},
        {"&Paste", WM_PASTE, 0, !readOnly && Clipboard()->HasFormat(CF_TEXT)},
        {"&Delete", WM_CLEAR, 0, !readOnly && selected},
        {"-", 0, 0, true},
        {"Select &All", EM_SETSEL, -1, !FText.empty() && !all},
    };
    TPopupMenu menu(nullptr);
    bool selectedAll = false;
    for (const TEntry& e : entries) {
        auto* item = new TMenuItem(&menu);
        item->SetCaption(e.Caption);
        item->SetEnabled(e.Enabled);
        if (e.Msg)
            item->OnClick = [h, e, &selectedAll](TObject*) {
                selectedAll = e.Msg == EM_SETSEL;
                SendMessage(h, e.Msg, 0, e.LParam);
            };
        menu.Items()->Add(item);
    }
    TGuardPtr<TWinControl> host(FHost);
    menu.PopupComponent = FHost;
    menu.Popup(Screen.X, Screen.Y);
    if (selectedAll && Alive(host, h))
        OfferPrimary();
}

}  // namespace morvik::stdctl
