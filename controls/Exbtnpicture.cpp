#include "controls/Exbtnpicture.h"

#include <algorithm>

#include "controls/Exsoundmapbase.h"
#include "ctlbase/Eximgfrm.h"

template <class TBase>
TExPictureButton<TBase>::TExPictureButton(TComponent* AOwner)
    : TBase(AOwner),
      FGlyph(std::make_unique<TExButtonGlyph>()),
      FImagesLink(std::make_unique<TChangeLink>()),
      FHotImagesLink(std::make_unique<TChangeLink>()),
      FDownImagesLink(std::make_unique<TChangeLink>()),
      FDisabledImagesLink(std::make_unique<TChangeLink>()),
      FImageFormLink(std::make_unique<TImgFormChangeLink>()),
      FBackground(std::make_unique<TBitmap>()),
      FDownBackground(std::make_unique<TBitmap>())
{
    FGlyph->OnChange = [this](TObject*) {
        if (!this->HasState(csLoading) && !FGlyph->UseImageList) this->Invalidate();
    };
    FGlyph->SetImageIndex(-1);
    for (TChangeLink* link : {FImagesLink.get(), FHotImagesLink.get(), FDownImagesLink.get(), FDisabledImagesLink.get()})
        link->OnChange = [this](TObject* Sender) { ImageListChanged(Sender); };
    FImageFormLink->OnChange = [this](TObject*) { this->Invalidate(); };
    FBackground->OnChange = [this](TObject*) { this->Invalidate(); };
    FDownBackground->OnChange = [this](TObject*) { this->Invalidate(); };
    ButtonCreated();
}

template <class TBase>
TExPictureButton<TBase>::~TExPictureButton()
{
    if (FImageForm != nullptr) FImageForm->UnregisterChanges(FImageFormLink.get());
    FBackground->OnChange = nullptr;
    FDownBackground->OnChange = nullptr;
    FImagesLink.reset();
    FHotImagesLink.reset();
    FDownImagesLink.reset();
    FDisabledImagesLink.reset();
    FGlyph->OnChange = nullptr;
    FGlyph.reset();
    ButtonDestroyed();
}

template <class TBase>
void TExPictureButton<TBase>::Play(const TExSoundName& Sound)
{
    if (FSoundMap != nullptr) FSoundMap->Play(Sound);
}

template <class TBase>
void TExPictureButton<TBase>::DeriveShadows()
{
    if (FShadowsUseCustom) return;
    const Integer hls = RGBtoHLS(TColor(ColorToRGB(this->Color())));
    const Integer l = (hls >> 8) & 0xFF;
    const Integer t = l / 3;
    const auto withLightness = [hls](Integer L) { return HLStoRGB((hls & ~0xFF00) | (std::min(239, L) << 8)); };
    FShadowBtnHighlight = withLightness(l + t);
    FShadowBtnShadow = withLightness(std::max(0, l - t));
    FShadowBtnDkShadow = withLightness(l - l / 2);
}

template <class TBase>
void TExPictureButton<TBase>::FrameRect(HDC DC, const TRect& R, bool Flag, bool PressedLook, TColor Face)
{
    if (FShadowsUseCustom)
        DrawButtonFrameEx2(DC, R, Flag, PressedLook, Face, FThinFrame, TColor(ColorToRGB(FShadowBtnHighlight)),
                           TColor(ColorToRGB(FShadowBtnDkShadow)), TColor(ColorToRGB(this->Color())),
                           TColor(ColorToRGB(FShadowBtnShadow)));
    else
        DrawButtonFrameEx(DC, R, Flag, PressedLook, Face, FThinFrame);
}

// ---------------------------------------------------------------- picture

