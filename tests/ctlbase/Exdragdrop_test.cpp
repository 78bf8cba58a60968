#include "ctlbase/Exdragdrop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "ctlbase/Excbfmts.h"
#include "ctlbase/Exhook.h"
#include "platform/DragInput.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "tests/support/UiTest.h"

namespace {

constexpr DWORD kAll = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// ---- Rules -----------------------------------------------------------------------------------------
TEST(DragRules, KeyStatesBecomeShiftStates)
{
    struct {
        DWORD Keys;
        TShiftState Shift;
    } cases[] = {{MK_LBUTTON, ssLeft},   {MK_RBUTTON, ssRight}, {MK_MBUTTON, ssMiddle},
                 {MK_CONTROL, ssCtrl},   {MK_SHIFT, ssShift},   {MK_ALT, ssAlt},
                 {0, 0},                 {MK_LBUTTON | MK_CONTROL | MK_SHIFT, ssLeft | ssCtrl | ssShift}};
    for (auto& c : cases)
        EXPECT_EQ(KeyStateToShiftState(c.Keys), c.Shift) << "keys " << c.Keys;
}

TEST(DragRules, DragTypesBecomeEffects)
{
    EXPECT_EQ(DragTypeToEffect(dtCopy), DROPEFFECT_COPY);
    EXPECT_EQ(DragTypeToEffect(dtMove), DROPEFFECT_MOVE);
    EXPECT_EQ(DragTypeToEffect(dtLink), DROPEFFECT_LINK);
    EXPECT_EQ(DragTypeToEffect(dtNone), DROPEFFECT_NONE);
    EXPECT_EQ(DragTypesToEffects(DragTypeBit(dtCopy) | DragTypeBit(dtLink)), DROPEFFECT_COPY | DROPEFFECT_LINK);
    EXPECT_EQ(DragTypesToEffects(DragTypeBit(dtMove) | DragTypeBit(dtNone)), DROPEFFECT_MOVE);
    EXPECT_EQ(DragTypesToEffects(0), DROPEFFECT_NONE);
}

TEST(DragRules, TheEndOfADragIsReportedAsADragResult)
{
    struct {
        HRESULT Result;
        DWORD Effect, Allowed;
        TDragResult Expected;
    } cases[] = {
        {DRAGDROP_S_DROP, DROPEFFECT_COPY, kAll, drDropCopy},
        {DRAGDROP_S_DROP, DROPEFFECT_MOVE, kAll, drDropMove},
        {DRAGDROP_S_DROP, DROPEFFECT_LINK, kAll, drDropLink},
        {DRAGDROP_S_DROP, DROPEFFECT_MOVE | DROPEFFECT_LINK, kAll, drDropMove},
        {DRAGDROP_S_DROP, DROPEFFECT_COPY | DROPEFFECT_MOVE, kAll, drDropCopy},
        {DRAGDROP_S_DROP, DROPEFFECT_MOVE, DROPEFFECT_COPY | DROPEFFECT_LINK, drCancel},
        {DRAGDROP_S_DROP, DROPEFFECT_NONE, kAll, drCancel},
        {DRAGDROP_S_DROP, DROPEFFECT_COPY | DROPEFFECT_SCROLL, DROPEFFECT_COPY, drDropCopy},
        {DRAGDROP_S_CANCEL, DROPEFFECT_COPY, kAll, drCancel},
        {E_OUTOFMEMORY, DROPEFFECT_COPY, kAll, drOutMemory},
        {E_FAIL, DROPEFFECT_COPY, kAll, drUnknown},
        {S_OK, DROPEFFECT_COPY, kAll, drUnknown},
    };
    for (auto& c : cases)
        EXPECT_EQ(DragResultOf(c.Result, c.Effect, c.Allowed), c.Expected)
            << std::hex << c.Result << " effect " << c.Effect << " allowed " << c.Allowed;
}

TEST(DragRules, EveryRefusedRegistrationHasItsMessage)
{
    struct {
        HRESULT Result;
        const char* Message;
    } cases[] = {
        {E_INVALIDARG, "RegisterDragDrop failed, invalid arg"},
        {E_OUTOFMEMORY, "RegisterDragDrop failed, out of memory"},
        {DRAGDROP_E_ALREADYREGISTERED, "RegisterDragDrop failed, already registered"},
        {DRAGDROP_E_INVALIDHWND, "RegisterDragDrop failed, invalide hwnd "},
        {CO_E_NOTINITIALIZED, "RegisterDragDrop failed, coInitialize had not been called"},
        {E_FAIL, "RegisterDragDrop failed, unknown error code 16389"},
        {HRESULT(0x80040100u), "RegisterDragDrop failed, unknown error code 262400"},
        {S_FALSE, "RegisterDragDrop failed, unknown error code 1"},
    };
    for (auto& c : cases) {
        try {
            CheckRegisterDragDrop(c.Result);
            ADD_FAILURE() << "no exception for " << std::hex << c.Result;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
    }
    EXPECT_NO_THROW(CheckRegisterDragDrop(S_OK));
}

// ---- Format enumerator -------------------------------------------------------------------------------
TEST(FormatEnumerator, NextSkipResetAndCloneWalkTheRecords)
{
    FORMATETC f[3];
    for (int i = 0; i < 3; ++i)
        f[i].cfFormat = CLIPFORMAT(10 + i);
    auto* e = new TEnumFormatEtc(f, 3);
    FORMATETC out[4];
    ULONG got = 99;
    EXPECT_EQ(e->Next(2, out, &got), S_OK);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(out[1].cfFormat, 11);

    IEnumFORMATETC* copy = nullptr;
    ASSERT_EQ(e->Clone(&copy), S_OK);
    EXPECT_EQ(e->Next(2, out, &got), S_FALSE);  // one left
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(out[0].cfFormat, 12);
    EXPECT_EQ(e->Next(1, out, nullptr), S_FALSE);

    // The clone kept its own place.
    EXPECT_EQ(copy->Next(1, out, nullptr), S_OK);
    EXPECT_EQ(out[0].cfFormat, 12);

    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(2), S_OK);
    EXPECT_EQ(e->Next(1, out, &got), S_OK);
    EXPECT_EQ(out[0].cfFormat, 12);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(3), S_OK);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(4), S_FALSE);  // goes to the end
    EXPECT_EQ(e->Next(1, out, &got), S_FALSE);
    EXPECT_EQ(got, 0u);
    void* asked = nullptr;
    EXPECT_EQ(e->QueryInterface(IID_IEnumFORMATETC, &asked), S_OK);
    EXPECT_EQ(asked, static_cast<IEnumFORMATETC*>(e));
    EXPECT_EQ(e->Release(), 1u);  // the reference the query added
    EXPECT_EQ(e->QueryInterface(IID_IDropTarget, &asked), E_NOINTERFACE);
    EXPECT_EQ(asked, nullptr);
    copy->Release();
    e->Release();
}

