// TExCellStyle: how one cell of an item is drawn while the item's UseStyles is on: colours, text
// flags, font, cell type, drawing style, a picture and an optional hosted cell control.
#pragma once

#include <string>

#include "controls/Exheadertypes.h"
#include "platform/Classes.h"

class TBitmap;
class TExCellControl;
class TExTreeItem;

class TExCellStyle : public TObject {
public:
    explicit TExCellStyle(TExTreeItem* Owner);
    ~TExCellStyle() override;

    // Copies colours, flags, picture, cell type, style, owner colours and font; not the owner, the
    // control or the style value. A picture is copied as a picture of this style's own.
    void Assign(const TExCellStyle* Source);

    TExTreeItem* Owner() const { return FOwner; }
    // Redraws the owner item's row.
    void Update();

    TColor CellBkColor() const { return FCellBkColor; }
    void SetCellBkColor(TColor Value);
    TColor TextBkColor() const { return FTextBkColor; }
    void SetTextBkColor(TColor Value);
    TColor TextColor() const { return FTextColor; }
    void SetTextColor(TColor Value);
    Integer TextFlags() const { return FTextFlags; }
    void SetTextFlags(Integer Value);
    TBitmap* Picture() const { return FPicture; }
    // Value stays the caller's.
    void SetPicture(TBitmap* Value);
    TExFieldType CellType() const { return FCellType; }
    void SetCellType(TExFieldType Value);
    TExSectionStyle Style() const { return FStyle; }
    void SetStyle(TExSectionStyle Value);
    bool OwnerColors() const { return FOwnerColors; }
    void SetOwnerColors(bool Value);
    Integer FontSize() const { return FFontSize; }
    void SetFontSize(Integer Value);
    unsigned FontStyles() const { return FFontStyles; }
    void SetFontStyles(unsigned Value);
    const std::string& FontName() const { return FFontName; }
    void SetFontName(const std::string& Value);
    bool UseBkColor() const { return FUseBkColor; }
    void SetUseBkColor(bool Value);
    TExCellControl* Control() const { return FControl; }
    // The style owns the control it hosts: a replaced control is freed.
    void SetControl(TExCellControl* Value);
    // A hosted control being destroyed leaves the style.
    void ControlGone(TExCellControl* Control);
    Integer StyleValue() const { return FStyleValue; }
    void SetStyleValue(Integer Value) { FStyleValue = Value; }

private:
    // Redraw when the owner shows its styles.
    void Changed();
    void FontChanged();
    // Its cell may measure anew: the owner's kept widths hear of it.
    void Measured();
    void FreePicture();

    TExTreeItem* FOwner;
    Integer FStyleValue = 0;
    TColor FCellBkColor = 0;
    TColor FTextBkColor = 0;
    TColor FTextColor = 0;
    // End ellipsis, no prefix, single line, vertical centre.
    Integer FTextFlags = 0x8824;
    TBitmap* FPicture = nullptr;
    bool FOwnsPicture = false;
    TExFieldType FCellType = sftText;
    TExSectionStyle FStyle = ExhsText;
    bool FOwnerColors = false;
    Integer FFontSize = 0;
    unsigned FFontStyles = 0;
    std::string FFontName;
    TExCellControl* FControl = nullptr;
    bool FUseBkColor = false;
};
