#include "ctlbase/Exdragdrop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "ctlbase/Excbfmts.h"
#include "ctlbase/Exhook.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Forms.h"
#include "platform/Guard.h"

// ---- Rules ---------------------------------------------------------------------------------------
TShiftState KeyStateToShiftState(DWORD KeyState)
{
    TShiftState s = 0;
    if (KeyState & MK_LBUTTON)
        s |= ssLeft;
    if (KeyState & MK_RBUTTON)
        s |= ssRight;
    if (KeyState & MK_MBUTTON)
        s |= ssMiddle;
    if (KeyState & MK_CONTROL)
        s |= ssCtrl;
    if (KeyState & MK_SHIFT)
        s |= ssShift;
    if (KeyState & MK_ALT)
        s |= ssAlt;
    return s;
}

DWORD DragTypeToEffect(TDragType DragType)
{
    switch (DragType) {
    case dtCopy: return DROPEFFECT_COPY;
    case dtMove: return DROPEFFECT_MOVE;
    case dtLink: return DROPEFFECT_LINK;
    default: return DROPEFFECT_NONE;
    }
}

DWORD DragTypesToEffects(TDragTypes DragTypes)
{
    DWORD e = DROPEFFECT_NONE;
    for (TDragType t : {dtCopy, dtMove, dtLink})
        if (HasDragType(DragTypes, t))
            e |= DragTypeToEffect(t);
    return e;
}

TDragResult DragResultOf(HRESULT Result, DWORD Effect, DWORD Allowed)
{
    if (Result == E_OUTOFMEMORY)
        return drOutMemory;
    if (Result == DRAGDROP_S_CANCEL)
        return drCancel;
    if (Result != DRAGDROP_S_DROP)
        return drUnknown;
    DWORD e = Effect & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    if (e == 0 || (e & ~Allowed) != 0)
        return drCancel;
    if (e & DROPEFFECT_COPY)
        return drDropCopy;
    if (e & DROPEFFECT_MOVE)
        return drDropMove;
    return drDropLink;
}

void CheckRegisterDragDrop(HRESULT Result)
{
    switch (Result) {
    case S_OK: return;
    case E_INVALIDARG: throw Exception("RegisterDragDrop failed, invalid arg");
    case E_OUTOFMEMORY: throw Exception("RegisterDragDrop failed, out of memory");
    case DRAGDROP_E_ALREADYREGISTERED: throw Exception("RegisterDragDrop failed, already registered");
    case DRAGDROP_E_INVALIDHWND: throw Exception("RegisterDragDrop failed, invalide hwnd ");
    case CO_E_NOTINITIALIZED: throw Exception("RegisterDragDrop failed, coInitialize had not been called");
    default:
        throw Exception("RegisterDragDrop failed, unknown error code " +
                        std::to_string(std::uint32_t(Result) & 0x7FFFFFFFu));
    }
}

namespace {

FORMATETC ContentFormat(UINT Format, DWORD Tymed)
{
    FORMATETC f;
    f.cfFormat = CLIPFORMAT(Format);
    f.ptd = nullptr;
    f.dwAspect = DVASPECT_CONTENT;
    f.lindex = -1;
    f.tymed = Tymed;
    return f;
}

// Every format the data object lists for reading, in its order. A data object that never stops
// listing is cut off.
std::vector<UINT> OfferedFormats(IDataObject* Data)
{
    std::vector<UINT> out;
    IEnumFORMATETC* e = nullptr;
    if (!Data || Data->EnumFormatEtc(DATADIR_GET, &e) != S_OK || !e)
        return out;
    FORMATETC f;
    ULONG got = 0;
    for (int guard = 0; guard < 4096 && e->Next(1, &f, &got) == S_OK && got == 1; ++guard)
        out.push_back(f.cfFormat);
    e->Release();
    return out;
}

void FillFormatNames(TStringList* Names, IDataObject* Data)
{
    Names->Clear();
    for (UINT f : OfferedFormats(Data))
        Names->AddObject(GetFormatName(f), reinterpret_cast<TObject*>(std::uintptr_t(f)));
}

// Asked by format number: a format without a name is still told apart from the others.
bool HasFormatNumber(const TStringList* Names, UINT Format)
{
    if (!Names)
        return false;
    for (int i = 0; i < Names->Count(); ++i)
        if (reinterpret_cast<std::uintptr_t>(Names->Objects(i)) == Format)
            return true;
    return false;
}

}  // namespace

