// TStyleMemo: the clipboard (plain text, and a column block also under a registered format) and the
// default popup menu with the standard editing commands.
#include <algorithm>
#include <cstring>
#include <string>

#include "memo/Stylememo.h"
#include "platform/Clipbrd.h"
#include "platform/CodePages.h"
#include "platform/Menus.h"
#include "platform/Windows.h"

namespace {

UINT BlockFormat = 0;

// The items of the default popup menu, in their order; the index chooses the command.
const char* const PopupCaptions[] = {"&Undo", "&Redo", "-", "Cu&t", "&Copy", "&Paste", "-", "&Select all"};

// Line ends of other programs (LF, and CR LF) become paragraph breaks; a lone CR already is one.
std::string ParagraphBreaks(const std::string& Text)
{
    std::string r;
    r.reserve(Text.size() + Text.size() / 32);
    for (size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '\n' && (i == 0 || Text[i - 1] != '\r')) r += '\r';
        r += Text[i];
    }
    return r;
}

}  // namespace

UINT BlockClipboardFormat()
{
    if (BlockFormat == 0) BlockFormat = RegisterClipboardFormat("Tarvesk IDE Block Type");
    return BlockFormat;
}

void TStyleMemo::CopyToClipboard()
{
    if (FSelLength == 0) return;
    TClipboard* clip = Clipboard();
    // Other programs read the characters the bytes stand for in the memo's font.
    const int codePage = CharsetToCodePage(Font()->Charset());
    if (FBlockSelected) {
        const std::string text = SelectedBlockText();
        clip->Open();
        try {
            const UINT format = BlockClipboardFormat();
            clip->SetTextBuf(text.c_str(), codePage);
            HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
            std::memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
            GlobalUnlock(mem);
            clip->SetAsHandle(format, mem);
        } catch (...) {
            clip->Close();
            throw;
        }
        clip->Close();
        return;
    }
    std::string text(static_cast<size_t>(std::abs(FSelLength)), '\0');
    const Integer n = GetSelTextBuf(text.data(), static_cast<Integer>(text.size()) + 1);
    text.resize(static_cast<size_t>(n));
    clip->SetTextBuf(text.c_str(), codePage);
}

void TStyleMemo::OfferPrimarySelection()
{
    if (FSelLength == 0 || !HandleAllocated() || FPrimaryPosted) return;
    // Published once the messages of the gesture have run: a held Shift+arrow copies the text once.
    FPrimaryPosted = true;
    PostMessage(Handle(), PM_PRIMARY, 0, 0);
}

void TStyleMemo::PMPrimary(TMessage& Message)
{
    Message.Result = 0;
    FPrimaryPosted = false;
    if (FSelLength != 0) Clipboard()->SetPrimaryText(SelText(), CharsetToCodePage(Font()->Charset()));
}

void TStyleMemo::PastePrimarySelection()
{
    const std::string text = ParagraphBreaks(Clipboard()->PrimaryText(CharsetToCodePage(Font()->Charset())));
    if (text.empty()) return;
    EventScope scope(*this);
    FSelMoved = true;
    if (!PutSelText(text)) return;
    FSelMoved = true;
}

void TStyleMemo::CutToClipboard()
{
    EventScope scope(*this);
    CopyToClipboard();
    setSelText(std::string());
}

void TStyleMemo::PasteFromClipboard()
{
    TClipboard* clip = Clipboard();
    const bool block = (FOptions & pmoBlockSelection) != 0 && clip->HasFormat(BlockClipboardFormat());
    if (!clip->HasFormat(CF_TEXT)) return;
    EventScope scope(*this);
    // A paste is never merged with the typing before or after it.
    FSelMoved = true;
    // Taken as the middle button and the platform's edits take it: a character the font's code
    // page lacks is left out (or given as the letter it is built on), not turned into '?'.
    const std::string text = ParagraphBreaks(clip->PasteText(CharsetToCodePage(Font()->Charset())));
    TGuardPtr<TStyleMemo> self(this);
    if (block)
        InsertBlock(text);
    else
        setSelText(text);
    if (self) FSelMoved = true;
}

// ---------------------------------------------------------------- popup menu

void TStyleMemo::CreatePopupMenu()
{
    if (FDefaultPopup != nullptr) return;
    FDefaultPopup = new TPopupMenu(this);
    FDefaultPopup->OnPopup = [this](TObject* Sender) { PopupClickHandler(Sender); };
    for (const char* caption : PopupCaptions) {
        auto* item = new TMenuItem(FDefaultPopup);
        item->SetCaption(caption);
        item->OnClick = [this](TObject* Sender) { PopupClickHandler(Sender); };
        FDefaultPopup->Items()->Add(item);
    }
}

void TStyleMemo::PopupClickHandler(TObject* Sender)
{
    if (FDefaultPopup == nullptr) return;
    EventScope scope(*this);
    TMenuItem* items = FDefaultPopup->Items();
    if (Sender == FDefaultPopup) {
        // What the user may do: a memo the user may not edit offers no undo, cut or paste.
        const bool edit = UserMayEdit();
        items->Items(0)->SetEnabled(CanUndo() && edit);
        items->Items(1)->SetEnabled(CanRedo() && edit);
        items->Items(3)->SetEnabled(FSelLength != 0 && edit);
        items->Items(4)->SetEnabled(FSelLength != 0);
        items->Items(5)->SetEnabled(edit && Clipboard()->HasFormat(CF_TEXT));
        return;
    }
    const int index = items->IndexOf(dynamic_cast<TMenuItem*>(Sender));
    const bool edit = UserMayEdit();
    switch (index) {
    case 0:
        if (edit) Undo();
        break;
    case 1:
        if (edit) Redo();
        break;
    case 3:
        if (edit) CutToClipboard();
        break;
    case 4: CopyToClipboard(); break;
    case 5:
        if (edit) PasteFromClipboard();
        break;
    case 7:
        SelectAll();
        OfferPrimarySelection();
        break;
    default: break;
    }
}

// ---------------------------------------------------------------- clipboard and undo messages

void TStyleMemo::WMCut(TMessage& Message)
{
    Message.Result = 0;
    if (UserMayEdit()) CutToClipboard();
}

void TStyleMemo::WMCopy(TMessage& Message)
{
    Message.Result = 0;
    CopyToClipboard();
}

void TStyleMemo::WMPaste(TMessage& Message)
{
    Message.Result = 0;
    if (UserMayEdit()) PasteFromClipboard();
}

void TStyleMemo::WMUndo(TMessage& Message)
{
    Message.Result = 0;
    if (!UserMayEdit()) return;
    Message.Result = CanUndo() ? 1 : 0;
    Undo();
}
