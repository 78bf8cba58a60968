// The class library's image list: equal-sized images with masks over a common-controls image list,
// drawn on canvases, and the drag image it shows while its owner drags.
#pragma once

#include <vector>

#include "platform/Classes.h"
#include "platform/CommCtrl.h"
#include "platform/Graphics.h"

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

class TCustomImageList;

// A client's link to an image list: OnChange runs whenever the list's images change. A link leaves
// its list when it is destroyed; a list that goes first leaves its links without a sender.
class TChangeLink : public TObject {
public:
    ~TChangeLink() override;
    TCustomImageList* Sender() const { return FSender; }
    TNotifyEvent OnChange;
    virtual void Change();

private:
    friend class TCustomImageList;
    TCustomImageList* FSender = nullptr;
};

class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* AOwner);
    ~TCustomImageList() override;

    // Changing the size empties the list.
    Integer Width() const { return FWidth; }
    void SetWidth(Integer Value);
    Integer Height() const { return FHeight; }
    void SetHeight(Integer Value);
    Integer Count() const;
    HIMAGELIST Handle();

    // The first index added; -1 when nothing could be. A bitmap wider than one image adds several.
    Integer Add(TBitmap* Image, TBitmap* Mask);
    Integer AddMasked(TBitmap* Image, TColor MaskColor);
    // Image Index anew, transparent where it has MaskColor (clDefault: its own transparent colour).
    void ReplaceMasked(Integer Index, TBitmap* NewImage, TColor MaskColor);
    void Delete(Integer Index);
    void Clear();
    void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled = true);
    void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, TDrawingStyle Style, TImageType Type,
              bool Enabled = true);

    TColor BkColor = clNone;
    TColor BlendColor = clNone;
    TDrawingStyle DrawingStyle = dsNormal;
    TImageType ImageType = itImage;
    TNotifyEvent OnChange;
    // A link registered with another list leaves that one first.
    void RegisterChanges(TChangeLink* Value);
    void UnregisterChanges(TChangeLink* Value);

    // Dragging: the image and its hot spot, then begin over a window at a point of it (window
    // coordinates), move, hide and show, and end.
    bool SetDragImage(Integer Index, Integer HotSpotX, Integer HotSpotY);
    bool BeginDrag(HWND Window, Integer X, Integer Y);
    bool DragMove(Integer X, Integer Y);
    bool DragLock(HWND Window, Integer XPos, Integer YPos);
    void DragUnlock();
    bool EndDrag();
    void ShowDragImage();
    void HideDragImage();
    bool Dragging() const { return FDragging; }

private:
    void Change();
    void Recreate();
    HIMAGELIST FHandle = nullptr;
    Integer FWidth = 16, FHeight = 16;
    Integer FDragIndex = 0;
    TPoint FDragHotspot;
    bool FDragging = false;
    HWND FDragWindow = nullptr;
    std::vector<TChangeLink*> FClients;
};

class TImageList : public TCustomImageList {
public:
    explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
};
