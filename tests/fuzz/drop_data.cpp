// The readers of another program's drop data: a file-list block and a text block of any bytes,
// through the drag object a drop handler reads them with. The first byte says which; the rest is
// the block. A file list is refused exactly when the block reader refuses it and otherwise gives
// its names; wide names come back the same through a block written anew; a text is the block up
// to its first zero.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ctlbase/Exdragdrop.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

// Offers one block, in exactly as many bytes as it has.
class TBlockData final : public IDataObject {
public:
    TBlockData(UINT Format, const std::string& Block) : FFormat(Format), FBlock(Block) {}
    HRESULT QueryInterface(REFIID, void** Out) override
    {
        *Out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetData(FORMATETC* F, STGMEDIUM* M) override
    {
        if (F->cfFormat != FFormat) return DV_E_FORMATETC;
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, FBlock.size());
        if (!FBlock.empty()) std::memcpy(GlobalLock(h), FBlock.data(), FBlock.size());
        GlobalUnlock(h);
        M->tymed = TYMED_HGLOBAL;
        M->hGlobal = h;
        return S_OK;
    }
    HRESULT GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC** Out) override
    {
        FORMATETC f;
        f.cfFormat = CLIPFORMAT(FFormat);
        f.tymed = TYMED_HGLOBAL;
        *Out = new TEnumFormatEtc(&f, 1);
        return S_OK;
    }
    HRESULT DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    UINT FFormat;
    std::string FBlock;
};

void FileList(const std::string& Block)
{
    std::vector<std::string> names;
    const bool ok = ReadDropFiles(Block.data(), Block.size(), names);
    FUZZ_CHECK(ok || names.empty(), Block);
    TBlockData data(CF_HDROP, Block);
    TOleDragObject drag(&data, 0);
    bool raised = false;
    std::vector<std::string> listed;
    try {
        TStrings* l = drag.GetFileList();
        for (int i = 0; i < l->Count(); ++i) listed.push_back(l->Strings(i));
    } catch (const Exception&) {
        raised = true;
    }
    FUZZ_CHECK(raised == !ok, Block);
    FUZZ_CHECK(listed == names, Block);
    DROPFILES head;
    if (ok && std::memcpy(&head, Block.data(), sizeof head) && head.fWide) {
        HGLOBAL again = CreateDropFiles(names);
        std::vector<std::string> back;
        FUZZ_CHECK(ReadDropFiles(GlobalLock(again), GlobalSize(again), back) && back == names, Block);
        GlobalUnlock(again);
        GlobalFree(again);
    }
}

void Text(const std::string& Block)
{
    TBlockData data(CF_TEXT, Block);
    TOleDragObject drag(&data, 0);
    FUZZ_CHECK(drag.GetString() == Block.substr(0, Block.find('\0')), Block);
    std::size_t size = 0;
    void* copy = drag.GetFormatData(CF_TEXT, &size);
    FUZZ_CHECK(copy && size == Block.size() && std::memcmp(copy, Block.data(), size) == 0, Block);
    std::free(copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size == 0) return 0;
    const std::string block = fuzz::Bytes(Data + 1, Size - 1);
    if (Data[0] & 1)
        Text(block);
    else
        FileList(block);
    return 0;
}
