// The image form: one continuous background (a picture, a colour or a gradient) for a form that
// the library's controls paint through their own client areas, so they look transparent over a
// common image. It paints the form's own background through a window hook, can cut the form's
// window to the shape of a picture, can let the user drag the form by its background, and tells
// every registered link when the background changes.
#pragma once

#include <memory>

#include "ctlbase/Exvclutils.h"

class TBitmap;
class TImage;
class TExHook;
class TExList;
class TCustomExImageForm;

// Broadcast to the real control's children when the background must be repainted.
constexpr UINT IFM_REPAINTCHILDREN = 7413;
// Sent to the real control before its background is erased: non-zero means it paints its own.
constexpr UINT IFM_CANPAINTBKGND = 7415;
// Sent to the real control with LParam pointing to the origin rectangle, which it may change.
constexpr UINT IFM_ORIGINRECT = 2350;

class TImgFormChangeLink : public TObject {
public:
    ~TImgFormChangeLink() override;
    TCustomExImageForm* Sender() const { return FSender; }
    TNotifyEvent OnChange;
    virtual void Change();

private:
    friend class TCustomExImageForm;
    TCustomExImageForm* FSender = nullptr;
};

class TCustomExImageForm : public TComponent {
public:
    explicit TCustomExImageForm(TComponent* AOwner);
    ~TCustomExImageForm() override;

    // Control when set, else the owner.
    TWinControl* GetRealControl() const;
    void RegisterChanges(TImgFormChangeLink* Link);
    void UnregisterChanges(TImgFormChangeLink* Link);
    // Paints into R of DC the part of the background under a control whose client origin is
    // Origin in the real control's client coordinates. Direct: the real control's own background.
    void PaintBkgnd(HDC DC, const TRect& R, const TPoint& Origin, bool Direct);

    TControl* CaptionControl() const { return FCaptionControl; }
    void SetCaptionControl(TControl* Value);
    bool ChangeFormRegion() const { return FChangeFormRegion; }
    void SetChangeRegion(bool Value);
    TBitmap* Background() const { return FBackground.get(); }
    void SetBkImage(TBitmap* Value);
    TImage* FormImage() const { return FFormImage; }
    void SetImage(TImage* Value);
    bool MoveForm() const { return FMoveForm; }
    void SetMoveForm(bool Value) { FMoveForm = Value; }
    TExBkGndType BackgroundType() const { return FBackgroundType; }
    void SetBackgroundType(TExBkGndType Value);
    Integer GradientSteps() const { return FGradientSteps; }
    void SetGradientSteps(Integer Value);
    TColor GradientStartColor() const { return FGradientStartColor; }
    void SetGradientStartColor(TColor Value);
    TColor GradientEndColor() const { return FGradientEndColor; }
    void SetGradientEndColor(TColor Value);
    TWinControl* Control() const { return FControl; }
    void SetControl(TWinControl* Value);
    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor Value);
    // The bottom-left pixel of FormImage's picture; clNone without a picture.
    TColor GetTransparentColor() const;

    void Loaded() override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void Change();

private:
    struct TPictureHook;
    void BkImageChange(TObject* Sender);
    void PictureChanged(TObject* Sender);
    void UnhookPicture();
    void MakeHook();
    void DestroyHook();
    void MakeRegion();
    void DestroyRegion();
    void InvalidateHooked(bool Erase);
    void BroadcastRepaint();
    bool Designing(TComponent* C) const;
    TRect OriginRect(TWinControl* Real, TPoint& Origin);
    void BeforeMessage(TObject* Sender, TMessage& Msg, bool& Handled);
    void AfterMessage(TObject* Sender, TMessage& Msg, bool& Handled);

    TControl* FCaptionControl = nullptr;
    bool FChangeFormRegion = false;
    std::unique_ptr<TBitmap> FBackground;
    TImage* FFormImage = nullptr;
    std::unique_ptr<TBitmap> FSpare;
    bool FMoveForm = false;
    TExHook* FHook = nullptr;
    HRGN FRegion = nullptr;
    TExBkGndType FBackgroundType = bgtColorFill;
    Integer FGradientSteps = 16;
    TColor FGradientStartColor = 0;
    TColor FGradientEndColor = 0;
    bool FSizing = false;
    TExList* FLinks = nullptr;
    TWinControl* FControl = nullptr;
    TColor FTransparentColor = clNone;
    TNotifyEvent FSavedPictureChange;
};

class TExImageForm : public TCustomExImageForm {
public:
    using TCustomExImageForm::TCustomExImageForm;
};

// The region of the pixels of Bitmap whose colour is not TransparentColor, in runs one row high
// joined into bands; nil when the bitmap is empty or every pixel is transparent.
HRGN BitmapToRegion(TBitmap* Bitmap, TColor TransparentColor);
