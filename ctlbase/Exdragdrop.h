// Drag and drop between programs for the library's controls. TExDropTarget makes any windowed
// control a drop target and reports the drags over it to event handlers, which read the dropped
// data through a TOleDragObject. TExDragDrop is a control showing a picture that can be dragged
// from (it offers one memory block in one clipboard format) and dropped on.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ctlbase/Excontbase.h"
#include "ctlbase/Exxpthemedcontrol.h"
#include "platform/Ole.h"

class TBitmap;
class TExHook;
class TStringList;
class TStrings;

enum TDragContent { edcText, edcBitmap, edcMetafile, edcFileList, edcOther };

class TOleDragObject;

using TTargetDragEvent = std::function<void(TObject* Sender, TDragState State, TOleDragObject* Source,
                                            TShiftState Shift, int X, int Y, TDragType& DragType)>;
using TTargetDropEvent =
    std::function<void(TObject* Sender, TOleDragObject* Source, TShiftState Shift, int X, int Y, TDragType& DragType)>;
using TSourceDragEvent = std::function<void(TObject* Sender, TDragType DragType, TShiftState Shift, bool& ContinueDrop)>;
using TSourceDropEvent = std::function<void(TObject* Sender, TDragResult DragResult)>;
// The handler supplies the block to drag (nil: no drag), its clipboard format and its size. The
// block stays the handler's: the control copies it before the call returns.
using TOleStartDragEvent = std::function<void(TObject* Sender, void*& DragData, int& DragDataType, int& DragDataSize)>;

// ---- The rules every drop target and drop source here follows ---------------------------------
// MK_LBUTTON, MK_RBUTTON, MK_MBUTTON, MK_CONTROL, MK_SHIFT and MK_ALT as a shift state.
TShiftState KeyStateToShiftState(DWORD KeyState);
// dtCopy, dtMove, dtLink and dtNone as DROPEFFECT_COPY, _MOVE, _LINK and _NONE.
DWORD DragTypeToEffect(TDragType DragType);
DWORD DragTypesToEffects(TDragTypes DragTypes);
// How a finished drag (DoDragDrop's answer and the effect it returned) is reported to the source.
TDragResult DragResultOf(HRESULT Result, DWORD Effect, DWORD Allowed);
// Raises the exception for a refused registration (a non-zero result of RegisterDragDrop).
void CheckRegisterDragDrop(HRESULT Result);

// The data of a drag that entered a drop target.
class TOleDragObject : public TDragObject {
public:
    TOleDragObject(IDataObject* ADataObject, DWORD AKeyState);
    ~TOleDragObject() override;

    IDataObject* DataObject() const { return FDataObject; }
    DWORD KeyState() const { return FKeyState; }
    // While set, the object reports no formats and no data.
    bool NoData() const { return FNoData; }
    void SetNoData(bool Value) { FNoData = Value; }

    bool HasDataFormat(UINT Format);
    // A copy of the format's whole memory block, or nil when it is not offered or cannot be read;
    // the caller frees it with std::free. Size (when given) receives its length.
    void* GetFormatData(UINT Format, std::size_t* Size = nullptr);
    // The text of CF_TEXT; empty when it is not offered.
    std::string GetString();
    // The names of the CF_HDROP block (UTF-8). Raises when the data cannot be fetched or the block
    // is damaged; the list is then empty. The list stays the object's.
    TStrings* GetFileList();
    // A new bitmap (the caller frees it) with the picture of CF_BITMAP, or nil.
    TBitmap* GetBitmap();
    TDragContent GetDragContent();

private:
    IDataObject* FDataObject;
    DWORD FKeyState;
    bool FNoData = false;
    std::unique_ptr<TStringList> FFileList;
};

// Enumerates a fixed set of formats.
class TEnumFormatEtc final : public IEnumFORMATETC {
public:
    TEnumFormatEtc(const FORMATETC* Formats, ULONG Count, ULONG Index = 0);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) override;
    HRESULT Skip(ULONG celt) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumFORMATETC** ppenum) override;

private:
    ~TEnumFormatEtc();
    std::vector<FORMATETC> FFormats;
    ULONG FIndex;
    ULONG FRefCount = 1;
};

// Makes Target a drop target: drags over it are reported in its client coordinates, and it stays
// one when its window is made anew.
class TExDropTarget : public TComponent, public IDropTarget {
public:
    explicit TExDropTarget(TComponent* AOwner);
    ~TExDropTarget() override;