// ---- TOleDragObject ------------------------------------------------------------------------------
TOleDragObject::TOleDragObject(IDataObject* ADataObject, DWORD AKeyState)
    : FDataObject(ADataObject), FKeyState(AKeyState), FFileList(std::make_unique<TStringList>())
{
    if (FDataObject)
        FDataObject->AddRef();
}

TOleDragObject::~TOleDragObject()
{
    if (FDataObject)
        FDataObject->Release();
}

bool TOleDragObject::HasDataFormat(UINT Format)
{
    if (FNoData)
        return false;
    std::vector<UINT> offered = OfferedFormats(FDataObject);
    return std::find(offered.begin(), offered.end(), Format) != offered.end();
}

void* TOleDragObject::GetFormatData(UINT Format, std::size_t* Size)
{
    if (Size)
        *Size = 0;
    if (!HasDataFormat(Format))
        return nullptr;
    FORMATETC f = ContentFormat(Format, TYMED_HGLOBAL);
    STGMEDIUM m;
    if (FDataObject->GetData(&f, &m) != S_OK)
        return nullptr;
    void* copy = nullptr;
    if (m.tymed == TYMED_HGLOBAL && m.hGlobal) {
        std::size_t n = GlobalSize(m.hGlobal);
        const void* p = GlobalLock(m.hGlobal);
        copy = std::malloc(n ? n : 1);
        if (copy && p && n)
            std::memcpy(copy, p, n);
        GlobalUnlock(m.hGlobal);
        if (copy && Size)
            *Size = n;
    }
    ReleaseStgMedium(&m);
    return copy;
}

std::string TOleDragObject::GetString()
{
    std::size_t n = 0;
    char* p = static_cast<char*>(GetFormatData(CF_TEXT, &n));
    if (!p)
        return {};
    // The text ends at its zero, or with the block when the sender left the zero out.
    std::string s(p, std::find(p, p + n, '\0'));
    std::free(p);
    return s;
}

TStrings* TOleDragObject::GetFileList()
{
    FFileList->Clear();
    if (FNoData)
        return FFileList.get();
    FORMATETC f = ContentFormat(CF_HDROP, TYMED_HGLOBAL);
    STGMEDIUM m;
    if (!FDataObject || FDataObject->GetData(&f, &m) != S_OK)
        throw Exception("IDataObject.GetData failed");
    std::vector<std::string> names;
    bool ok = false;
    if (m.tymed == TYMED_HGLOBAL && m.hGlobal) {
        ok = ReadDropFiles(GlobalLock(m.hGlobal), GlobalSize(m.hGlobal), names);
        GlobalUnlock(m.hGlobal);
    }
    ReleaseStgMedium(&m);
    if (!ok)
        throw Exception("IDataObject.GetData gave a damaged file list");
    for (const std::string& n : names)
        FFileList->Add(n);
    return FFileList.get();
}

TBitmap* TOleDragObject::GetBitmap()
{
    if (!HasDataFormat(CF_BITMAP))
        return nullptr;
    FORMATETC f = ContentFormat(CF_BITMAP, TYMED_GDI);
    STGMEDIUM m;
    if (FDataObject->GetData(&f, &m) != S_OK)
        return nullptr;
    TBitmap* result = nullptr;
    BITMAP info;
    // A handle that is no bitmap, or one of no size, gives no picture rather than an empty one.
    if (m.tymed == TYMED_GDI && m.hBitmap && GetObjectType(m.hBitmap) == OBJ_BITMAP &&
        GetObject(m.hBitmap, sizeof info, &info) > 0 && info.bmWidth > 0 && info.bmHeight != 0) {
        // The medium keeps its handle (releasing it frees the handle): the bitmap takes a copy.
        TBitmap view;
        view.SetHandle(m.hBitmap);
        result = new TBitmap;
        result->Assign(&view);
        view.ReleaseHandle();
    }
    ReleaseStgMedium(&m);
    return result;
}

