// The platform's own lists told one after another (a parent's children hearing of its font, colour
// or a broadcast, a dialog key offered to each, controls placed by alignment, an image list's
// clients, the forms released for the next idle pass) follow the rule beside TGuardPtr
// (platform/Guard.h): a handler that frees a later one, or the walker, leaves nothing read after it
// went (checked by the sanitizer); the rest are told, once each.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/ImgList.h"
#include "tests/support/UiTest.h"

namespace {

// A child that hands the messages it hears to the test.
class THearing : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::function<void(THearing*, TMessage&)> OnHear;
    std::vector<UINT> Heard;
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == CM_PARENTFONTCHANGED || Message.Msg == CM_PARENTCOLORCHANGED ||
            Message.Msg == CM_DIALOGKEY || Message.Msg == WM_USER + 7) {
            Heard.push_back(Message.Msg);
            TGuardPtr<THearing> self(this);
            if (OnHear)
                OnHear(this, Message);
            if (!self)
                return;
        }
        TCustomControl::WndProc(Message);
    }
};

struct TStage {
    TForm* Form = new TForm(nullptr);
    THearing* Kids[3];
    TStage()
    {
        Form->SetBounds(50, 50, 300, 300);
        for (int i = 0; i < 3; ++i) {
            Kids[i] = new THearing(Form);
            Kids[i]->SetParent(Form);
            Kids[i]->SetAlign(alTop);
            Kids[i]->SetHeight(40);
        }
        Form->Show();
        uitest::Pump();
    }
};

TEST(HandlerWalks, AChildFreesALaterOneOrTheParentAsItHearsOfAChange)
{
    Application->Initialize();
    const std::vector<std::pair<const char*, std::function<void(TForm*)>>> changes = {
        {"font", [](TForm* F) { F->Font()->SetSize(F->Font()->Size() + 3); }},
        {"colour", [](TForm* F) { F->SetColor(clYellow); }},
        {"broadcast",
         [](TForm* F) {
             TMessage m{};
             m.Msg = WM_USER + 7;
             F->Broadcast(m);
         }},
        {"dialog key", [](TForm* F) { F->Perform(CM_DIALOGKEY, VK_F7, 0); }},
    };
    for (const auto& [what, change] : changes)
        for (bool freeForm : {false, true}) {
            SCOPED_TRACE(std::string(what) + (freeForm ? ", the form freed" : ", a later child freed"));
            TStage s;
            TGuardPtr<TForm> form(s.Form);
            TGuardPtr<THearing> first(s.Kids[0]), second(s.Kids[1]), third(s.Kids[2]);
            int told = 0;
            s.Kids[0]->OnHear = [&](THearing*, TMessage&) {
                ++told;
                TObject::Free(freeForm ? static_cast<TObject*>(s.Form) : s.Kids[1]);
            };
            s.Kids[1]->OnHear = [&](THearing*, TMessage&) { ADD_FAILURE() << "a freed child was told"; };
            s.Kids[2]->OnHear = [&](THearing*, TMessage&) { ++told; };
            change(s.Form);
            uitest::Pump();
            EXPECT_FALSE(second);
            EXPECT_EQ(bool(form), !freeForm);
            if (form) {
                EXPECT_EQ(told, 2);
                EXPECT_FALSE(third->Heard.empty());
                TObject::Free(s.Form);
            }
        }
}

// Controls placed one after another by alignment: the first's handler of its new size frees the
// second; the third is still placed, under the first.
TEST(HandlerWalks, AnAlignedControlFreesTheNextAsItIsSized)
{
    Application->Initialize();
    TStage s;
    TGuardPtr<THearing> second(s.Kids[1]);
    s.Kids[0]->OnResize = [&](TObject*) {
        if (second)
            TObject::Free(s.Kids[1]);
    };
    s.Form->SetBounds(50, 50, 360, 300);
    uitest::Pump();
    EXPECT_FALSE(second);
    EXPECT_EQ(s.Kids[2]->Top(), s.Kids[0]->Height());
    EXPECT_EQ(s.Kids[2]->Width(), s.Form->ClientWidth());
    TObject::Free(s.Form);
}

// An image list's clients hear of a change in turn: one frees the list itself, and no client after
// it, nor the list's own OnChange, is told by a list that went.
TEST(HandlerWalks, AnImageListsClientFreesTheListAsItHearsOfAChange)
{
    Application->Initialize();
    auto* images = new TImageList(nullptr);
    TChangeLink first, second;
    int told = 0;
    bool listTold = false;
    first.OnChange = [&](TObject*) {
        ++told;
        TObject::Free(images);
    };
    second.OnChange = [&](TObject*) { ++told; };
    images->OnChange = [&](TObject*) { listTold = true; };
    images->RegisterChanges(&first);
    images->RegisterChanges(&second);
    images->SetWidth(24);
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(listTold);
    EXPECT_EQ(first.Sender(), nullptr);
    EXPECT_EQ(second.Sender(), nullptr);
}

// Two forms released for the next idle pass: the first's OnDestroy frees the second, which goes
// once.
TEST(HandlerWalks, AReleasedFormFreesAnotherReleasedOneAsItGoes)
{
    Application->Initialize();
    auto* a = new TForm(nullptr);
    auto* b = new TForm(nullptr);
    a->AfterConstruction();
    b->AfterConstruction();
    TGuardPtr<TForm> aliveA(a), aliveB(b);
    int destroyed = 0;
    a->OnDestroy = [&](TObject*) {
        ++destroyed;
        TObject::Free(b);
    };
    b->OnDestroy = [&](TObject*) { ++destroyed; };
    a->Release();
    b->Release();
    uitest::Pump(20);
    EXPECT_FALSE(aliveA);
    EXPECT_FALSE(aliveB);
    EXPECT_EQ(destroyed, 2);
}

}  // namespace