    TWinControl* Target() const { return FTarget; }
    void SetTarget(TWinControl* Control);
    // Whether the drag in progress offers Format.
    bool HasDataFormat(UINT Format);
    // The names of the formats of the drag in progress.
    TStrings* FormatNames() const;
    TOleDragObject* DragObject() const { return FDragObject.get(); }
    ULONG RefCount() const { return FRefCount; }

    TTargetDragEvent OnTargetDrag;
    TTargetDropEvent OnTargetDrop;

    // The component stays its owner's: the count never frees it.
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    HRESULT DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void Register();
    void Revoke();
    TPoint ClientPoint(POINTL pt) const;
    HRESULT Report(TDragState State, DWORD KeyState, POINTL pt, DWORD* pdwEffect);

    TWinControl* FTarget = nullptr;
    HWND FRegistered = nullptr;  // the window registered for Target
    TExHook* FHook;
    std::unique_ptr<TOleDragObject> FDragObject;
    std::unique_ptr<TStringList> FFormatNames;  // each name with its format number as its object
    ULONG FRefCount = 0;
};

class IExDropTarget;

class TExDragDrop : public TExXPThemedControl {
public:
    explicit TExDragDrop(TComponent* AOwner);
    ~TExDragDrop() override;

    TCursor DragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor Value) { FDragCursor = Value; }
    TDragTypes DragTypes() const { return FDragTypes; }
    void SetDragTypes(TDragTypes Value) { FDragTypes = Value; }
    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool IsDropSource() const { return FIsDropSource; }
    void SetIsDropSource(bool Value) { FIsDropSource = Value; }
    bool IsDropTarget() const { return FIsDropTarget; }
    void SetIsDropTarget(bool Value);

    // What a drag from the control offers: a block of ContentLength bytes in format ContentType.
    int ContentType() const { return FContentType; }
    void SetContentType(int Value) { FContentType = Value; }
    int ContentLength() const { return FContentLength; }
    void SetContentLength(int Value);
    const char* Content() const { return FContent.data(); }
    char* Content() { return FContent.data(); }
    // The names of the formats of a drag over the control (nil unless IsDropTarget).
    TStrings* FormatNames() const;

    TOleStartDragEvent OnOleStartDrag;
    TSourceDragEvent OnOleSourceDrag;
    TSourceDropEvent OnSourceDrop;
    TNotifyEvent OnPaint;
    TTargetDragEvent OnTargetDrag;
    TTargetDropEvent OnTargetDrop;

    virtual void TriggerSourceDropEvent(TDragResult DragResult);
    virtual void TriggerOleStartDragEvent(void*& DragData, int& DragDataType, int& DragDataSize);
    virtual void TriggerSourceDragEvent(TDragType DragType, TShiftState Shift, bool& ContinueDrop);
    virtual void OnPictureChange(TObject* Sender);
    virtual void TriggerPaintEvent();
    virtual void TriggerTargetDragEvent(TDragState State, TOleDragObject* Source, TShiftState Shift, int X, int Y,
                                        TDragType& DragType);
    virtual void TriggerTargetDropEvent(TOleDragObject* Source, TShiftState Shift, int X, int Y, TDragType& DragType);

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_CREATE, WMCreate)
        MESSAGE_HANDLER(WM_DESTROY, WMDestroy)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
    END_MESSAGE_MAP(TExXPThemedControl)

protected:
    void Paint() override;
    std::u16string GetThemedClassName() override { return u"EDIT"; }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMCreate(TMessage& Message);
    void WMDestroy(TMessage& Message);
    void CMMouseLeave(TMessage& Message);

private:
    friend class IExDropSource;
    friend class IExDropTarget;
    void StartDrag();
    void Register();
    void Revoke();
    void RestoreScreenCursor();
    void FitToPicture();

    TCursor FDragCursor = crDrag;
    TDragTypes FDragTypes;
    std::unique_ptr<TPicture> FPicture;
    bool FAutoSize = false;
    bool FIsDropSource = false;
    bool FIsDropTarget = false;
    int FContentType = 0;
    int FContentLength = 0;
    std::vector<char> FContent;
    IExDropTarget* FDropTarget = nullptr;
    HWND FRegistered = nullptr;
    std::unique_ptr<TStringList> FFormatNames;
    bool FCursorSaved = false;
    TCursor FSavedCursor = crDefault;
    bool FDragging = false;
};

// Screen cursors the control loads for itself: shown while the button is held over a drag source,
// and its own cursor.
constexpr TCursor crExDragDrop = 1534;
constexpr TCursor crExDragDropNormal = 1535;