TDragContent TOleDragObject::GetDragContent()
{
    if (HasDataFormat(CF_ENHMETAFILE) || HasDataFormat(CF_METAFILEPICT))
        return edcMetafile;
    if (HasDataFormat(CF_BITMAP))
        return edcBitmap;
    if (HasDataFormat(CF_HDROP))
        return edcFileList;
    if (HasDataFormat(CF_TEXT))
        return edcText;
    return edcOther;
}

// ---- TEnumFormatEtc ------------------------------------------------------------------------------
TEnumFormatEtc::TEnumFormatEtc(const FORMATETC* Formats, ULONG Count, ULONG Index)
    : FFormats(Formats, Formats + Count), FIndex(std::min(Index, Count))
{
}

TEnumFormatEtc::~TEnumFormatEtc() = default;

HRESULT TEnumFormatEtc::QueryInterface(REFIID riid, void** ppvObject)
{
    return QueryOneInterface<IEnumFORMATETC>(this, riid, IID_IEnumFORMATETC, ppvObject);
}

ULONG TEnumFormatEtc::AddRef() { return ++FRefCount; }

ULONG TEnumFormatEtc::Release()
{
    ULONG r = --FRefCount;
    if (r == 0)
        delete this;
    return r;
}

HRESULT TEnumFormatEtc::Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched)
{
    ULONG n = 0;
    while (n < celt && FIndex < FFormats.size())
        rgelt[n++] = FFormats[FIndex++];
    if (pceltFetched)
        *pceltFetched = n;
    return n == celt ? S_OK : S_FALSE;
}

HRESULT TEnumFormatEtc::Skip(ULONG celt)
{
    if (FFormats.size() - FIndex < celt) {
        FIndex = ULONG(FFormats.size());
        return S_FALSE;
    }
    FIndex += celt;
    return S_OK;
}

HRESULT TEnumFormatEtc::Reset()
{
    FIndex = 0;
    return S_OK;
}

HRESULT TEnumFormatEtc::Clone(IEnumFORMATETC** ppenum)
{
    if (!ppenum)
        return E_POINTER;
    *ppenum = new TEnumFormatEtc(FFormats.data(), ULONG(FFormats.size()), FIndex);
    return S_OK;
}

// ---- TExDropTarget -------------------------------------------------------------------------------
TExDropTarget::TExDropTarget(TComponent* AOwner)
    : TComponent(AOwner), FHook(new TExHook(this)), FFormatNames(std::make_unique<TStringList>())
{
    FHook->OnBeforeProcess = [this](TObject*, TMessage& Msg, bool&) {
        if (Msg.Msg == WM_DESTROY)
            Revoke();
    };
    FHook->OnAfterProcess = [this](TObject*, TMessage& Msg, bool&) {
        if (Msg.Msg == WM_CREATE)
            Register();
    };
    FHook->SetActive(true);
    AddRef();
    OleInitialize(nullptr);
}

TExDropTarget::~TExDropTarget()
{
    SetTarget(nullptr);
    Revoke();
    FDragObject.reset();
    OleUninitialize();
}

TStrings* TExDropTarget::FormatNames() const { return FFormatNames.get(); }

void TExDropTarget::SetTarget(TWinControl* Control)
{
    if (Control == FTarget)
        return;
    if (HasState(csDesigning)) {
        FTarget = Control;
        return;
    }
    Revoke();
    if (FTarget)
        FTarget->RemoveFreeNotification(this);
    FHook->SetControl(Control);
    FTarget = Control;
    if (!Control)
        return;
    Control->FreeNotification(this);
    void* self = nullptr;
    if (QueryInterface(IID_IDropTarget, &self) != S_OK || !self)
        throw Exception("GetInterface failed");
    Release();
    if (Control->HandleAllocated())
        Register();
}

void TExDropTarget::Register()
{
    if (!FTarget || !FTarget->HandleAllocated())
        return;
    HWND wnd = FTarget->Handle();
    HRESULT hr = RegisterDragDrop(wnd, this);
    if (hr == S_OK)
        FRegistered = wnd;
    CheckRegisterDragDrop(hr);
}