// ---- A data object of the test's own making ------------------------------------------------------------
class TBlockData final : public IDataObject {
public:
    TBlockData(UINT Format, std::string Block) : FFormat(Format), FBlock(std::move(Block)) {}
    HRESULT QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++Refs; }
    ULONG Release() override { return --Refs; }
    HRESULT GetData(FORMATETC* f, STGMEDIUM* m) override
    {
        if (f->cfFormat != FFormat)
            return DV_E_FORMATETC;
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, FBlock.size());
        if (!FBlock.empty())
            std::memcpy(GlobalLock(h), FBlock.data(), FBlock.size());
        GlobalUnlock(h);
        m->tymed = TYMED_HGLOBAL;
        m->hGlobal = h;
        return S_OK;
    }
    HRESULT GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC** out) override
    {
        FORMATETC f;
        f.cfFormat = CLIPFORMAT(FFormat);
        f.tymed = TYMED_HGLOBAL;
        *out = new TEnumFormatEtc(&f, 1);
        return S_OK;
    }
    HRESULT DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    ULONG Refs = 1;

private:
    UINT FFormat;
    std::string FBlock;
};

std::string DropFilesBlock(DWORD Offset, bool Wide, const std::string& Names)
{
    DROPFILES head;
    head.pFiles = Offset;
    head.fWide = Wide ? TRUE : FALSE;
    std::string b(reinterpret_cast<const char*>(&head), sizeof head);
    return b + Names;
}

std::string Wide(const std::string& Ascii)
{
    std::string w;
    for (char c : Ascii)
        w += std::string{c, '\0'};
    return w;
}

TEST(FileList, WellFormedBlocksGiveTheirNamesAndDamagedOnesAreRefusedWithoutReadingPastThem)
{
    using S = std::string;
    struct {
        const char* What;
        std::string Block;
        bool Ok;
        std::vector<std::string> Names;
    } cases[] = {
        {"8-bit names", DropFilesBlock(20, false, S("/a\0/b c\0\0", 9)), true, {"/a", "/b c"}},
        {"wide names", DropFilesBlock(20, true, Wide(S("/x\0/y\0\0", 7))), true, {"/x", "/y"}},
        {"names after a gap", DropFilesBlock(24, false, S("....f\0\0", 7)), true, {"f"}},
        {"no names", DropFilesBlock(20, false, S("\0", 1)), true, {}},
        {"shorter than the header", S("\x14\0\0\0", 4), false, {}},
        {"names beyond the block", DropFilesBlock(400, false, S("a\0\0", 3)), false, {}},
        {"names inside the header", DropFilesBlock(4, false, S("a\0\0", 3)), false, {}},
        {"a name without its end", DropFilesBlock(20, false, S("/abc", 4)), false, {}},
        {"a list without its end", DropFilesBlock(20, false, S("/abc\0", 5)), false, {}},
        {"a wide list cut in a character", DropFilesBlock(20, true, Wide(S("/x\0", 3)) + S("\0", 1)), false, {}},
        {"names ending exactly at the block's end", DropFilesBlock(23, false, S("...", 3)), false, {}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.What);
        TBlockData data(CF_HDROP, c.Block);
        TOleDragObject drag(&data, 0);
        if (c.Ok) {
            TStrings* l = drag.GetFileList();
            ASSERT_EQ(l->Count(), int(c.Names.size()));
            for (size_t i = 0; i < c.Names.size(); ++i)
                EXPECT_EQ(l->Strings(int(i)), c.Names[i]);
        } else {
            EXPECT_THROW(drag.GetFileList(), Exception);
        }
    }
}

TEST(FileList, DataWithoutAFileListRaisesAndNoDataReportsNothing)
{
    TBlockData text(CF_TEXT, std::string("abc", 3));  // no terminating zero: read up to the block's end
    TOleDragObject drag(&text, MK_LBUTTON);
    try {
        drag.GetFileList();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "IDataObject.GetData failed");
    }
    EXPECT_EQ(drag.GetString(), "abc");
    EXPECT_EQ(drag.GetDragContent(), edcText);
    std::size_t n = 0;
    void* p = drag.GetFormatData(CF_TEXT, &n);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(n, 3u);
    std::free(p);
    EXPECT_EQ(drag.GetFormatData(CF_HDROP, &n), nullptr);
    EXPECT_EQ(n, 0u);

    drag.SetNoData(true);
    EXPECT_FALSE(drag.HasDataFormat(CF_TEXT));
    EXPECT_EQ(drag.GetString(), "");
    EXPECT_EQ(drag.GetFileList()->Count(), 0);
    EXPECT_EQ(drag.GetDragContent(), edcOther);
}

TEST(FileList, TheDragObjectHoldsItsDataWhileItLives)
{
    TBlockData text(CF_TEXT, "x");
    {
        TOleDragObject drag(&text, 0);
        EXPECT_EQ(text.Refs, 2u);
        EXPECT_EQ(drag.DataObject(), &text);
    }
    EXPECT_EQ(text.Refs, 1u);
}

// A picture handed over as a GDI handle: a usable one is copied, anything else gives no bitmap.
class TPictureData final : public IDataObject {
public:
    explicit TPictureData(HBITMAP (*Make)()) : FMake(Make) {}
    HRESULT QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetData(FORMATETC* f, STGMEDIUM* m) override
    {
        if (f->cfFormat != CF_BITMAP || !(f->tymed & TYMED_GDI))
            return DV_E_FORMATETC;
        *m = STGMEDIUM();
        m->tymed = TYMED_GDI;
        m->hBitmap = FMake();
        return S_OK;
    }
    HRESULT GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC** out) override
    {
        FORMATETC f;
        f.cfFormat = CF_BITMAP;
        f.tymed = TYMED_GDI;
        *out = new TEnumFormatEtc(&f, 1);
        return S_OK;
    }
    HRESULT DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    HBITMAP (*FMake)();
};