template <class TBase>
void TExPictureButton<TBase>::SetGlyph(TBitmap* Value)
{
    FGlyph->SetGlyph(Value);
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetNumGlyphs(Integer Value)
{
    FGlyph->SetNumGlyphs(std::min<Integer>(Value, 4));
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetIcon(TIcon* Value)
{
    FGlyph->SetIcon(Value);
}

template <class TBase>
void TExPictureButton<TBase>::SetUseIcon(bool Value)
{
    FGlyph->SetUseIcon(Value);
    if (!FUseImageList) this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetListOf(TCustomImageList*& Field, TCustomImageList* Value)
{
    if (Field == Value) return;
    TChangeLink* link = &Field == &FImages       ? FImagesLink.get()
                        : &Field == &FHotImages  ? FHotImagesLink.get()
                        : &Field == &FDownImages ? FDownImagesLink.get()
                                                 : FDisabledImagesLink.get();
    if (Field != nullptr) {
        Field->UnregisterChanges(link);
        Field->RemoveFreeNotification(this);
    }
    Field = Value;
    if (Field != nullptr) {
        Field->RegisterChanges(link);
        Field->FreeNotification(this);
    }
}

template <class TBase>
void TExPictureButton<TBase>::SetImages(TCustomImageList* Value)
{
    const bool had = FImages != nullptr;
    SetListOf(FImages, Value);
    if (Value != nullptr && !had && !this->HasState(csLoading)) SetUseImageList(true);
    if (Value == nullptr) SetUseImageList(false);
    FGlyph->SetImageList(!this->Enabled() && FDisabledImages != nullptr ? FDisabledImages : FImages);
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetHotImages(TCustomImageList* Value)
{
    SetListOf(FHotImages, Value);
    if (Hot() && this->Enabled() && FUseImageList) {
        FGlyph->SetImageList(FHotImages != nullptr ? FHotImages : FImages);
        this->Invalidate();
    }
}

template <class TBase>
void TExPictureButton<TBase>::SetDownImages(TCustomImageList* Value)
{
    SetListOf(FDownImages, Value);
    if (Pressed() && FUseImageList) {
        FGlyph->SetImageList(FDownImages != nullptr ? FDownImages : FImages);
        this->Invalidate();
    }
}

template <class TBase>
void TExPictureButton<TBase>::SetDisabledImages(TCustomImageList* Value)
{
    SetListOf(FDisabledImages, Value);
    if (!this->Enabled() && FUseImageList) {
        FGlyph->SetImageList(FDisabledImages != nullptr ? FDisabledImages : FImages);
        this->Invalidate();
    }
}

template <class TBase>
void TExPictureButton<TBase>::SetUseImageList(bool Value)
{
    if (Value == FUseImageList) return;
    FUseImageList = Value;
    if (!this->HasState(csLoading)) FGlyph->UseImageList = Value;
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetImageIndex(Integer Value)
{
    FGlyph->SetImageIndex(Value);
    if (FUseImageList) this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetLayout(TButtonLayout Value)
{
    if (Value == FLayout) return;
    FLayout = Value;
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetMargin(Integer Value)
{
    if (Value == FMargin || Value < -1) return;
    FMargin = Value;
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetSpacing(Integer Value)
{
    if (Value == FSpacing) return;
    FSpacing = Value;
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetShowGlyph(bool Value)
{
    if (Value == FShowGlyph) return;
    FShowGlyph = Value;
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetShowText(bool Value)
{
    if (Value == FShowText) return;
    FShowText = Value;
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetAdjustSpaceForGlyph(bool Value)
{
    if (Value == FAdjustSpaceForGlyph) return;
    FAdjustSpaceForGlyph = Value;
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::ImageListChanged(TObject* Sender)
{
    if (!FUseImageList) return;
    if ((Sender == FHotImages && Hot() && this->Enabled()) || (Sender == FDisabledImages && !this->Enabled()) ||
        (Sender == FDownImages && Pressed()) || Sender == FImages)
        this->Invalidate();
}

// ---------------------------------------------------------------- frame

template <class TBase>
void TExPictureButton<TBase>::SetFlat(bool Value)
{
    if (Value == FFlat) return;
    FFlat = Value;
    if (Value) FOldStyled = false;
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetOldStyled(bool Value)
{
    if (Value == FOldStyled || (Value && FFlat)) return;
    FOldStyled = Value;
    this->Repaint();
}

template <class TBase>
void TExPictureButton<TBase>::SetThinFrame(bool Value)
{
    if (Value == FThinFrame) return;
    FThinFrame = Value;
    if (Value) FOldStyled = false;
    if (FrameShowing()) this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetShowBorder(bool Value)
{
    if (Value == FShowBorder) return;
    FShowBorder = Value;
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetShadowsUseCustom(bool Value)
{
    if (Value == FShadowsUseCustom) return;
    FShadowsUseCustom = Value;
    DeriveShadows();
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetShadowBtnHighlight(TColor Value)
{
    FShadowBtnHighlight = Value;
    if (FShadowsUseCustom) this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetShadowBtnShadow(TColor Value)
{
    FShadowBtnShadow = Value;
    if (FShadowsUseCustom) this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetShadowBtnDkShadow(TColor Value)
{
    FShadowBtnDkShadow = Value;
    if (FShadowsUseCustom) this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetShadowFollowsColor(bool Value)
{
    if (Value == FShadowFollowsColor) return;
    FShadowFollowsColor = Value;
    this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetBackground(TBitmap* Value)
{
    FBackground->Assign(Value);
}

template <class TBase>
void TExPictureButton<TBase>::SetDownBackground(TBitmap* Value)
{
    FDownBackground->Assign(Value);
}

template <class TBase>
void TExPictureButton<TBase>::SetBackgroundDrawBorder(bool Value)
{
    if (Value == FBackgroundDrawBorder) return;
    FBackgroundDrawBorder = Value;
    if (!FBackground->Empty()) this->Invalidate();
}

template <class TBase>
void TExPictureButton<TBase>::SetImageForm(TCustomExImageForm* Value)
{
    if (Value == FImageForm) return;
    if (FImageForm != nullptr) {
        FImageForm->UnregisterChanges(FImageFormLink.get());
        FImageForm->RemoveFreeNotification(this);
    }
    FImageForm = Value;
    if (FImageForm != nullptr) {
        FImageForm->RegisterChanges(FImageFormLink.get());
        FImageForm->FreeNotification(this);
    }
    this->Invalidate();
}

// ---------------------------------------------------------------- sounds and free notifications

template <class TBase>
void TExPictureButton<TBase>::SetSoundMap(TExCustomSoundMap* Value)
{
    if (Value == FSoundMap) return;
    if (FSoundMap != nullptr) FSoundMap->RemoveFreeNotification(this);
    FSoundMap = Value;
    if (FSoundMap != nullptr) FSoundMap->FreeNotification(this);
}

template <class TBase>
void TExPictureButton<TBase>::Notification(TComponent* AComponent, TOperation Operation)
{
    TBase::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FSoundMap) SetSoundMap(nullptr);
    // An image list or image form that goes is past its own part of the object here: it has let
    // go of our links itself, and only the references are dropped.
    bool lists = false;
    for (TCustomImageList** field : {&FImages, &FHotImages, &FDownImages, &FDisabledImages}) {
        if (*field != nullptr && static_cast<TComponent*>(*field) == AComponent) {
            *field = nullptr;
            lists = true;
        }
    }
    if (lists) {
        if (FImages == nullptr) SetUseImageList(false);
        FGlyph->SetImageList(!this->Enabled() && FDisabledImages != nullptr ? FDisabledImages : FImages);
        this->Invalidate();
    }
    if (FImageForm != nullptr && static_cast<TComponent*>(FImageForm) == AComponent) {
        FImageForm = nullptr;
        this->Invalidate();
    }
}

template class TExPictureButton<TExButtonControl>;
template class TExPictureButton<TGraphicControl>;