void TExDropTarget::Revoke()
{
    if (FRegistered)
        RevokeDragDrop(FRegistered);
    FRegistered = nullptr;
}

bool TExDropTarget::HasDataFormat(UINT Format) { return HasFormatNumber(FFormatNames.get(), Format); }

void TExDropTarget::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FTarget) {
        Revoke();
        FTarget = nullptr;
    }
}

HRESULT TExDropTarget::QueryInterface(REFIID riid, void** ppvObject)
{
    return QueryOneInterface<IDropTarget>(this, riid, IID_IDropTarget, ppvObject);
}

ULONG TExDropTarget::AddRef() { return ++FRefCount; }

ULONG TExDropTarget::Release() { return FRefCount > 0 ? --FRefCount : 0; }

TPoint TExDropTarget::ClientPoint(POINTL pt) const
{
    TPoint p{pt.x, pt.y};
    return FTarget ? FTarget->ScreenToClient(p) : p;
}

HRESULT TExDropTarget::DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect)
{
    FillFormatNames(FFormatNames.get(), pDataObj);
    FDragObject = std::make_unique<TOleDragObject>(pDataObj, grfKeyState);
    return Report(dsDragEnter, grfKeyState, pt, pdwEffect);
}

HRESULT TExDropTarget::DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect)
{
    return Report(dsDragMove, grfKeyState, pt, pdwEffect);
}

HRESULT TExDropTarget::Report(TDragState State, DWORD KeyState, POINTL pt, DWORD* pdwEffect)
{
    TDragType type = dtNone;
    TPoint p = ClientPoint(pt);
    // The answer is the handler's even when it freed this object on the way.
    if (OnTargetDrag)
        OnTargetDrag(this, State, FDragObject.get(), KeyStateToShiftState(KeyState), p.X, p.Y, type);
    if (pdwEffect)
        *pdwEffect = DragTypeToEffect(type);
    return S_OK;
}

namespace {
// The drag is over once the handler has heard of it, whatever the handler does; a handler that
// freed the object that kept the drag leaves nothing to end.
template <class Owner>
struct TDragEnd {
    TGuardPtr<Owner> Keeper;
    std::unique_ptr<TOleDragObject>& Object;
    TStringList* Names;
    ~TDragEnd()
    {
        if (!Keeper)
            return;
        Object.reset();
        if (Names)
            Names->Clear();
    }
};
}  // namespace

HRESULT TExDropTarget::DragLeave()
{
    TDragEnd<TExDropTarget> end{this, FDragObject, FFormatNames.get()};
    TDragType type = dtNone;
    if (OnTargetDrag)
        OnTargetDrag(this, dsDragLeave, FDragObject.get(), 0, -1, -1, type);
    return S_OK;
}

HRESULT TExDropTarget::Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect)
{
    if (!FDragObject) {
        FillFormatNames(FFormatNames.get(), pDataObj);
        FDragObject = std::make_unique<TOleDragObject>(pDataObj, grfKeyState);
    }
    TDragEnd<TExDropTarget> end{this, FDragObject, FFormatNames.get()};
    TDragType type = dtNone;
    if (pdwEffect)
        *pdwEffect = DROPEFFECT_NONE;
    TPoint p = ClientPoint(pt);
    if (OnTargetDrop)
        OnTargetDrop(this, FDragObject.get(), KeyStateToShiftState(grfKeyState), p.X, p.Y, type);
    if (pdwEffect)
        *pdwEffect = DragTypeToEffect(type);
    return S_OK;
}

