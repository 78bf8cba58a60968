// Line hints: when the pointer rests on a row whose text is cut off (or, by setting, on any row),
// a hint window laid exactly over the text shows it whole. A try is armed by the mouse-move
// handling, made when the hint timer runs out, and ended by moves to another row, keys, commands,
// focus loss and the time-out.
#include <algorithm>

#include "controls/Exhintwnd.h"
#include "ctlbase/Htmlrender.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "tree/Excellstyle.h"
#include "tree/Extreeview.h"

namespace {

bool StartsWithHTML(const std::string& Text) { return Text.compare(0, 6, "<html>") == 0; }

// The application's pause before a hint, and the one before it hides; 1000 ms when set to 0.
Integer ShortHintPause()
{
    const Integer pause = Application ? Application->HintPause : 0;
    return pause > 0 ? pause : 1000;
}

Integer HintHidePause()
{
    const Integer pause = Application ? Application->HintHidePause : 0;
    return pause > 0 ? pause : 1000;
}

// A hint shows at most this much of a text: the window could not show more, and laying out a text
// of megabytes would hold the program up. Texts are bytes of a code page, one character each, so a
// text may be cut after any byte.
constexpr std::size_t HintTextLimit = 1024;

std::string Capped(const std::string& Text)
{
    if (Text.size() <= HintTextLimit) return Text;
    return Text.substr(0, HintTextLimit) + "...";
}

// The width of a single-line text, or of a part of it already wider than Limit.
Integer WidthUpTo(TCanvas* Canvas, const std::string& Text, Integer Limit)
{
    std::size_t n = std::min<std::size_t>(Text.size(), 512);
    for (;;) {
        TRect m{0, 0, 0, 0};
        DrawText(Canvas->Handle(), Text.data(), int(n), &m, DT_CALCRECT | DT_NOPREFIX);
        if (n >= Text.size() || m.Width() > Limit) return m.Width();
        n = std::min(n * 2, Text.size());
    }
}

// The part of a hint before the first "|".
std::string ShortHint(const std::string& Hint) { return Hint.substr(0, Hint.find('|')); }

}  // namespace

void TExTreeView::ArmLineHint(Integer X, Integer Y)
{
    if (FTree->LineHintMode() == shmNone || FFrameSelecting) return;
    if (FLastMovePoint.X == X && FLastMovePoint.Y == Y) return;
    FLastMovePoint = TPoint{X, Y};
    TExTreeItem* row = GetItemAtY(Y);
    if (row == FLineHintItem || (!row && !FTree->HideHintOnMove())) return;
    DoHideLineHint();
    FHintPoint = TPoint{X, Y};
    if (!FHintTimer) {
        FHintTimer = new TTimer(this);
        FHintTimer->OnTimer = [this](TObject* Sender) { OnHintTimer(Sender); };
    }
    // A new try starts the wait afresh.
    FHintTimer->SetEnabled(false);
    FHintTimer->SetInterval(Cardinal(ShortHintPause()));
    FHintTimer->SetEnabled(true);
}

void TExTreeView::OnHintTimer(TObject*)
{
    if (FLineHintItem) {
        DoHideLineHint();
        return;
    }
    if (FTree->IsEditing()) return;
    FHintTimer->SetEnabled(false);
    if (FTree->HandleAllocated() && !HasState(csDesigning)) {
        TGuardPtr<TExTreeView> self(this);
        TryStartHint(FHintPoint.X, FHintPoint.Y);
        if (!self) return;
    }
    if (FTree->HideHintOnTimer() && FHintTimer) {
        const Integer timeout = FTree->LineHintTimeout();
        FHintTimer->SetInterval(Cardinal(timeout > 0 ? timeout : HintHidePause()));
        FHintTimer->SetEnabled(true);
    }
}

