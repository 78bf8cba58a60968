// TExPictureButton: what the windowed popup button and the window-less graphic button have alike
// on top of their own control base: the picture set (glyph, icon, the four image lists), its
// layout, the frame looks with their shadow colours, the backgrounds and image form, and the sound
// map. The button supplies its hover and pressed state, which decide the image list in use.
#pragma once

#include <memory>
#include <string>

#include "controls/Exbtnctl.h"
#include "controls/Exbtnglyph.h"
#include "platform/Controls.h"

class TCustomExImageForm;
class TExCustomSoundMap;
class TImgFormChangeLink;

// A sound event's name as the buttons keep it: at most 255 characters.
using TExSoundName = std::string;

template <class TBase>
class TExPictureButton : public TBase {
public:
    explicit TExPictureButton(TComponent* AOwner);
    ~TExPictureButton() override;

    // ---- picture
    TBitmap* Glyph() const { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* Value);
    Integer NumGlyphs() const { return FGlyph->NumGlyphs(); }
    // Values above 4 become 4; a bitmap whose width is a multiple of its height decides itself.
    void SetNumGlyphs(Integer Value);
    TIcon* Icon() const { return FGlyph->Icon(); }
    // Copied into the painter's icon.
    void SetIcon(TIcon* Value);
    bool UseIcon() const { return FGlyph->UseIcon(); }
    void SetUseIcon(bool Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TCustomImageList* HotImages() const { return FHotImages; }
    void SetHotImages(TCustomImageList* Value);
    TCustomImageList* DownImages() const { return FDownImages; }
    void SetDownImages(TCustomImageList* Value);
    TCustomImageList* DisabledImages() const { return FDisabledImages; }
    void SetDisabledImages(TCustomImageList* Value);
    bool UseImageList() const { return FUseImageList; }
    void SetUseImageList(bool Value);
    Integer ImageIndex() const { return FGlyph->ImageIndex(); }
    void SetImageIndex(Integer Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    Integer Margin() const { return FMargin; }
    // Values below -1 are ignored; -1 centres.
    void SetMargin(Integer Value);
    Integer Spacing() const { return FSpacing; }
    void SetSpacing(Integer Value);
    bool ShowGlyph() const { return FShowGlyph; }
    void SetShowGlyph(bool Value);
    bool ShowText() const { return FShowText; }
    void SetShowText(bool Value);
    bool AdjustSpaceForGlyph() const { return FAdjustSpaceForGlyph; }
    void SetAdjustSpaceForGlyph(bool Value);
    TExButtonGlyph* ButtonGlyph() const { return FGlyph.get(); }

    // ---- frame
    bool Flat() const { return FFlat; }
    virtual void SetFlat(bool Value);
    bool OldStyled() const { return FOldStyled; }
    // Not while Flat.
    void SetOldStyled(bool Value);
    bool ThinFrame() const { return FThinFrame; }
    void SetThinFrame(bool Value);
    bool ShowBorder() const { return FShowBorder; }
    void SetShowBorder(bool Value);
    bool ShadowsUseCustom() const { return FShadowsUseCustom; }
    void SetShadowsUseCustom(bool Value);
    TColor ShadowBtnHighlight() const { return FShadowBtnHighlight; }
    void SetShadowBtnHighlight(TColor Value);
    TColor ShadowBtnShadow() const { return FShadowBtnShadow; }
    void SetShadowBtnShadow(TColor Value);
    TColor ShadowBtnDkShadow() const { return FShadowBtnDkShadow; }
    void SetShadowBtnDkShadow(TColor Value);
    bool ShadowFollowsColor() const { return FShadowFollowsColor; }
    void SetShadowFollowsColor(bool Value);
    TBitmap* Background() const { return FBackground.get(); }
    void SetBackground(TBitmap* Value);
    TBitmap* DownBackground() const { return FDownBackground.get(); }
    void SetDownBackground(TBitmap* Value);
    bool BackgroundDrawBorder() const { return FBackgroundDrawBorder; }
    void SetBackgroundDrawBorder(bool Value);
    TCustomExImageForm* ImageForm() const { return FImageForm; }
    void SetImageForm(TCustomExImageForm* Value);

    // ---- sounds
    TExCustomSoundMap* SoundMap() const { return FSoundMap; }
    void SetSoundMap(TExCustomSoundMap* Value);
    TExSoundName DownSound, UpSound, ClickSound, ArrowClickSound;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The mouse is over the button or its arrow part.
    virtual bool Hot() const = 0;
    // The button looks pressed.
    virtual bool Pressed() const = 0;
    // A change of the frame's thickness shows now.
    virtual bool FrameShowing() = 0;
    void Play(const TExSoundName& Sound);
    // Shadow colours from the face colour, unless custom ones are in use.
    void DeriveShadows();
    void FrameRect(HDC DC, const TRect& R, bool Flag, bool PressedLook, TColor Face);

    std::unique_ptr<TExButtonGlyph> FGlyph;
    TCustomImageList* FImages = nullptr;
    TCustomImageList* FHotImages = nullptr;
    TCustomImageList* FDownImages = nullptr;
    TCustomImageList* FDisabledImages = nullptr;
    std::unique_ptr<TChangeLink> FImagesLink, FHotImagesLink, FDownImagesLink, FDisabledImagesLink;
    std::unique_ptr<TImgFormChangeLink> FImageFormLink;
    bool FUseImageList = false;
    TButtonLayout FLayout = blGlyphLeft;
    Integer FMargin = -1;
    Integer FSpacing = 4;
    bool FShowGlyph = true;
    bool FShowText = true;
    bool FAdjustSpaceForGlyph = true;
    bool FFlat = false;
    bool FOldStyled = false;
    bool FThinFrame = false;
    bool FShowBorder = true;
    bool FShadowsUseCustom = false;
    TColor FShadowBtnHighlight = clBtnHighlight;
    TColor FShadowBtnShadow = clBtnShadow;
    TColor FShadowBtnDkShadow = cl3DDkShadow;
    bool FShadowFollowsColor = true;
    std::unique_ptr<TBitmap> FBackground, FDownBackground;
    bool FBackgroundDrawBorder = false;
    TCustomExImageForm* FImageForm = nullptr;
    TExCustomSoundMap* FSoundMap = nullptr;

private:
    void SetListOf(TCustomImageList*& Field, TCustomImageList* Value);
    void ImageListChanged(TObject* Sender);
};

extern template class TExPictureButton<TExButtonControl>;
extern template class TExPictureButton<TGraphicControl>;
