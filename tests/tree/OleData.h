// What a tree's OnOleDragStart hands out for a drag to other programs: a text offered in CF_TEXT
// and a source that drops on the button's release; each counts its references.
#pragma once

#include <cstring>
#include <string>
#include <utility>

#include "ctlbase/Exdragdrop.h"

namespace oledata {

class TTextData final : public IDataObject {
public:
    explicit TTextData(std::string Text) : FText(std::move(Text)) {}
    HRESULT QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ULONG(++Refs); }
    ULONG Release() override { return ULONG(--Refs); }
    HRESULT GetData(FORMATETC* f, STGMEDIUM* m) override
    {
        if (f->cfFormat != CF_TEXT) return DV_E_FORMATETC;
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, FText.size() + 1);
        std::memcpy(GlobalLock(h), FText.c_str(), FText.size() + 1);
        GlobalUnlock(h);
        m->tymed = TYMED_HGLOBAL;
        m->hGlobal = h;
        return S_OK;
    }
    HRESULT GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT QueryGetData(FORMATETC* f) override { return f->cfFormat == CF_TEXT ? S_OK : DV_E_FORMATETC; }
    HRESULT GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC** out) override
    {
        FORMATETC f{};
        f.cfFormat = CF_TEXT;
        f.tymed = TYMED_HGLOBAL;
        *out = new TEnumFormatEtc(&f, 1);
        return S_OK;
    }
    HRESULT DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    int Refs = 1;

private:
    std::string FText;
};

class TButtonSource final : public IDropSource {
public:
    HRESULT QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ULONG(++Refs); }
    ULONG Release() override { return ULONG(--Refs); }
    HRESULT QueryContinueDrag(BOOL Escape, DWORD Keys) override
    {
        if (Escape) return DRAGDROP_S_CANCEL;
        return (Keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
    int Refs = 1;
};

}  // namespace oledata