// ---- IExDropTarget: the drop target of a TExDragDrop ----------------------------------------------
class IExDropTarget final : public IDropTarget {
public:
    explicit IExDropTarget(TExDragDrop* Control) : FControl(Control) {}
    // The control is going: calls from now on reach nobody.
    void Detach() { FControl.Clear(); }

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override
    {
        return QueryOneInterface<IDropTarget>(this, riid, IID_IDropTarget, ppvObject);
    }
    ULONG AddRef() override { return ++FRefCount; }
    ULONG Release() override
    {
        ULONG r = --FRefCount;
        if (r == 0)
            delete this;
        return r;
    }
    HRESULT DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override
    {
        TKeep keep(this);
        if (TExDragDrop* c = FControl.Get(); c && c->FFormatNames)
            FillFormatNames(c->FFormatNames.get(), pDataObj);
        FDragObject = std::make_unique<TOleDragObject>(pDataObj, grfKeyState);
        return Report(dsDragEnter, grfKeyState, pt, pdwEffect);
    }
    HRESULT DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override
    {
        TKeep keep(this);
        return Report(dsDragMove, grfKeyState, pt, pdwEffect);
    }
    HRESULT DragLeave() override
    {
        TKeep keep(this);
        TEnd end{this};
        TDragType type = dtNone;
        if (TExDragDrop* c = FControl.Get())
            c->TriggerTargetDragEvent(dsDragLeave, FDragObject.get(), 0, -1, -1, type);
        return S_OK;
    }
    HRESULT Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override
    {
        TKeep keep(this);
        if (!FDragObject)
            FDragObject = std::make_unique<TOleDragObject>(pDataObj, grfKeyState);
        TDragType type = dtNone;
        if (pdwEffect)
            *pdwEffect = DROPEFFECT_NONE;
        {
            TEnd end{this};
            if (TExDragDrop* c = FControl.Get())
                c->TriggerTargetDropEvent(FDragObject.get(), KeyStateToShiftState(grfKeyState), pt.x, pt.y, type);
        }
        if (pdwEffect)
            *pdwEffect = DragTypeToEffect(type);
        return S_OK;
    }

private:
    // A handler may free the control, and with it the last other reference: the object stays
    // until the call that is running returns.
    struct TKeep {
        IExDropTarget* Self;
        explicit TKeep(IExDropTarget* S) : Self(S) { Self->AddRef(); }
        ~TKeep() { Self->Release(); }
    };
    // The drag is over once the handler has heard of it, whatever the handler does.
    struct TEnd {
        IExDropTarget* Self;
        ~TEnd()
        {
            Self->FDragObject.reset();
            if (TExDragDrop* c = Self->FControl.Get(); c && c->FFormatNames)
                c->FFormatNames->Clear();
        }
    };

    ~IExDropTarget() = default;
    // The point goes to the control's handlers as the system gives it: in screen coordinates.
    HRESULT Report(TDragState State, DWORD KeyState, POINTL pt, DWORD* pdwEffect)
    {
        TDragType type = dtNone;
        if (TExDragDrop* c = FControl.Get())
            c->TriggerTargetDragEvent(State, FDragObject.get(), KeyStateToShiftState(KeyState), pt.x, pt.y, type);
        if (pdwEffect)
            *pdwEffect = DragTypeToEffect(type);
        return S_OK;
    }

    TGuardPtr<TExDragDrop> FControl;
    std::unique_ptr<TOleDragObject> FDragObject;
    ULONG FRefCount = 1;
};

// ---- IExDropSource: the drag source and data of a TExDragDrop -------------------------------------
class IExDropSource final : public IDropSource, public IDataObject {
public:
    explicit IExDropSource(TExDragDrop* Control) : FControl(Control)
    {
        FCapture = Control->Handle();
        SetCapture(FCapture);
    }

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override
    {
        if (!ppvObject)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDropSource)
            *ppvObject = static_cast<IDropSource*>(this);
        else if (riid == IID_IDataObject)
            *ppvObject = static_cast<IDataObject*>(this);
        else {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++FRefCount; }
    ULONG Release() override
    {
        ULONG r = --FRefCount;
        if (r == 0)
            delete this;
        return r;
    }