void TExTreeView::TryStartHint(Integer X, Integer Y)
{
    TSTItemPart part = ipOutside;
    Integer column = -1;
    TExTreeItem* item = GetItemAt(X, Y, part, column);
    if (!item || part == ipOutside) return;
    TExHeaderSection* section = column >= 0 ? FTree->Header()->Sections()->GetSection(column) : nullptr;
    bool show = FTree->HintType() == shtHintOnly;
    if (!show) {
        TGuardPtr<TExTreeView> self(this);
        TGuardPtr<TExTreeItem> alive(item);
        std::string text;
        GetHintText(item, section, text);
        if (!self || !alive) return;
        if (FTree->LineHintMode() == shmAll) {
            show = true;
        } else if (!item->Hint().empty()) {
            show = true;
        } else {
            const Integer main = FTree->MainTreeColumn();
            const bool inMain = !FTree->ShowColumns() || !section || section->GetIndex() == main;
            Integer width;
            if (item->IsHTML() && StartsWithHTML(text)) {
                TExHTMLData* data = nullptr;
                if (inMain) {
                    data = item->HTMLData();
                } else {
                    const Integer index = section->GetIndex();
                    data = item->ColumnHTMLData(index > main ? index - 1 : index);
                }
                width = data ? data->TextSize.cx : 0;
            } else {
                Canvas()->Font()->Assign(FTree->Font());
                const Integer room = std::max({item->TextRight - item->TextLeft, ClientWidth(),
                                               section ? section->Width() : 0});
                width = WidthUpTo(Canvas(), text, room + 64);
            }
            const Integer L = FTree->FLeftPosition + MainColumnLockOffset();
            const Integer client = ClientWidth();
            if (inMain) {
                show = width > item->TextRight - item->TextLeft || item->TextRight > client + L || item->TextLeft < L;
            } else {
                const Integer m = FTree->ItemIndent() / 3;
                const bool fits = width <= section->Width() - 2 * m && section->GetRight() - m <= client + L &&
                                  L <= section->GetLeft() + m;
                show = !fits;
            }
        }
    }
    if (show && !FLineHintItem) DoShowLineHint(item, section);
}

void TExTreeView::GetHintText(TExTreeItem* Item, TExHeaderSection*& Section, std::string& Text)
{
    const TExHintType hintType = FTree->HintType();
    if (hintType == shtHintOnly) {
        Text = ShortHint(Item->Hint());
        return;
    }
    if (hintType == shtHintOrText) {
        Text = ShortHint(Item->Hint());
        if (!Text.empty()) return;
    }
    const TLineHintType lineType = FTree->LineHintType();
    if (lineType == lhtMainTextOnly || !FTree->ShowColumns() || !Section) {
        Text = Item->Text();
        return;
    }
    TCustomExHeader* header = FTree->Header();
    const Integer main = FTree->MainTreeColumn();
    const Integer index = Section->GetIndex();
    const bool virt = Model()->IsVirtual();
    const bool isMain = index == main;
    const Integer column = !virt && index > main ? index - 1 : index;
    TExCellStyle* style = nullptr;
    if (Item->UseStyles()) {
        if (virt) {
            style = FVirtualStyle.get();
            if (style) {
                TGuardPtr<TExTreeItem> alive(Item);
                FTree->TriggerVirtualStyleNeeded(Item, index, style);
                if (!alive) return;
            }
        } else {
            style = Item->MainStyle();
            if (!isMain && column < Item->StylesCount() && style && !style->OwnerColors()) style = Item->Styles(column);
        }
    }
    auto mainText = [&] { Text = Item->Text(); };
    auto toMainColumn = [&] {
        Section = header->Sections()->GetSection(main);
        mainText();
    };
    if (style && style->Style() != ExhsText) {
        if (lineType == lhtCellTextOnly)
            Text.clear();
        else
            mainText();
        return;
    }
    if (virt) {
        if (!isMain) {
            TGuardPtr<TExTreeItem> alive(Item);
            FTree->TriggerVirtualTextNeeded(Item, index, Text);
            if (!alive) return;
        }
        if (!Text.empty()) return;
        if (lineType == lhtSmart) toMainColumn();
        return;
    }
    if (isMain) {
        mainText();
        return;
    }
    TStringList* texts = Item->ColumnText();
    if (texts && column >= 0 && column < texts->Count()) {
        Text = texts->Get(column);
        if (!Text.empty()) return;
        if (lineType == lhtSmart)
            toMainColumn();
        else
            Text.clear();
        return;
    }
    if (lineType == lhtCellTextOnly)
        Text.clear();
    else
        mainText();
}

