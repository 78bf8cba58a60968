#include "tree/Excellstyle.h"

#include "platform/Graphics.h"
#include "tree/Excellctl.h"
#include "tree/Extreeitem.h"

TExCellStyle::TExCellStyle(TExTreeItem* Owner) : FOwner(Owner) {}

TExCellStyle::~TExCellStyle()
{
    SetControl(nullptr);
    FreePicture();
}

void TExCellStyle::Assign(const TExCellStyle* Source)
{
    if (!Source || Source == this) return;
    FUseBkColor = Source->FUseBkColor;
    FCellBkColor = Source->FCellBkColor;
    FTextBkColor = Source->FTextBkColor;
    FTextColor = Source->FTextColor;
    FTextFlags = Source->FTextFlags;
    // The source's picture belongs to whoever gave it to the source and may go before this style
    // does: keep a copy of our own.
    TBitmap* copy = nullptr;
    if (Source->FPicture) {
        copy = new TBitmap;
        copy->Assign(Source->FPicture);
    }
    FreePicture();
    FPicture = copy;
    FOwnsPicture = copy != nullptr;
    FCellType = Source->FCellType;
    FStyle = Source->FStyle;
    FOwnerColors = Source->FOwnerColors;
    FFontSize = Source->FFontSize;
    FFontStyles = Source->FFontStyles;
    FFontName = Source->FFontName;
}

void TExCellStyle::Update()
{
    if (FOwner) FOwner->RedrawItem(true);
}

void TExCellStyle::Changed()
{
    if (FOwner && FOwner->UseStyles()) FOwner->UpdateItem();
}

void TExCellStyle::FontChanged()
{
    if (FStyle != ExhsText || !FOwner || !FOwner->UseStyles()) return;
    TExTreeModel* tree = FOwner->Tree();
    // One bracket for the request and the row's update, so that its close refreshes and sizes.
    TExUpdateGuard bracket(tree);
    tree->Refresh().ColumnsAutoSizePending = true;
    FOwner->CellsChanged();
    FOwner->UpdateItem();
    bracket.Done();
}

void TExCellStyle::Measured()
{
    if (FOwner && FOwner->UseStyles()) FOwner->CellsChanged();
}

void TExCellStyle::FreePicture()
{
    if (FOwnsPicture) TObject::Free(FPicture);
    FPicture = nullptr;
    FOwnsPicture = false;
}

void TExCellStyle::SetCellBkColor(TColor Value)
{
    if (FCellBkColor == Value) return;
    FCellBkColor = Value;
    Changed();
}

void TExCellStyle::SetTextBkColor(TColor Value)
{
    if (FTextBkColor == Value) return;
    FTextBkColor = Value;
    if (FStyle == ExhsText) Changed();
}

void TExCellStyle::SetTextColor(TColor Value)
{
    if (FTextColor == Value) return;
    FTextColor = Value;
    if (FStyle == ExhsText) Changed();
}

void TExCellStyle::SetTextFlags(Integer Value)
{
    if (FTextFlags == Value) return;
    FTextFlags = Value;
    if (FStyle == ExhsText) Changed();
}

void TExCellStyle::SetPicture(TBitmap* Value)
{
    if (FPicture == Value) return;
    FreePicture();
    FPicture = Value;
    if (FStyle != ExhsPictureOnly) return;
    Changed();
    Measured();
}

void TExCellStyle::SetCellType(TExFieldType Value) { FCellType = Value; }

void TExCellStyle::SetStyle(TExSectionStyle Value)
{
    if (FStyle == Value) return;
    FStyle = Value;
    Changed();
    Measured();
}

void TExCellStyle::SetOwnerColors(bool Value)
{
    if (FOwnerColors == Value) return;
    FOwnerColors = Value;
    Changed();
    Measured();
}

void TExCellStyle::SetUseBkColor(bool Value)
{
    if (FUseBkColor == Value) return;
    FUseBkColor = Value;
    Changed();
}

void TExCellStyle::SetFontSize(Integer Value)
{
    if (FFontSize == Value) return;
    FFontSize = Value;
    FontChanged();
}

void TExCellStyle::SetFontStyles(unsigned Value)
{
    if (FFontStyles == Value) return;
    FFontStyles = Value;
    FontChanged();
}

void TExCellStyle::SetFontName(const std::string& Value)
{
    if (FFontName == Value) return;
    FFontName = Value;
    FontChanged();
}

void TExCellStyle::SetControl(TExCellControl* Value)
{
    if (FControl == Value) return;
    if (TExCellControl* old = FControl) {
        FControl = nullptr;
        old->SetOwnerStyle(nullptr);
        TObject::Free(old);
    }
    if (Value) {
        // A control hosted elsewhere moves here; the other style must not free it later.
        if (TExCellStyle* other = Value->OwnerStyle(); other && other != this) other->ControlGone(Value);
        Value->SetOwnerStyle(this);
    }
    FControl = Value;
    Update();
    // A cell with a control takes its section's width (a control going leaves its column measured
    // whole next time anyway).
    if (Value) Measured();
}

void TExCellStyle::ControlGone(TExCellControl* Control)
{
    if (FControl != Control) return;
    FControl = nullptr;
    Update();
}