    HRESULT QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState) override
    {
        // A source that has gone (a handler freed it, or its form) has nothing left to drop.
        if (fEscapePressed || !FControl)
            return DRAGDROP_S_CANCEL;
        TDragType type = dtNone;
        for (TDragType t : {dtCopy, dtMove, dtLink})
            if (type == dtNone && HasDragType(FControl->DragTypes(), t))
                type = t;
        if (type == dtNone)
            return DRAGDROP_S_CANCEL;
        bool go = true;
        FControl->TriggerSourceDragEvent(type, KeyStateToShiftState(grfKeyState), go);
        if (!go || !FControl)
            return DRAGDROP_S_CANCEL;
        return (grfKeyState & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

    HRESULT GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) override
    {
        if (!pformatetcIn || !pmedium)
            return E_INVALIDARG;
        *pmedium = STGMEDIUM();
        if (!FControl)
            return E_UNEXPECTED;
        if (!IsContent(pformatetcIn))
            return DV_E_FORMATETC;
        HGLOBAL h = GlobalAlloc(GMEM_ZEROINIT | GMEM_SHARE, std::size_t(FControl->ContentLength()));
        if (!h)
            return E_OUTOFMEMORY;
        pmedium->tymed = TYMED_HGLOBAL;
        pmedium->hGlobal = h;
        HRESULT hr = GetDataHere(pformatetcIn, pmedium);
        if (hr != S_OK) {
            GlobalFree(h);
            *pmedium = STGMEDIUM();
        }
        return hr;
    }
    HRESULT GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) override
    {
        if (!pformatetc || !pmedium)
            return E_INVALIDARG;
        if (!FControl)
            return E_UNEXPECTED;
        if (!IsContent(pformatetc) || pmedium->tymed != TYMED_HGLOBAL)
            return DV_E_FORMATETC;
        if (!pmedium->hGlobal)
            return E_OUTOFMEMORY;
        std::size_t n = std::size_t(FControl->ContentLength());
        // The caller's block may be smaller than the content: it is not written past its end.
        if (GlobalSize(pmedium->hGlobal) < n)
            return STG_E_MEDIUMFULL;
        if (n > 0) {
            void* p = GlobalLock(pmedium->hGlobal);
            if (!p)
                return E_OUTOFMEMORY;
            std::memcpy(p, FControl->Content(), n);
            GlobalUnlock(pmedium->hGlobal);
        }
        pmedium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT QueryGetData(FORMATETC* pformatetc) override
    {
        if (!pformatetc)
            return E_INVALIDARG;
        if (!FControl)
            return E_UNEXPECTED;
        if (pformatetc->dwAspect != DVASPECT_CONTENT)
            return DV_E_DVASPECT;
        return IsContent(pformatetc) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pformatetcOut) override
    {
        if (pformatetcOut)
            pformatetcOut->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) override
    {
        if (!ppenumFormatEtc)
            return E_POINTER;
        *ppenumFormatEtc = nullptr;
        if (!FControl)
            return E_UNEXPECTED;
        if (dwDirection == DATADIR_GET) {
            FORMATETC f = ContentFormat(UINT(FControl->ContentType()), TYMED_HGLOBAL);
            *ppenumFormatEtc = new TEnumFormatEtc(&f, 1);
            return S_OK;
        }
        return dwDirection == DATADIR_SET ? E_NOTIMPL : E_INVALIDARG;
    }
    HRESULT DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD* pdwConnection) override
    {
        if (pdwConnection)
            *pdwConnection = 0;
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT EnumDAdvise(IEnumSTATDATA** ppenumAdvise) override
    {
        if (ppenumAdvise)
            *ppenumAdvise = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    ~IExDropSource()
    {
        if (GetCapture() == FCapture)
            ReleaseCapture();
    }
    // Requests name a set of media: the content is there in global memory.
    bool IsContent(const FORMATETC* f) const
    {
        return f->cfFormat == CLIPFORMAT(FControl->ContentType()) && f->dwAspect == DVASPECT_CONTENT &&
               (f->tymed & TYMED_HGLOBAL);
    }

    TGuardPtr<TExDragDrop> FControl;
    HWND FCapture;
    ULONG FRefCount = 1;
};

// ---- TExDragDrop ---------------------------------------------------------------------------------
namespace {

// The two cursors of the unit's resources, drawn once: an arrow, with a dashed box below it for
// the drag cursor.
HCURSOR MakeCursor(bool withBox)
{
    TBitmap color, mask;
    color.SetSize(32, 32);
    mask.SetSize(32, 32);
    TCanvas* c = color.Canvas();
    TCanvas* m = mask.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 32, 32));
    m->Brush()->SetColor(clWhite);
    m->FillRect(Rect(0, 0, 32, 32));
    const std::vector<TPoint> arrow = {{0, 0}, {0, 16}, {4, 12}, {7, 19}, {9, 18}, {6, 11}, {11, 11}};
    for (TCanvas* k : {c, m}) {
        k->Pen()->SetColor(clBlack);
        k->Brush()->SetColor(k == c ? clWhite : clBlack);
        k->Polygon(arrow);
    }
    if (withBox) {
        for (TCanvas* k : {c, m}) {
            k->Brush()->SetColor(k == c ? clWhite : clBlack);
            k->Pen()->SetColor(clBlack);
            k->Rectangle(Rect(10, 20, 26, 31));
        }
    }
    return CreateCursorFromBitmaps(color.Handle(), mask.Handle(), 0, 0);
}