void TExTreeView::DoShowLineHint(TExTreeItem* Item, TExHeaderSection* Section)
{
    if (FTree->IsEditing() || FFrameSelecting) return;
    // The item may have gone since the try began: only a row on screen gets a hint.
    const Integer row = FVisibleRows.IndexOf(Item);
    TRect R = GetItemRect(row);
    if (IsRectEmpty(R)) return;
    if (!FLineHintWindow) FLineHintWindow = new TExHintWindow(this);
    std::string text;
    TGuardPtr<TExTreeView> self(this);
    TGuardPtr<TExTreeItem> alive(Item);
    GetHintText(Item, Section, text);
    if (!self || !alive || text.empty()) return;
    text = Capped(text);
    TExHintWindow* window = FLineHintWindow;
    window->Font()->Assign(Font());
    if (FTree->UseSystemHintColors()) {
        window->SetColor(clInfoBk);
        window->Font()->SetColor(clInfoText);
    } else {
        window->SetColor(FTree->LineHintColor());
        window->Font()->SetColor(FTree->TextColor());
    }
    window->Font()->SetCharset(Font()->Charset());
    window->SetIsHTML(Item->IsHTML());
    const Integer main = FTree->MainTreeColumn();
    const Integer lock = MainColumnLockOffset();
    const bool inMain = !Section || !FTree->ShowColumns() || Section->GetIndex() == main;
    Integer left = inMain ? Item->TextLeft - FTree->FLeftPosition - lock
                          : Section->GetLeft() + FTree->ItemIndent() / 5 - FTree->FLeftPosition -
                                (Section->GetLocked() ? -FTree->FLeftPosition : 0);
    R.Left = std::max<Integer>(left, 0);
    auto place = [&](const TPoint& TopLeft) {
        TRect size = window->CalcHintRect(10000, text, nullptr);
        size.Bottom -= 2;
        const TPoint at = ClientToScreen(TopLeft);
        // No wider than the screen: the rest of an endless text is cut by the window's edge.
        const Integer width = std::min<Integer>(size.Width() + 1, GetSystemMetrics(SM_CXSCREEN));
        return TRect{at.X, at.Y, at.X + width, at.Y + size.Height() + 1};
    };
    TRect bounds = place(TPoint{R.Left, R.Top});
    TPoint mouse = FHintPoint;
    if (FTree->ShowColumns()) mouse.Y += FTree->Header()->Height();
    bool show = true;
    const std::string before = text;
    FTree->DoShowHint(Item, Section, text, window, mouse, show);
    if (!self || !alive) return;
    if (!show || text.empty()) return;
    if (text != before) {
        text = Capped(text);
        const TPoint at = window->HandleAllocated() ? ScreenToClient(TPoint{window->Left(), window->Top()})
                                                    : TPoint{R.Left, R.Top};
        bounds = place(at);
    }
    FLineHintItem = Item;
    window->ActivateHint(bounds, text);
}

void TExTreeView::DoHideLineHint()
{
    FLineHintItem = nullptr;
    if (FHintTimer) FHintTimer->SetEnabled(false);
    if (FLineHintWindow) FLineHintWindow->ReleaseHandle();
}

void TExTreeView::HideLineHintOn(const TMessage& Message)
{
    if (!FLineHintItem) return;
    const UINT m = Message.Msg;
    if (FTree->HideHintOnMove()) {
        if ((m >= WM_MOUSEFIRST && m <= WM_MOUSEWHEEL) || m == WM_NCMOUSEMOVE) {
            POINT p{};
            GetCursorPos(&p);
            ::ScreenToClient(Handle(), &p);
            TSTItemPart part;
            Integer column = -1;
            if (GetItemAt(p.X, p.Y, part, column) != FLineHintItem) DoHideLineHint();
            return;
        }
        if ((m >= WM_KEYFIRST && m <= WM_KEYLAST) || m == WM_COMMAND || m == CM_BASE + 0 || m == CM_BASE + 1 ||
            m == CM_BASE + 22 || m == CM_BASE + 23) {
            DoHideLineHint();
            return;
        }
    }
    if (m == CM_ACTIVATE || m == CM_DEACTIVATE || m == WM_NCMOUSEMOVE) DoHideLineHint();
}

// ---------------------------------------------------------------- the mouse's part in it

void TExTreeView::WMMouseMove(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::Dispatch(Message);
    if (!self) return;
    IntMouseMove(Message.XPos(), Message.YPos(), KeysToShiftState(Message.WParam));
}

void TExTreeView::CMMouseLeave(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    MouseLeft();
    if (!self) return;
    TCustomControl::Dispatch(Message);
}