TEST(DraggedPicture, AUsableHandleIsCopiedAndAnythingElseGivesNoBitmap)
{
    TPictureData real([] {
        TBitmap b;
        b.SetSize(7, 5);
        b.Canvas()->SetPixel(6, 4, clRed);
        return b.ReleaseHandle();
    });
    TOleDragObject drag(&real, 0);
    EXPECT_EQ(drag.GetDragContent(), edcBitmap);
    TBitmap* got = drag.GetBitmap();
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->Width(), 7);
    EXPECT_EQ(got->Height(), 5);
    EXPECT_EQ(got->Canvas()->Pixels(6, 4), clRed);
    delete got;

    for (HBITMAP (*make)() : {+[] { return HBITMAP(nullptr); }, +[] { return reinterpret_cast<HBITMAP>(0x1234); },
                              +[] { return static_cast<HBITMAP>(CreateSolidBrush(RGB(1, 2, 3))); }}) {
        TPictureData bad(make);
        TOleDragObject other(&bad, 0);
        EXPECT_EQ(other.GetBitmap(), nullptr);
    }
}

// ---- Windows and drags ---------------------------------------------------------------------------------
struct Call {
    TDragState State;
    int X, Y;
    TShiftState Shift;
    bool HadObject;
};

struct Drags : ::testing::Test {
    TForm* a = nullptr;
    TForm* b = nullptr;
    TExDragDrop* source = nullptr;
    TPanel* panel = nullptr;
    TExDropTarget* target = nullptr;
    std::vector<Call> calls;
    HWND captureInMove = nullptr;  // who held the mouse while the drag moved
    TDragType answer = dtCopy;
    std::function<void(TOleDragObject*)> onDrop;
    std::vector<TDragResult> results;

    Drags()
    {
        a = new TForm(nullptr);
        a->SetBounds(100, 100, 300, 200);
        source = new TExDragDrop(a);
        source->SetParent(a);
        source->SetBounds(10, 10, 100, 50);
        source->SetIsDropSource(true);
        b = new TForm(nullptr);
        b->SetBounds(500, 100, 300, 200);
        panel = new TPanel(b);
        panel->SetParent(b);
        panel->SetBounds(20, 30, 150, 100);
        target = new TExDropTarget(b);
        target->OnTargetDrag = [this](TObject*, TDragState State, TOleDragObject* Source, TShiftState Shift, int X,
                                      int Y, TDragType& DragType) {
            EXPECT_EQ(DragType, dtNone);
            calls.push_back({State, X, Y, Shift, Source != nullptr});
            if (State == dsDragMove) captureInMove = GetCapture();
            DragType = answer;
        };
        target->OnTargetDrop = [this](TObject*, TOleDragObject* Source, TShiftState Shift, int X, int Y,
                                      TDragType& DragType) {
            EXPECT_EQ(DragType, dtNone);
            calls.push_back({dsDragEnter, X, Y, Shift | ssDouble, Source != nullptr});  // ssDouble marks the drop
            if (onDrop)
                onDrop(Source);
            DragType = answer;
        };
        source->OnSourceDrop = [this](TObject*, TDragResult R) { results.push_back(R); };
        a->Show();
        b->Show();
        target->SetTarget(panel);
        uitest::Pump();
    }
    ~Drags() override
    {
        Input::SetForeignDropSite(nullptr);
        TObject::Free(b);
        TObject::Free(a);
        uitest::Pump();
        ctlbase::ExhookFinalize();
    }
    bool IsDrop(const Call& c) const { return (c.Shift & ssDouble) != 0; }

    // Our source dragged to a client point of Over and released there; Steps run on the way.
    void DragTo(TControl* Over, int X, int Y, std::vector<std::function<void()>> Steps = {})
    {
        Input::MouseDown(source, mbLeft, 5, 5);
        Input::DuringDrag([=] { Input::MouseMove(Over, X - 2, Y, ssLeft); });
        for (auto& s : Steps)
            Input::DuringDrag(s);
        Input::DuringDrag([=] { Input::MouseMove(Over, X, Y, ssLeft); });
        Input::DuringDrag([=] { Input::MouseUp(Over, mbLeft, X, Y); });
        Input::MouseMove(source, 8, 8, ssLeft);
    }
    void Offer(UINT Format, std::string Block)
    {
        auto keep = std::make_shared<std::string>(std::move(Block));
        source->OnOleStartDrag = [Format, keep](TObject*, void*& Data, int& Type, int& Size) {
            Data = keep->data();
            Type = int(Format);
            Size = int(keep->size());
        };
    }
};

TEST_F(Drags, AnotherProgramsDragIsReportedInTheTargetsClientCoordinates)
{
    EXPECT_EQ(Input::ForeignDragEnter(panel, 10, 12, {{"text/plain", "hello"}}, kAll, ssLeft | ssCtrl),
              DROPEFFECT_COPY);
    EXPECT_NE(target->DragObject(), nullptr);
    EXPECT_TRUE(target->HasDataFormat(CF_TEXT));
    EXPECT_FALSE(target->HasDataFormat(CF_BITMAP));
    EXPECT_GE(target->FormatNames()->IndexOf("TEXT"), 0);
    Input::ForeignDragMove(panel, 11, 13, ssLeft);
    Input::ForeignDragLeave();
    ASSERT_EQ(calls.size(), 3u);  // the toolkit's move right after the entry is not repeated
    EXPECT_EQ(calls[0].State, dsDragEnter);
    EXPECT_EQ(calls[0].X, 10);
    EXPECT_EQ(calls[0].Y, 12);
    EXPECT_EQ(calls[0].Shift, ssLeft | ssCtrl);
    EXPECT_EQ(calls[1].State, dsDragMove);
    EXPECT_EQ(calls[1].X, 11);
    EXPECT_EQ(calls[1].Y, 13);
    EXPECT_EQ(calls[1].Shift, TShiftState(ssLeft));
    EXPECT_EQ(calls[2].State, dsDragLeave);
    EXPECT_EQ(calls[2].X, -1);
    EXPECT_EQ(calls[2].Y, -1);
    EXPECT_EQ(calls[2].Shift, 0u);
    EXPECT_TRUE(calls[2].HadObject);
    EXPECT_EQ(target->DragObject(), nullptr);
    EXPECT_EQ(target->FormatNames()->Count(), 0);
}

