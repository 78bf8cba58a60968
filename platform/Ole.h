// Drag and drop between windows and programs through reference-counted interfaces: a data object
// offers formats, a drop source steers a drag, a drop target registered for a window hears drags
// passing over it. A drag started here can end in another program and the other way round; the
// formats travel as text, file lists, pictures and private types (see the drag's data conversions
// in qt/OleDrag.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Clipbrd.h"
#include "platform/WinError.h"
#include "platform/Windows.h"

using ULONG = std::uint32_t;
using CLIPFORMAT = Word;

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0, Data3 = 0;
    std::uint8_t Data4[8] = {};
    friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using REFIID = const IID&;

extern const IID IID_IUnknown;
extern const IID IID_IDropTarget;
extern const IID IID_IDropSource;
extern const IID IID_IDataObject;
extern const IID IID_IEnumFORMATETC;

// Interfaces are released, never deleted, through their pointers.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// QueryInterface of an object that offers one interface besides IUnknown: itself as that interface.
template <class TInterface>
HRESULT QueryOneInterface(TInterface* Self, REFIID Wanted, REFIID Offered, void** Object)
{
    if (!Object)
        return E_POINTER;
    if (Wanted == IID_IUnknown || Wanted == Offered) {
        *Object = Self;
        Self->AddRef();
        return S_OK;
    }
    *Object = nullptr;
    return E_NOINTERFACE;
}

struct POINTL {
    LONG x = 0;
    LONG y = 0;
};

// Drop effects, in both directions of a drag.
constexpr DWORD DROPEFFECT_NONE = 0;
constexpr DWORD DROPEFFECT_COPY = 1;
constexpr DWORD DROPEFFECT_MOVE = 2;
constexpr DWORD DROPEFFECT_LINK = 4;
constexpr DWORD DROPEFFECT_SCROLL = 0x80000000u;

// How a format's data is kept (a set in a request, one kind in an answer).
constexpr DWORD TYMED_NULL = 0;
constexpr DWORD TYMED_HGLOBAL = 1;
constexpr DWORD TYMED_FILE = 2;
constexpr DWORD TYMED_ISTREAM = 4;
constexpr DWORD TYMED_ISTORAGE = 8;
constexpr DWORD TYMED_GDI = 16;
constexpr DWORD TYMED_MFPICT = 32;
constexpr DWORD TYMED_ENHMF = 64;

constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD DVASPECT_THUMBNAIL = 2;
constexpr DWORD DVASPECT_ICON = 4;
constexpr DWORD DVASPECT_DOCPRINT = 8;

constexpr DWORD DATADIR_GET = 1;
constexpr DWORD DATADIR_SET = 2;

struct DVTARGETDEVICE;
struct IAdviseSink;
struct IEnumSTATDATA;

struct FORMATETC {
    CLIPFORMAT cfFormat = 0;
    DVTARGETDEVICE* ptd = nullptr;
    DWORD dwAspect = DVASPECT_CONTENT;
    LONG lindex = -1;
    DWORD tymed = TYMED_NULL;
};

// A format's data as handed over. The receiver gives it back with ReleaseStgMedium.
struct STGMEDIUM {
    DWORD tymed = TYMED_NULL;
    union {
        HBITMAP hBitmap;
        HGLOBAL hGlobal;
    };
    // When set, releasing the medium releases this object instead of freeing the data.
    IUnknown* pUnkForRelease = nullptr;
    STGMEDIUM() : hGlobal(nullptr) {}
};
// Frees the medium's data (GlobalFree, DeleteObject) or releases its owner, and clears it.
void ReleaseStgMedium(STGMEDIUM* pmedium);

struct IEnumFORMATETC : IUnknown {
    // Copies up to celt records; S_OK when all were there, else S_FALSE.
    virtual HRESULT Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT Skip(ULONG celt) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFORMATETC** ppenum) = 0;

protected:
    ~IEnumFORMATETC() = default;
};

struct IDataObject : IUnknown {
    virtual HRESULT GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) = 0;
    virtual HRESULT GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) = 0;
    virtual HRESULT QueryGetData(FORMATETC* pformatetc) = 0;
    virtual HRESULT GetCanonicalFormatEtc(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) = 0;
    virtual HRESULT SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) = 0;
    virtual HRESULT EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) = 0;
    virtual HRESULT DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink, DWORD* pdwConnection) = 0;
    virtual HRESULT DUnadvise(DWORD dwConnection) = 0;
    virtual HRESULT EnumDAdvise(IEnumSTATDATA** ppenumAdvise) = 0;

protected:
    ~IDataObject() = default;
};

struct IDropSource : IUnknown {
    // S_OK to go on, DRAGDROP_S_DROP to drop, DRAGDROP_S_CANCEL to give up.
    virtual HRESULT QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState) = 0;
    // DRAGDROP_S_USEDEFAULTCURSORS, or S_OK when the source set the cursor itself.
    virtual HRESULT GiveFeedback(DWORD dwEffect) = 0;

protected:
    ~IDropSource() = default;
};

// Key states are MK_ flags (MK_ALT for Alt); points are screen coordinates. The target answers the
// effect a drop would have in *pdwEffect, which comes in holding the effects the source allows.
struct IDropTarget : IUnknown {
    virtual HRESULT DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) = 0;
    virtual HRESULT DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) = 0;

protected:
    ~IDropTarget() = default;
};

// Counted per thread: S_OK the first time, S_FALSE after that. Registering needs it.
HRESULT OleInitialize(void* pvReserved);
void OleUninitialize();
// The window hears drags through the target (held until revoked or the window goes). Errors:
// E_INVALIDARG (no target), DRAGDROP_E_INVALIDHWND, DRAGDROP_E_ALREADYREGISTERED,
// CO_E_NOTINITIALIZED.
HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* pDropTarget);
HRESULT RevokeDragDrop(HWND hwnd);
// Runs a drag until it is dropped or cancelled (the mouse button held down started it). Answers
// DRAGDROP_S_DROP with the effect the target took, DRAGDROP_S_CANCEL, or a failure.
HRESULT DoDragDrop(IDataObject* pDataObj, IDropSource* pDropSource, DWORD dwOKEffects, DWORD* pdwEffect);

// The file-list block (CF_HDROP): this header, then the names from pFiles on, each ending in a
// zero character, the list ended by an empty name. fWide: UTF-16 names, else 8-bit ones.
struct DROPFILES {
    DWORD pFiles = sizeof(DROPFILES);
    POINT pt;
    BOOL fNC = FALSE;
    BOOL fWide = FALSE;
};
static_assert(sizeof(DROPFILES) == 20);
// A block of wide names from UTF-8 file names; 0 when it cannot be allocated.
HGLOBAL CreateDropFiles(const std::vector<std::string>& Names);
// Reads the names of a file-list block of Size bytes (wide names come out as UTF-8, 8-bit ones as
// they are). False, with Names empty, when the block is damaged: too short, a name list starting
// outside it, a name or the list without its end inside it; nothing past Size is read.
bool ReadDropFiles(const void* Block, std::size_t Size, std::vector<std::string>& Names);
