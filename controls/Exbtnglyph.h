// The picture-and-caption painter of the library's buttons, and the pool of image lists it keeps its
// ready state images in: one list per image size, shared by every painter, handed back when it holds
// no image any more. The same unit keeps the checker pattern of pressed button faces.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ctlbase/Exvclutils.h"
#include "platform/Buttons.h"
#include "platform/ImgList.h"
#include "platform/UxTheme.h"

// The look of a button, and the slot of its cached state image. Order fixed: it also numbers the
// strips of a glyph bitmap.
enum TExButtonState { ebsUp, ebsDisabled, ebsDown, ebsExclusive, ebsArrDown };
constexpr int ExButtonStateCount = 5;

// What a button of an exclusive group tells the others when it goes down (CM_BUTTONPRESSED carries
// the button as a TControl): the popup and graphic buttons of one parent share their groups.
class TExGroupedButton {
public:
    virtual ~TExGroupedButton() = default;
    virtual bool GroupDown() const = 0;
    virtual bool GroupAllowAllUp() const = 0;
};

// An image list whose slots are handed out and freed one by one: a freed slot keeps its image until
// the next addition reuses it, so the other slots never move.
class TExGlyphList : public TImageList {
public:
    TExGlyphList(Integer AWidth, Integer AHeight);
    ~TExGlyphList() override;

    // The lowest free slot, or a new one at the end; the slot is then in use.
    Integer AllocateIndex();
    // The image into a fresh slot, transparent where it has MaskColor; answers the slot.
    Integer AddMasked(TBitmap* Image, TColor MaskColor);
    // Frees a slot in use.
    void Delete(Integer Index);
    // Number of slots in use.
    Integer Count() const { return FCount; }
    bool Used(Integer Index) const;

private:
    std::vector<bool> FUsed;
    Integer FCount = 0;
};

class TExGlyphCache {
public:
    TExGlyphCache();
    ~TExGlyphCache();
    TExGlyphCache(const TExGlyphCache&) = delete;
    TExGlyphCache& operator=(const TExGlyphCache&) = delete;

    // The list for that image size, made when there is none.
    TExGlyphList* GetList(Integer AWidth, Integer AHeight);
    // Frees List when it holds no image; a list still in use stays in the pool.
    void ReturnList(TExGlyphList* List);
    bool Empty() const { return FGlyphLists.empty(); }
    Integer ListCount() const { return Integer(FGlyphLists.size()); }

private:
    std::vector<TExGlyphList*> FGlyphLists;
};

// The pool (nil until the first painter is made, and again after the last one goes), the 8 x 8
// checker pattern of pressed faces (nil while no button lives) and the number of live buttons.
extern TExGlyphCache* GlyphCache;
extern TBitmap* Pattern;
extern Integer ButtonCount;
// Makes Pattern: clBtnHighlight where x and y are both even or both odd, clBtnFace elsewhere.
void CreateBrushPattern();
// A button came or went: the last one takes the pattern with it.
void ButtonCreated();
void ButtonDestroyed();

class TExButtonGlyph : public TObject {
public:
    TExButtonGlyph();
    ~TExButtonGlyph() override;

    // ---- picture sources
    TCustomImageList* ImageList() const { return FImageList; }
    void SetImageList(TCustomImageList* Value);
    Integer ImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer Value);
    // Set by the owning button: draw from ImageList.
    bool UseImageList = false;
    TBitmap* Glyph() const { return FGlyph.get(); }
    // Copies Value into the painter's own bitmap.
    void SetGlyph(TBitmap* Value);
    Integer NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(Integer Value);
    TColor TransparentColor() const { return FTransparentColor; }
    // The icon source: drawn instead of the bitmap while UseIcon is on, the same in every state.
    TIcon* Icon() const { return FIcon.get(); }
    // Copies Value into the painter's own icon.
    void SetIcon(TIcon* Value);
    bool UseIcon() const { return FUseIcon; }
    void SetUseIcon(bool Value);
    void IconChanged(TObject* Sender);
    TNotifyEvent OnChange;

    // ---- cache
    TExGlyphList* GlyphList() const { return FGlyphList; }
    Integer Index(TExButtonState State) const { return FIndexes[State]; }
    // Forgets every state image and hands the list back to the pool.
    void Repaint();
    Integer CreateButtonGlyph(TExButtonState State);
    void GlyphChanged(TObject* Sender);
    void ResetNumGlyphs();

    // ---- layout and painting
    bool Stretched() const { return FStretched; }
    Integer StretchWidth() const { return FStretchWidth; }
    Integer StretchHeight() const { return FStretchHeight; }
    void CalcButtonLayout(TCanvas* Canvas, const TRect& Client, const TPoint& Offset, const std::string& Caption,
                          TButtonLayout Layout, Integer Margin, Integer Spacing, TPoint& GlyphPos, TRect& TextBounds,
                          bool ShowGlyph, bool ShowText, bool MultiLine, Integer ArrowWidth, HTHEME Theme,
                          int PartId, int StateId);
    void DrawButtonGlyph(TCanvas* Canvas, const TPoint& GlyphPos, TExButtonState State, bool Transparent,
                         TColor BackgroundColor);
    void DrawButtonText(TCanvas* Canvas, const std::string& Caption, const TRect& TextBounds, TExButtonState State,
                        bool MultiLine, bool Focused, bool Transparent, TExTextDrawType TextDrawType, HTHEME Theme,
                        int PartId, int StateId);
    // Lays out and paints picture and caption; answers the caption's rectangle. The caption is drawn
    // in State, the picture in GlyphState.
    TRect Draw(TCanvas* Canvas, const TRect& Client, const TPoint& Offset, const std::string& Caption,
               TButtonLayout Layout, Integer Margin, Integer Spacing, TExButtonState State,
               TExButtonState GlyphState, bool Transparent, bool MultiLine, bool Focused, bool ShowGlyph,
               bool ShowText, Integer ArrowWidth, TExTextDrawType TextDrawType, TColor BackgroundColor,
               HTHEME Theme, int PartId, int StateId);
    // The picture's size when it must fit R (shrunk as the layout shrinks it).
    void GetPaintGlyphSize(const TRect& R, TPoint& Size);
    // (0, 0, width, height) of one picture.
    TRect GetGlyphSize();

private:
    void Changed();
    void DrawStretchedCopy(TCanvas* Canvas, TBitmap* Image, const TPoint& GlyphPos);

    TCustomImageList* FImageList = nullptr;
    Integer FImageIndex = -1;
    std::unique_ptr<TBitmap> FGlyph;
    std::unique_ptr<TIcon> FIcon;
    bool FUseIcon = false;
    TExGlyphList* FGlyphList = nullptr;
    Integer FIndexes[ExButtonStateCount] = {-1, -1, -1, -1, -1};
    TColor FTransparentColor = clOlive;
    Integer FNumGlyphs = 1;
    bool FStretched = false;
    Integer FStretchWidth = 0;
    Integer FStretchHeight = 0;
};