TEST_F(Drags, TheHandlersDragTypeIsTheEffectTheOtherProgramIsTold)
{
    struct {
        TDragType Type;
        DWORD Effect;
    } cases[] = {{dtCopy, DROPEFFECT_COPY}, {dtMove, DROPEFFECT_MOVE}, {dtLink, DROPEFFECT_LINK}, {dtNone, 0}};
    for (auto& c : cases) {
        SCOPED_TRACE(int(c.Type));
        answer = c.Type;
        EXPECT_EQ(Input::ForeignDragEnter(panel, 5, 5, {{"text/plain", "x"}}, kAll), c.Effect);
        EXPECT_EQ(Input::ForeignDrop(panel, 6, 5), c.Effect);
    }
}

TEST_F(Drags, ADroppedTextIsReadAndTheDragEndsWithTheDrop)
{
    std::string text;
    TDragContent content = edcOther;
    DWORD keys = 0;
    onDrop = [&](TOleDragObject* S) {
        text = S->GetString();
        content = S->GetDragContent();
        keys = S->KeyState();
    };
    Input::ForeignDragEnter(panel, 5, 5, {{"text/plain", "weather report"}}, kAll, ssLeft | ssCtrl);
    EXPECT_EQ(Input::ForeignDrop(panel, 7, 8, ssShift), DROPEFFECT_COPY);
    EXPECT_EQ(text, "weather report");
    EXPECT_EQ(content, edcText);
    EXPECT_EQ(keys, DWORD(MK_LBUTTON | MK_CONTROL)) << "the drop reads the drag object made when the drag entered";
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(IsDrop(calls.back()));
    EXPECT_EQ(calls.back().X, 7);
    EXPECT_EQ(calls.back().Y, 8);
    EXPECT_EQ(calls.back().Shift & ~TShiftState(ssDouble), TShiftState(ssShift));
    EXPECT_EQ(target->DragObject(), nullptr);
    EXPECT_EQ(target->FormatNames()->Count(), 0);
}

TEST_F(Drags, FilesPicturesAndOtherTypesFromAnotherProgramArrive)
{
    std::vector<std::string> files;
    TDragContent content = edcOther;
    onDrop = [&](TOleDragObject* S) {
        content = S->GetDragContent();
        IEnumFORMATETC* e = nullptr;
        void* asked = nullptr;
        ASSERT_EQ(S->DataObject()->EnumFormatEtc(DATADIR_GET, &e), S_OK);
        EXPECT_EQ(e->QueryInterface(IID_IEnumFORMATETC, &asked), S_OK);
        if (asked)
            e->Release();
        e->Release();
        if (content == edcFileList)
            for (int i = 0; i < S->GetFileList()->Count(); ++i)
                files.push_back(S->GetFileList()->Strings(i));
    };
    Input::ForeignDragEnter(panel, 5, 5, {{"text/uri-list", "file:///tmp/a%20b.txt\r\nfile:///tmp/%C3%A9t%C3%A9\r\n"}},
                            kAll);
    Input::ForeignDrop(panel, 5, 5);
    EXPECT_EQ(content, edcFileList);
    EXPECT_EQ(files, (std::vector<std::string>{"/tmp/a b.txt", "/tmp/\xC3\xA9t\xC3\xA9"}));

    // A picture: 3 x 2 pixels, the top-left one red.
    TBitmap pic;
    pic.SetSize(3, 2);
    pic.Canvas()->Brush()->SetColor(clBlue);
    pic.Canvas()->FillRect(Rect(0, 0, 3, 2));
    pic.Canvas()->SetPixel(0, 0, clRed);
    std::string png = uitest::TempDir() + "/pic.png";
    pic.SaveToFile(png);
    TFileStream fs(png, fmOpenRead);
    std::string bytes(size_t(fs.Size()), '\0');
    fs.Read(bytes.data(), Int64(bytes.size()));
    int w = 0, h = 0;
    TColor corner = clNone, other = clNone;
    onDrop = [&](TOleDragObject* S) {
        content = S->GetDragContent();
        if (TBitmap* got = S->GetBitmap()) {
            w = got->Width();
            h = got->Height();
            corner = got->Canvas()->Pixels(0, 0);
            other = got->Canvas()->Pixels(2, 1);
            delete got;
        }
    };
    Input::ForeignDragEnter(panel, 5, 5, {{"image/png", bytes}}, kAll);
    Input::ForeignDrop(panel, 5, 5);
    EXPECT_EQ(content, edcBitmap);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(corner, clRed);
    EXPECT_EQ(other, clBlue);

    // A type of no standard format arrives as the format registered under its name.
    std::string got;
    onDrop = [&](TOleDragObject* S) {
        std::size_t n = 0;
        if (char* p = static_cast<char*>(S->GetFormatData(GetFormatIndex("application/x-morvik-probe"), &n))) {
            got.assign(p, n);
            std::free(p);
        }
    };
    Input::ForeignDragEnter(panel, 5, 5, {{"application/x-morvik-probe", std::string("\x01\0\x02", 3)}}, kAll);
    Input::ForeignDrop(panel, 5, 5);
    EXPECT_EQ(got, std::string("\x01\0\x02", 3));
}

TEST_F(Drags, ATargetWhoseWindowIsMadeAnewStillReceivesDrops)
{
    HWND before = panel->Handle();
    EXPECT_EQ(target->RefCount(), 2u);  // its own and the registration's
    panel->RecreateWnd();
    uitest::Pump();
    ASSERT_NE(panel->Handle(), before);
    EXPECT_EQ(target->RefCount(), 2u);  // the old window's registration went with it
    Input::ForeignDragEnter(panel, 5, 5, {{"text/plain", "x"}}, kAll);
    EXPECT_EQ(Input::ForeignDrop(panel, 5, 5), DROPEFFECT_COPY);
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(IsDrop(calls.back()));
    target->SetTarget(nullptr);
    EXPECT_EQ(target->RefCount(), 1u);
    calls.clear();
    EXPECT_EQ(Input::ForeignDragEnter(panel, 5, 5, {{"text/plain", "x"}}, kAll), DROPEFFECT_NONE);
    Input::ForeignDragLeave();
    EXPECT_TRUE(calls.empty());
}

