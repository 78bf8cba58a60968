#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Ole.h"
#include "tests/support/UiTest.h"

namespace {

class TCountedTarget final : public IDropTarget {
public:
    HRESULT QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++Refs; }
    ULONG Release() override { return --Refs; }
    HRESULT DragEnter(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
    HRESULT DragOver(DWORD, POINTL, DWORD*) override { return S_OK; }
    HRESULT DragLeave() override { return S_OK; }
    HRESULT Drop(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
    ULONG Refs = 1;
};

struct Registration : ::testing::Test {
    TForm* form = new TForm(nullptr);
    TPanel* panel = new TPanel(form);
    TCountedTarget target;
    Registration()
    {
        panel->SetParent(form);
        panel->HandleNeeded();
    }
    ~Registration() override
    {
        TObject::Free(form);
        uitest::Pump();
    }
};

TEST_F(Registration, EachRefusalHasItsCodeAndARegisteredTargetIsHeldUntilRevoked)
{
    EXPECT_EQ(RegisterDragDrop(panel->Handle(), &target), CO_E_NOTINITIALIZED);
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
    EXPECT_EQ(RegisterDragDrop(panel->Handle(), nullptr), E_INVALIDARG);
    EXPECT_EQ(RegisterDragDrop(reinterpret_cast<HWND>(0x7FFFFF), &target), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(RevokeDragDrop(panel->Handle()), DRAGDROP_E_NOTREGISTERED);
    EXPECT_EQ(RevokeDragDrop(reinterpret_cast<HWND>(0x7FFFFF)), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(target.Refs, 1u);
    ASSERT_EQ(RegisterDragDrop(panel->Handle(), &target), S_OK);
    EXPECT_EQ(target.Refs, 2u);
    EXPECT_EQ(RegisterDragDrop(panel->Handle(), &target), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_EQ(RevokeDragDrop(panel->Handle()), S_OK);
    EXPECT_EQ(target.Refs, 1u);
    EXPECT_EQ(RegisterDragDrop(panel->Handle(), &target), S_OK);
    // A window that goes without being revoked lets its target go with it.
    panel->RecreateWnd();
    uitest::PumpUntil([&] { return target.Refs == 1; });
    EXPECT_EQ(target.Refs, 1u);
    OleUninitialize();
    OleUninitialize();
    OleUninitialize();  // one too many does nothing
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    OleUninitialize();
}

TEST(DragCalls, ADragNeedsDataASourceAndAPlaceForTheEffect)
{
    TCountedTarget t;
    DWORD effect = 0;
    EXPECT_EQ(DoDragDrop(nullptr, nullptr, DROPEFFECT_COPY, &effect), E_INVALIDARG);
}

TEST(DragCalls, AMediumWithAnOwnerIsGivenBackToItsOwner)
{
    TCountedTarget owner;
    owner.Refs = 2;
    STGMEDIUM m;
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 4);
    HGLOBAL block = m.hGlobal;
    m.pUnkForRelease = &owner;
    ReleaseStgMedium(&m);
    EXPECT_EQ(owner.Refs, 1u);
    EXPECT_EQ(m.tymed, TYMED_NULL);
    EXPECT_EQ(m.hGlobal, nullptr);
    EXPECT_EQ(GlobalSize(block), 4u);  // still the owner's
    GlobalFree(block);
}

TEST(DropFiles, NamesGoIntoABlockAndComeBackTheSame)
{
    std::vector<std::string> names{"/tmp/a b", "/home/\xC3\xA9t\xC3\xA9/x", "/\xF0\x9F\x98\x80.txt", "c"};
    HGLOBAL h = CreateDropFiles(names);
    ASSERT_NE(h, nullptr);
    std::vector<std::string> back{"left over"};
    EXPECT_TRUE(ReadDropFiles(GlobalLock(h), GlobalSize(h), back));
    GlobalUnlock(h);
    EXPECT_EQ(back, names);
    // Cut by one byte, the block is refused whole.
    EXPECT_FALSE(ReadDropFiles(GlobalLock(h), GlobalSize(h) - 1, back));
    EXPECT_TRUE(back.empty());
    GlobalUnlock(h);
    GlobalFree(h);

    h = CreateDropFiles({});
    EXPECT_TRUE(ReadDropFiles(GlobalLock(h), GlobalSize(h), back));
    EXPECT_TRUE(back.empty());
    GlobalUnlock(h);
    GlobalFree(h);
    EXPECT_FALSE(ReadDropFiles(nullptr, 100, back));
    // A broken sequence in a name becomes a replacement character; the byte after it stays.
    h = CreateDropFiles({"a\xC3(", "\xE2\x82"});
    EXPECT_TRUE(ReadDropFiles(GlobalLock(h), GlobalSize(h), back));
    EXPECT_EQ(back, (std::vector<std::string>{"a\xEF\xBF\xBD(", "\xEF\xBF\xBD\xEF\xBF\xBD"}));
    GlobalUnlock(h);
    GlobalFree(h);
}

TEST(TwoWindows, ShownTogetherTheLastOneShownStaysActive)
{
    TForm* a = new TForm(nullptr);
    TForm* b = new TForm(nullptr);
    a->SetBounds(10, 10, 100, 80);
    b->SetBounds(200, 10, 100, 80);
    int activations = 0;
    a->WindowProc = [a, &activations, old = a->WindowProc](TMessage& M) {
        if (M.Msg == WM_ACTIVATE)
            ++activations;
        old(M);
    };
    a->Show();
    b->Show();
    uitest::Pump(100);
    EXPECT_EQ(GetActiveWindow(), b->Handle());
    EXPECT_LE(activations, 4);
    TObject::Free(b);
    TObject::Free(a);
    uitest::Pump();
}

}  // namespace