HCURSOR UnitCursor(const char* Name, bool withBox)
{
    if (HCURSOR h = LoadCursor(HInstance, Name))
        return h;
    RegisterResourceCursor(Name, MakeCursor(withBox));
    return LoadCursor(HInstance, Name);
}

}  // namespace

TExDragDrop::TExDragDrop(TComponent* AOwner)
    : TExXPThemedControl(AOwner),
      FDragTypes(DragTypeBit(dtCopy) | DragTypeBit(dtLink)),
      FPicture(std::make_unique<TPicture>()),
      FContent(100)
{
    FPicture->OnChange = [this](TObject* Sender) { OnPictureChange(Sender); };
    Screen->SetCursors(crExDragDrop, UnitCursor("EXDRAGDROPCURSOR", true));
    Screen->SetCursors(crExDragDropNormal, UnitCursor("EXDRAGDROPNORMALCURSOR", false));
    SetCursor(crExDragDropNormal);
    SetBounds(Left(), Top(), 100, 50);
    OleInitialize(nullptr);
}

TExDragDrop::~TExDragDrop()
{
    RestoreScreenCursor();
    Revoke();
    if (FDropTarget) {
        FDropTarget->Detach();
        FDropTarget->Release();
        FDropTarget = nullptr;
    }
    FFormatNames.reset();
    FPicture.reset();
    OleUninitialize();
}

TStrings* TExDragDrop::FormatNames() const { return FFormatNames.get(); }

void TExDragDrop::SetPicture(TPicture* Value) { FPicture->Assign(Value); }

void TExDragDrop::FitToPicture() { SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height()); }

void TExDragDrop::SetAutoSize(bool Value)
{
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    if (FAutoSize)
        FitToPicture();
}

void TExDragDrop::OnPictureChange(TObject*)
{
    if (FAutoSize)
        FitToPicture();
    Invalidate();
}

void TExDragDrop::SetContentLength(int Value)
{
    FContentLength = std::max(Value, 0);
    FContent.resize(std::size_t(FContentLength));
}

void TExDragDrop::SetIsDropTarget(bool Value)
{
    if (Value == FIsDropTarget)
        return;
    FIsDropTarget = Value;
    if (Value) {
        if (!FDropTarget)
            FDropTarget = new IExDropTarget(this);
        if (!FFormatNames)
            FFormatNames = std::make_unique<TStringList>();
        if (HandleAllocated())
            Register();
    } else {
        Revoke();
        if (FDropTarget) {
            FDropTarget->Detach();
            FDropTarget->Release();
            FDropTarget = nullptr;
        }
        FFormatNames.reset();
    }
}

void TExDragDrop::Register()
{
    HWND wnd = Handle();
    HRESULT hr = RegisterDragDrop(wnd, FDropTarget);
    if (hr == S_OK)
        FRegistered = wnd;
    CheckRegisterDragDrop(hr);
}

void TExDragDrop::Revoke()
{
    if (FRegistered)
        RevokeDragDrop(FRegistered);
    FRegistered = nullptr;
}

void TExDragDrop::WMCreate(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    if (FIsDropTarget && FDropTarget)
        Register();
}