TEST_F(Drags, RefusedRegistrationsRaiseTheirMessages)
{
    auto* second = new TExDropTarget(b);
    try {
        second->SetTarget(panel);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "RegisterDragDrop failed, already registered");
    }
    auto* other = new TPanel(b);
    other->SetParent(b);
    other->HandleNeeded();
    // Every object that uses drag and drop started it; with all of them ended it is not started,
    // until a new drop target starts it again for itself.
    for (int i = 0; i < 3; ++i)
        OleUninitialize();
    {
        auto* fourth = new TExDropTarget(b);
        EXPECT_NO_THROW(fourth->SetTarget(other));
        TObject::Free(fourth);
    }
    try {
        auto* third = new TExDropTarget(b);
        OleUninitialize();
        third->SetTarget(other);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "RegisterDragDrop failed, coInitialize had not been called");
    }
    for (int i = 0; i < 4; ++i)
        OleInitialize(nullptr);
}

TEST_F(Drags, EitherMayGoFirstTheTargetControlOrTheDropTarget)
{
    auto* other = new TPanel(b);
    other->SetParent(b);
    auto* t2 = new TExDropTarget(nullptr);
    t2->SetTarget(other);
    TObject::Free(other);  // the control first
    EXPECT_EQ(t2->Target(), nullptr);
    TObject::Free(t2);
    uitest::Pump();

    TObject::Free(target);  // the drop target first
    target = nullptr;
    EXPECT_EQ(Input::ForeignDragEnter(panel, 5, 5, {{"text/plain", "x"}}, kAll), DROPEFFECT_NONE);
    Input::ForeignDragLeave();
}

TEST_F(Drags, TheDragDropControlGetsPointsOnTheScreen)
{
    std::vector<TPoint> seen;
    std::vector<TDragState> states;
    std::vector<TShiftState> shifts;
    source->SetIsDropTarget(true);
    source->OnTargetDrag = [&](TObject*, TDragState State, TOleDragObject*, TShiftState Shift, int X, int Y,
                               TDragType& T) {
        seen.push_back({X, Y});
        states.push_back(State);
        shifts.push_back(Shift);
        T = dtLink;
    };
    EXPECT_EQ(Input::ForeignDragEnter(source, 5, 6, {{"text/plain", "x"}}, kAll), DROPEFFECT_LINK);
    EXPECT_GE(source->FormatNames()->IndexOf("TEXT"), 0);
    Input::ForeignDragLeave();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], source->ClientToScreen({5, 6}));
    EXPECT_EQ(seen[1], (TPoint{-1, -1}));
    EXPECT_EQ(states, (std::vector<TDragState>{dsDragEnter, dsDragLeave}));
    EXPECT_EQ(shifts[1], 0u);  // a leave tells no keys
    source->SetIsDropTarget(false);
    EXPECT_EQ(source->FormatNames(), nullptr);
    EXPECT_EQ(Input::ForeignDragEnter(source, 5, 6, {{"text/plain", "x"}}, kAll), DROPEFFECT_NONE);
    Input::ForeignDragLeave();
    source->SetIsDropTarget(true);  // registered anew
    EXPECT_EQ(Input::ForeignDragEnter(source, 5, 6, {{"text/plain", "x"}}, kAll), DROPEFFECT_LINK);
    Input::ForeignDragLeave();
}

TEST_F(Drags, TheControlShowsItsPictureAtTheCornerAndTakesItsSizeWithAutoSize)
{
    TBitmap pic;
    pic.SetSize(30, 20);
    pic.Canvas()->Brush()->SetColor(clBlue);
    pic.Canvas()->FillRect(Rect(0, 0, 30, 20));
    pic.Canvas()->Brush()->SetColor(clRed);
    pic.Canvas()->FillRect(Rect(0, 0, 30, 1));
    source->Picture()->SetBitmap(&pic);
    EXPECT_EQ(source->Width(), 100);
    source->SetAutoSize(true);
    EXPECT_EQ(source->Width(), 30);
    EXPECT_EQ(source->Height(), 20);
    uitest::Pump();
    TBitmap shown;
    ASSERT_TRUE(CaptureControlImage(source, &shown));
    EXPECT_EQ(shown.Canvas()->Pixels(0, 0), clRed);
    EXPECT_EQ(shown.Canvas()->Pixels(29, 1), clBlue);
    // A paint handler paints instead of the picture.
    int painted = 0;
    source->OnPaint = [&](TObject*) {
        ++painted;
        source->Canvas()->Brush()->SetColor(clLime);
        source->Canvas()->FillRect(Rect(0, 0, 30, 20));
    };
    source->Invalidate();
    uitest::Pump();
    ASSERT_TRUE(CaptureControlImage(source, &shown));
    EXPECT_GT(painted, 0);
    EXPECT_EQ(shown.Canvas()->Pixels(0, 0), clLime);
    // The control's two cursors are its own.
    EXPECT_EQ(source->Cursor(), crExDragDropNormal);
    EXPECT_NE(Screen->Cursors(crExDragDrop), nullptr);
    EXPECT_NE(Screen->Cursors(crExDragDropNormal), nullptr);
    EXPECT_NE(Screen->Cursors(crExDragDrop), Screen->Cursors(crExDragDropNormal));
}

