// The edit window and the clipboard.
#include "platform/Clipbrd.h"
#include "platform/EditCore.h"
#include "platform/EditInternals.h"

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
    ReplaceSel(clip->AsText(CodePage()), true);
    return true;
}

}  // namespace morvik::stdctl