void TExDragDrop::WMDestroy(TMessage& Message)
{
    // The registration would outlive the window, holding the drop target.
    Revoke();
    TExXPThemedControl::Dispatch(Message);
}

void TExDragDrop::CMMouseLeave(TMessage& Message)
{
    RestoreScreenCursor();
    TExXPThemedControl::Dispatch(Message);
}

void TExDragDrop::RestoreScreenCursor()
{
    if (!FCursorSaved)
        return;
    FCursorSaved = false;
    Screen->SetCursor(FSavedCursor);
}

void TExDragDrop::Paint()
{
    if (IsThemeApplied() && DrawThemeBackground) {
        TRect r = ClientRect();
        DrawThemeBackground(Theme(), Canvas()->Handle(), 0, 0, &r, nullptr);
    }
    if (OnPaint)
        TriggerPaintEvent();
    else if (FPicture->Graphic())
        Canvas()->Draw(0, 0, FPicture->Graphic());
}

void TExDragDrop::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && FIsDropSource && !FCursorSaved) {
        FSavedCursor = Screen->Cursor();
        FCursorSaved = true;
        Screen->SetCursor(crExDragDrop);
    }
    TExXPThemedControl::MouseDown(Button, Shift, X, Y);
}

void TExDragDrop::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft)
        RestoreScreenCursor();
    TExXPThemedControl::MouseUp(Button, Shift, X, Y);
}

void TExDragDrop::MouseMove(TShiftState Shift, int X, int Y)
{
    if ((Shift & ssLeft) && FIsDropSource && !FDragging)
        StartDrag();
    else
        TExXPThemedControl::MouseMove(Shift, X, Y);
}

void TExDragDrop::StartDrag()
{
    FContent.clear();
    FContentLength = 0;
    void* data = nullptr;
    int type = FContentType;
    int size = 0;
    TGuardPtr<TExDragDrop> self(this);
    TriggerOleStartDragEvent(data, type, size);
    if (!self)
        return;
    FContentType = type;
    if (!data || size < 0)
        return;
    const char* block = static_cast<const char*>(data);
    FContent.assign(block, block + size);
    FContentLength = size;

    auto* source = new IExDropSource(this);
    DWORD allowed = DragTypesToEffects(FDragTypes);
    DWORD effect = DROPEFFECT_MOVE;
    FDragging = true;
    HRESULT hr = DoDragDrop(source, source, allowed, &effect);
    source->Release();
    // Freed during its own drag (by a handler, or with its form): nothing here is left to finish.
    if (!self)
        return;
    FDragging = false;
    // The button's release went to the drag: the cursor it would have put back is put back now.
    RestoreScreenCursor();
    TriggerSourceDropEvent(DragResultOf(hr, effect, allowed));
}

void TExDragDrop::TriggerSourceDropEvent(TDragResult DragResult)
{
    if (OnSourceDrop)
        OnSourceDrop(this, DragResult);
}

void TExDragDrop::TriggerOleStartDragEvent(void*& DragData, int& DragDataType, int& DragDataSize)
{
    if (OnOleStartDrag)
        OnOleStartDrag(this, DragData, DragDataType, DragDataSize);
}

void TExDragDrop::TriggerSourceDragEvent(TDragType DragType, TShiftState Shift, bool& ContinueDrop)
{
    if (OnOleSourceDrag)
        OnOleSourceDrag(this, DragType, Shift, ContinueDrop);
}

void TExDragDrop::TriggerPaintEvent()
{
    if (OnPaint)
        OnPaint(this);
}

void TExDragDrop::TriggerTargetDragEvent(TDragState State, TOleDragObject* Source, TShiftState Shift, int X, int Y,
                                         TDragType& DragType)
{
    if (OnTargetDrag)
        OnTargetDrag(this, State, Source, Shift, X, Y, DragType);
}

void TExDragDrop::TriggerTargetDropEvent(TOleDragObject* Source, TShiftState Shift, int X, int Y, TDragType& DragType)
{
    if (OnTargetDrop)
        OnTargetDrop(this, Source, Shift, X, Y, DragType);
}