// ---- Our drags ------------------------------------------------------------------------------------------
TEST_F(Drags, ABlockDraggedToATargetIsReadThroughTheDataObject)
{
    UINT fmt = RegisterClipboardFormat("Exdragdrop Probe");
    std::string payload("NAVTEX\0block", 12);
    source->OnOleStartDrag = [&](TObject*, void*& Data, int& Type, int& Size) {
        EXPECT_EQ(Data, nullptr);
        Data = payload.data();
        Type = int(fmt);
        Size = int(payload.size());
    };
    std::string got;
    struct Answer {
        const char* What;
        HRESULT Expected, Got;
    };
    std::vector<Answer> answers;
    onDrop = [&](TOleDragObject* S) {
        std::size_t n = 0;
        char* p = static_cast<char*>(S->GetFormatData(fmt, &n));
        got.assign(p ? p : "", n);
        std::free(p);
        IDataObject* d = S->DataObject();
        FORMATETC f;
        f.cfFormat = CLIPFORMAT(fmt);
        f.tymed = TYMED_HGLOBAL | TYMED_ISTREAM;
        answers.push_back({"content", S_OK, d->QueryGetData(&f)});
        f.dwAspect = DVASPECT_ICON;
        answers.push_back({"another aspect", DV_E_DVASPECT, d->QueryGetData(&f)});
        f.dwAspect = DVASPECT_CONTENT;
        f.tymed = TYMED_GDI;
        answers.push_back({"another medium", DV_E_FORMATETC, d->QueryGetData(&f)});
        STGMEDIUM m;
        answers.push_back({"GetData, another medium", DV_E_FORMATETC, d->GetData(&f, &m)});
        f.tymed = TYMED_HGLOBAL;
        f.cfFormat = CF_TEXT;
        answers.push_back({"another format", DV_E_FORMATETC, d->QueryGetData(&f)});
        answers.push_back({"GetData, another format", DV_E_FORMATETC, d->GetData(&f, &m)});
        f.cfFormat = CLIPFORMAT(fmt);
        // Into a block of the caller's: one too small is left as it was.
        m.tymed = TYMED_HGLOBAL;
        m.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 4);
        std::memcpy(GlobalLock(m.hGlobal), "keep", 4);
        GlobalUnlock(m.hGlobal);
        answers.push_back({"GetDataHere, small block", STG_E_MEDIUMFULL, d->GetDataHere(&f, &m)});
        EXPECT_EQ(std::string(static_cast<char*>(GlobalLock(m.hGlobal)), 4), "keep");
        GlobalUnlock(m.hGlobal);
        GlobalFree(m.hGlobal);
        m.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 20);
        m.pUnkForRelease = reinterpret_cast<IUnknown*>(&m);
        answers.push_back({"GetDataHere", S_OK, d->GetDataHere(&f, &m)});
        EXPECT_EQ(m.pUnkForRelease, nullptr);  // the block is the caller's to free
        EXPECT_EQ(std::string(static_cast<char*>(GlobalLock(m.hGlobal)), 12), payload);
        GlobalUnlock(m.hGlobal);
        m.tymed = TYMED_GDI;
        answers.push_back({"GetDataHere, another medium", DV_E_FORMATETC, d->GetDataHere(&f, &m)});
        GlobalFree(m.hGlobal);
        m = STGMEDIUM();
        m.tymed = TYMED_HGLOBAL;
        answers.push_back({"GetDataHere, no block", E_OUTOFMEMORY, d->GetDataHere(&f, &m)});
        IEnumFORMATETC* e = nullptr;
        answers.push_back({"formats to set", E_NOTIMPL, d->EnumFormatEtc(DATADIR_SET, &e)});
        EXPECT_EQ(e, nullptr);
        answers.push_back({"formats of no direction", E_INVALIDARG, d->EnumFormatEtc(3, &e)});
        answers.push_back({"formats to get", S_OK, d->EnumFormatEtc(DATADIR_GET, &e)});
        FORMATETC listed[2];
        ULONG count = 0;
        e->Next(2, listed, &count);
        e->Release();
        EXPECT_EQ(count, 1u);
        EXPECT_EQ(listed[0].cfFormat, fmt);
        EXPECT_EQ(listed[0].lindex, -1);
        EXPECT_EQ(listed[0].tymed, TYMED_HGLOBAL);
        DWORD conn = 7;
        answers.push_back({"advise", OLE_E_ADVISENOTSUPPORTED, d->DAdvise(&f, 0, nullptr, &conn)});
        EXPECT_EQ(conn, 0u);
        FORMATETC canon;
        canon.ptd = reinterpret_cast<DVTARGETDEVICE*>(&canon);
        answers.push_back({"canonical format", E_NOTIMPL, d->GetCanonicalFormatEtc(&f, &canon)});
        EXPECT_EQ(canon.ptd, nullptr);
        answers.push_back({"set data", E_NOTIMPL, d->SetData(&f, &m, FALSE)});
        // The data object is the drag's source too.
        for (auto [iid, what, expected] : {std::tuple{&IID_IUnknown, "asked for IUnknown", S_OK},
                                           std::tuple{&IID_IDropSource, "asked for its drop source", S_OK},
                                           std::tuple{&IID_IDataObject, "asked for its data", S_OK},
                                           std::tuple{&IID_IDropTarget, "asked for a drop target", E_NOINTERFACE}}) {
            void* asked = nullptr;
            answers.push_back({what, expected, d->QueryInterface(*iid, &asked)});
            if (asked)
                d->Release();
        }
    };
    DragTo(panel, 40, 20);
    EXPECT_EQ(got, payload);
    for (auto& a : answers)
        EXPECT_EQ(a.Got, a.Expected) << a.What;
    EXPECT_EQ(results, (std::vector<TDragResult>{drDropCopy}));
    EXPECT_EQ(payload, std::string("NAVTEX\0block", 12));  // the handler's block is its own still
    EXPECT_EQ(source->ContentLength(), 12);
    ASSERT_EQ(calls.size(), 3u);  // asked again only when something changed
    EXPECT_EQ(calls[0].State, dsDragEnter);
    EXPECT_EQ(calls[0].X, 38);
    EXPECT_EQ(calls[1].State, dsDragMove);
    EXPECT_EQ(calls[1].X, 40);
    EXPECT_EQ(calls[1].Shift, TShiftState(ssLeft));
    EXPECT_TRUE(IsDrop(calls.back()));
    EXPECT_EQ(calls.back().Shift & ~TShiftState(ssDouble), 0u);  // the button is up at the drop
    EXPECT_EQ(captureInMove, source->Handle());  // the source held the mouse through the drag
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Drags, HowADragEndsIsReportedToTheSource)
{
    Offer(CF_TEXT, "abc");
    struct {
        const char* What;
        TDragTypes Types;
        TDragType Answer;
        bool Stop, Escape;
        TDragResult Result;
        bool Reached;
    } cases[] = {
        {"copied", DragTypeBit(dtCopy) | DragTypeBit(dtLink), dtCopy, false, false, drDropCopy, true},
        {"linked", DragTypeBit(dtLink), dtLink, false, false, drDropLink, true},
        {"a refused drop", DragTypeBit(dtCopy), dtNone, false, false, drCancel, true},
        {"an effect the source does not allow", DragTypeBit(dtCopy) | DragTypeBit(dtLink), dtMove, false, false,
         drCancel, true},
        {"no drag types: cancelled at once", 0, dtCopy, false, false, drCancel, false},
        {"stopped by the source's handler", DragTypeBit(dtCopy), dtCopy, true, false, drCancel, false},
        {"Escape", DragTypeBit(dtCopy), dtCopy, false, true, drCancel, true},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.What);
        calls.clear();
        results.clear();
        source->SetDragTypes(c.Types);
        answer = c.Answer;
        std::vector<TDragType> asked;
        source->OnOleSourceDrag = [&](TObject*, TDragType T, TShiftState, bool& Continue) {
            asked.push_back(T);
            if (c.Stop)
                Continue = false;
        };
        std::vector<std::function<void()>> steps;
        if (c.Escape)
            steps.push_back([] { Input::PressKey(VK_ESCAPE); });
        DragTo(panel, 40, 20, steps);
        EXPECT_EQ(results, (std::vector<TDragResult>{c.Result}));
        EXPECT_EQ(!calls.empty(), c.Reached);
        bool dropped = !calls.empty() && IsDrop(calls.back());
        EXPECT_EQ(dropped, c.Reached && !c.Escape && c.Answer != dtNone);
        if (c.Escape) {
            ASSERT_FALSE(calls.empty());
            EXPECT_EQ(calls.back().State, dsDragLeave);
        }
        if (!asked.empty()) {
            EXPECT_EQ(asked[0], HasDragType(c.Types, dtCopy) ? dtCopy : dtLink);
        }
        EXPECT_EQ(Input::PendingDragSteps(), 0);
        Input::MouseUp(source, mbLeft, 5, 5);
    }
}

TEST_F(Drags, NoBlockNoDrag)
{
    int starts = 0;
    source->OnOleStartDrag = [&](TObject*, void*&, int&, int& Size) {
        ++starts;
        Size = 10;  // a size without a block drags nothing
    };
    Input::MouseDown(source, mbLeft, 5, 5);
    Input::MouseMove(source, 8, 8, ssLeft);
    Input::MouseUp(source, mbLeft, 8, 8);
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(source->ContentLength(), 0);
    // An empty block is still something to drag; a block of one byte arrives whole.
    Offer(CF_TEXT, "");
    DragTo(panel, 40, 20);
    EXPECT_EQ(results, (std::vector<TDragResult>{drDropCopy}));
    std::size_t size = 9;
    std::string got = "unread";
    onDrop = [&](TOleDragObject* S) {
        char* p = static_cast<char*>(S->GetFormatData(CF_TEXT, &size));
        got.assign(p ? p : "", size);
        std::free(p);
    };
    Offer(CF_TEXT, "Z");
    DragTo(panel, 40, 20);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(got, "Z");
}

TEST_F(Drags, ARefusingTargetShowsTheNoDropCursorAndHoldingTheButtonTheDragCursor)
{
    Offer(CF_TEXT, "abc");
    HCURSOR during = nullptr;
    answer = dtNone;
    TCursor held = crDefault;
    TCursor before = Screen->Cursor();
    Input::MouseDown(source, mbLeft, 5, 5);
    held = Screen->Cursor();
    Input::DuringDrag([&] { Input::MouseMove(panel, 30, 20, ssLeft); });
    Input::DuringDrag([&] { during = GetCursor(); });
    Input::DuringDrag([&] { Input::MouseUp(panel, mbLeft, 30, 20); });
    Input::MouseMove(source, 8, 8, ssLeft);
    EXPECT_EQ(held, crExDragDrop);
    EXPECT_EQ(during, LoadCursor(nullptr, IDC_NO));
    EXPECT_EQ(Screen->Cursor(), before);
    EXPECT_EQ(results, (std::vector<TDragResult>{drCancel}));
    // Pressing and releasing without a drag, or the mouse leaving, puts the cursor back too.
    Screen->SetCursor(crHourGlass);
    Input::MouseDown(source, mbLeft, 5, 5);
    EXPECT_EQ(Screen->Cursor(), crExDragDrop);
    Input::MouseUp(source, mbLeft, 5, 5);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    Input::MouseDown(source, mbLeft, 5, 5);
    source->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    Input::MouseUp(source, mbLeft, 5, 5);
    Screen->SetCursor(before);
}

TEST_F(Drags, AnotherProgramGetsOurDataInItsOwnTypes)
{
    std::vector<std::string> paths{"/tmp/m\xC3\xBC.txt", "/tmp/b"};
    HGLOBAL files = CreateDropFiles(paths);
    std::string block(static_cast<char*>(GlobalLock(files)), GlobalSize(files));
    GlobalUnlock(files);
    GlobalFree(files);
    UINT named = RegisterClipboardFormat("text/x-morvik-report");
    struct {
        const char* What;
        UINT Format;
        std::string Block;
        std::string Type, Bytes;
    } cases[] = {
        {"text", CF_TEXT, std::string("caf\xE9\0", 5), "text/plain", "caf\xC3\xA9"},
        {"wide text up to its zero", CF_UNICODETEXT, std::string("a\0\xE9\0\0\0z\0", 8), "text/plain", "a\xC3\xA9"},
        {"files", CF_HDROP, block, "text/uri-list", "file:///tmp/m%C3%BC.txt\r\nfile:///tmp/b\r\n"},
        {"a registered format", named, "raw", "text/x-morvik-report", "raw"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.What);
        results.clear();
        Offer(c.Format, c.Block);
        Input::TDragDataList seen;
        int overs = 0;
        Input::SetForeignDropSite([&](const Input::TDragDataList& Data, DWORD Allowed, bool Drop) {
            EXPECT_EQ(Allowed, DROPEFFECT_COPY | DROPEFFECT_LINK);
            if (Drop)
                seen = Data;
            else
                ++overs;
            return DWORD(DROPEFFECT_COPY);
        });
        DragTo(source, -150, 300);  // below the window, where no window of ours is
        EXPECT_GT(overs, 0);
        EXPECT_EQ(results, (std::vector<TDragResult>{drDropCopy}));
        bool found = false;
        for (auto& d : seen)
            if (d.Type == c.Type) {
                found = true;
                EXPECT_EQ(d.Bytes, c.Bytes);
            }
        EXPECT_TRUE(found);
    }
}

}  // namespace

// ---- Handlers that free what raised them ------------------------------------------------------------

TEST_F(Drags, ASourceFreedDuringItsOwnDragCancelsTheDragAndIsNotTouchedAgain)
{
    struct {
        const char* What;
        bool AtOnce;  // freed by the handler itself, or by the form's deferred release
        bool FromStart;
    } cases[] = {{"freed at once by its drag handler", true, false},
                 {"released with its form by its drag handler", false, false},
                 {"freed by the handler that supplies the block", true, true}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.What);
        if (!a) {
            a = new TForm(nullptr);
            a->SetBounds(100, 100, 300, 200);
            source = new TExDragDrop(a);
            source->SetParent(a);
            source->SetBounds(10, 10, 100, 50);
            source->SetIsDropSource(true);
            a->Show();
            uitest::Pump();
        }
        calls.clear();
        int asked = 0;
        bool dropped = false;
        source->OnSourceDrop = [&](TObject*, TDragResult) { dropped = true; };
        TForm* form = a;
        auto goAway = [&, form] {
            a = nullptr;
            source = nullptr;
            if (c.AtOnce)
                TObject::Free(form);
            else
                form->Release();
        };
        if (c.FromStart) {
            source->OnOleStartDrag = [&](TObject*, void*& Data, int& Type, int& Size) {
                static char block[] = "abc";
                Data = block;
                Type = CF_TEXT;
                Size = 3;
                goAway();
            };
        } else {
            Offer(CF_TEXT, "abc");
            source->OnOleSourceDrag = [&](TObject*, TDragType, TShiftState, bool&) {
                if (++asked == 2)
                    goAway();
            };
        }
        TExDragDrop* s = source;
        TPanel* over = panel;
        Input::MouseDown(s, mbLeft, 5, 5);
        if (!c.FromStart) {  // a source gone before its drag starts starts none
            Input::DuringDrag([over] { Input::MouseMove(over, 38, 20, ssLeft); });
            Input::DuringDrag([] { uitest::Pump(); });
            Input::DuringDrag([over] { Input::MouseMove(over, 40, 20, ssLeft); });
            Input::DuringDrag([over] { Input::MouseUp(over, mbLeft, 40, 20); });
        }
        Input::MouseMove(s, 8, 8, ssLeft);
        uitest::Pump();
        EXPECT_EQ(a, nullptr);
        EXPECT_FALSE(dropped) << "a source that has gone hears nothing more";
        EXPECT_TRUE(calls.empty() || !IsDrop(calls.back())) << "nothing is dropped from a source that went";
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(Input::PendingDragSteps(), 0);
    }
}

TEST_F(Drags, ADropHandlerMayFreeTheTargetControlOrTheDropTargetItself)
{
    // The target control goes: the drop still counts with the effect the handler answered.
    onDrop = [&](TOleDragObject*) {
        TObject::Free(panel);
        panel = nullptr;
    };
    Input::ForeignDragEnter(panel, 5, 5, {{"text/plain", "x"}}, kAll);
    EXPECT_EQ(Input::ForeignDrop(panel, 6, 5), DROPEFFECT_COPY);
    EXPECT_EQ(target->Target(), nullptr);
    EXPECT_EQ(target->RefCount(), 1u) << "the registration went with the window";
    EXPECT_EQ(target->DragObject(), nullptr);
    EXPECT_EQ(target->FormatNames()->Count(), 0);

    // The drop target goes with its form, from a drop of our own source.
    panel = new TPanel(b);
    panel->SetParent(b);
    panel->SetBounds(20, 30, 150, 100);
    target->SetTarget(panel);
    uitest::Pump();
    Offer(CF_TEXT, "abc");
    // The handler is the drop target's: it reads nothing of its own once the form has gone.
    target->OnTargetDrop = [this](TObject*, TOleDragObject*, TShiftState, int, int, TDragType& DragType) {
        DragType = dtCopy;
        TForm* form = b;
        b = nullptr;
        panel = nullptr;
        target = nullptr;
        TObject::Free(form);
    };
    TPanel* over = panel;
    DragTo(over, 40, 20);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(results, (std::vector<TDragResult>{drDropCopy}));
}

TEST_F(Drags, ADragDropControlMayFreeItselfFromItsOwnDropHandlers)
{
    for (bool onDrag : {false, true}) {
        SCOPED_TRACE(onDrag ? "while the drag moves over it" : "at the drop");
        auto* form = new TForm(nullptr);
        form->SetBounds(500, 350, 200, 120);
        auto* control = new TExDragDrop(form);
        control->SetParent(form);
        control->SetBounds(5, 5, 100, 50);
        control->SetIsDropTarget(true);
        form->Show();
        uitest::Pump();
        int heard = 0;
        auto free = [&heard, form] {
            ++heard;
            TObject::Free(form);
        };
        if (onDrag)
            control->OnTargetDrag = [&, free](TObject*, TDragState State, TOleDragObject*, TShiftState, int, int,
                                              TDragType& T) {
                T = dtCopy;
                if (State == dsDragMove)
                    free();
            };
        else
            control->OnTargetDrop = [free](TObject*, TOleDragObject* Source, TShiftState, int, int, TDragType& T) {
                EXPECT_EQ(Source->GetString(), "x");
                T = dtLink;
                free();
            };
        if (!onDrag)
            control->OnTargetDrag = [](TObject*, TDragState, TOleDragObject*, TShiftState, int, int, TDragType& T) {
                T = dtLink;
            };
        Input::ForeignDragEnter(control, 5, 5, {{"text/plain", "x"}}, kAll);
        if (onDrag) {
            EXPECT_EQ(Input::ForeignDragMove(control, 9, 9), DROPEFFECT_COPY);
            Input::ForeignDragLeave();
        } else {
            EXPECT_EQ(Input::ForeignDrop(control, 6, 5), DROPEFFECT_LINK);
        }
        EXPECT_EQ(heard, 1);
        uitest::Pump();
    }
}
