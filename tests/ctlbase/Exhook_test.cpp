#include "ctlbase/Exhook.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ctlbase/Exlist.h"
#include "tests/support/UiTest.h"

namespace {

constexpr UINT kProbe = WM_USER + 77;

// A control whose own procedure writes to the log, so that each step of a message can be seen.
struct Fixture : ::testing::Test {
    std::vector<std::string> log;
    TControl* control = new TControl(nullptr);

    Fixture()
    {
        control->WindowProc = [this](TMessage& m) {
            if (m.Msg == kProbe) {
                log.push_back("control");
                m.Result = 7;
            }
        };
    }
    ~Fixture() override
    {
        TObject::Free(control);
        uitest::Pump();
        ctlbase::ExhookFinalize();
    }

    TExHook* MakeHook(const std::string& name, bool handleBefore = false, bool handleAfter = false)
    {
        auto* h = new TExHook(nullptr);
        h->OnBeforeProcess = [this, name, handleBefore](TObject*, TMessage& m, bool& handled) {
            if (m.Msg != kProbe)
                return;
            log.push_back(name + " before");
            handled = handleBefore;
        };
        h->OnAfterProcess = [this, name, handleAfter](TObject*, TMessage& m, bool& handled) {
            if (m.Msg != kProbe)
                return;
            log.push_back(name + " after");
            handled = handleAfter;
        };
        h->SetControl(control);
        h->SetActive(true);
        return h;
    }
};

using Hooks = Fixture;

TEST_F(Hooks, TheLaterHookHearsFirstAndItsHandledStopsTheEarlierOneAndTheControl)
{
    TExHook* first = MakeHook("first");
    TExHook* second = MakeHook("second", true);
    EXPECT_EQ(control->Perform(kProbe, 0, 0), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"second before", "second after", "first after"}));
    log.clear();
    second->OnBeforeProcess = nullptr;
    EXPECT_EQ(control->Perform(kProbe, 0, 0), 7);
    EXPECT_EQ(log, (std::vector<std::string>{"first before", "control", "second after", "first after"}));
    TObject::Free(first);
    TObject::Free(second);
}

TEST_F(Hooks, AHandledAfterHandlerStopsTheEarlierAfterHandlers)
{
    TExHook* first = MakeHook("first");
    TExHook* second = MakeHook("second", false, true);
    control->Perform(kProbe, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"second before", "first before", "control", "second after"}));
    TObject::Free(first);
    TObject::Free(second);
}

TEST_F(Hooks, TheQuitMessageSkipsTheBeforeHandlersOnly)
{
    int before = 0, seen = 0, after = 0;
    control->WindowProc = [&](TMessage&) { ++seen; };
    auto* hook = new TExHook(nullptr);
    hook->OnBeforeProcess = [&](TObject*, TMessage&, bool& handled) { ++before, handled = true; };
    hook->OnAfterProcess = [&](TObject*, TMessage&, bool&) { ++after; };
    hook->SetControl(control);
    hook->SetActive(true);
    control->Perform(WM_QUIT, 0, 0);
    EXPECT_EQ(before, 0);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(after, 1);
    control->Perform(kProbe, 0, 0);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(after, 2);
    TObject::Free(hook);
}

TEST_F(Hooks, RemovingTheLastHookGivesTheControlItsProcedureBackAndTheRegistryGoes)
{
    TExHook* first = MakeHook("first");
    TExHook* second = MakeHook("second");
    ASSERT_NE(ExHookList, nullptr);
    TCtlHook* entry = ExHookList->Find(control);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->Installed());
    first->SetActive(false);
    EXPECT_TRUE(entry->Installed());  // one hook is left
    second->SetActive(false);
    EXPECT_FALSE(entry->Installed());
    control->Perform(kProbe, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
    SendMessage(ExHookList->Handle(), WM_EXHOOK_REINSTALL, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_FALSE(entry->Installed());  // an entry without hooks stays out
    uitest::Pump();
    EXPECT_EQ(ExHookList, nullptr);
    TObject::Free(first);
    TObject::Free(second);
}

// A message whose handling raises (an error of a control's handler on its way out) leaves the hook
// free to go when its last hook goes, whether that happens before the error left or after.
TEST_F(Hooks, AMessageThatRaisesLeavesTheRegistryFreeToGo)
{
    for (const bool duringTheMessage : {false, true}) {
        SCOPED_TRACE(duringTheMessage ? "the hook goes while the message is handled" : "the hook goes afterwards");
        TExHook* hook = nullptr;
        control->WindowProc = [&](TMessage& m) {
            if (m.Msg != kProbe) return;
            if (duringTheMessage) {
                hook->SetActive(false);
                uitest::Pump();  // the release comes while the message is still in hand
            }
            throw std::runtime_error("handler");
        };
        hook = MakeHook("hook");
        EXPECT_THROW(control->Perform(kProbe, 0, 0), std::runtime_error);
        hook->SetActive(false);
        uitest::Pump();
        EXPECT_EQ(ExHookList, nullptr);
        TObject::Free(hook);
    }
}

TEST_F(Hooks, AProcedureInstalledOverTheHookIsNotCutOffWhenTheHookGoes)
{
    TExHook* hook = MakeHook("hook");
    control->WindowProc = [this, saved = control->WindowProc](TMessage& m) {
        if (m.Msg == kProbe)
            log.push_back("later");
        saved(m);
    };
    TObject::Free(hook);
    uitest::Pump();
    control->Perform(kProbe, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"later", "control"}));
}

TEST_F(Hooks, AHandlerThatRemovesHooksDuringAMessageLeavesTheRestOfTheWalkSound)
{
    TExHook* first = MakeHook("first");
    TExHook* second = MakeHook("second");
    second->OnBeforeProcess = [&](TObject*, TMessage& m, bool&) {
        if (m.Msg != kProbe)
            return;
        log.push_back("second before");
        TObject::Free(first);  // gone before its turn comes
        first = nullptr;
    };
    control->Perform(kProbe, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"second before", "control", "second after"}));
    TObject::Free(second);
}

TEST_F(Hooks, AnEntryEmptiedWhileItsMessageRunsIsFreedOnlyAfterwards)
{
    TExHook* hook = MakeHook("hook");
    TCtlHook* entry = ExHookList->Find(control);
    bool stillThere = false;
    hook->OnBeforeProcess = [&](TObject* sender, TMessage& m, bool&) {
        if (m.Msg != kProbe)
            return;
        static_cast<TExHook*>(sender)->SetActive(false);
        uitest::Pump();  // a modal loop inside the handler runs the release message
        stillThere = ExHookList && ExHookList->List()->IndexOf(entry) >= 0;
    };
    control->Perform(kProbe, 0, 0);
    EXPECT_TRUE(stillThere);
    uitest::Pump();
    EXPECT_EQ(ExHookList, nullptr);
    TObject::Free(hook);
}

TEST_F(Hooks, ReinstallPutsTheHookBackAfterADisplacementAndNeverChainsToItself)
{
    TExHook* hook = MakeHook("hook");
    TCtlHook* entry = ExHookList->Find(control);
    SendMessage(ExHookList->Handle(), WM_EXHOOK_REINSTALL, 0, reinterpret_cast<LPARAM>(entry));
    control->Perform(kProbe, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"hook before", "control", "hook after"}));
    log.clear();
    control->WindowProc = [this](TMessage& m) {
        if (m.Msg == kProbe)
            log.push_back("replacement");
    };
    EXPECT_FALSE(entry->Installed());
    SendMessage(ExHookList->Handle(), WM_EXHOOK_REINSTALL, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_TRUE(entry->Installed());
    control->Perform(kProbe, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"hook before", "replacement", "hook after"}));
    EXPECT_EQ(SendMessage(ExHookList->Handle(), WM_QUERYENDSESSION, 0, 0), 1);
    TObject::Free(hook);
}

TEST_F(Hooks, ControlAndActiveFollowEachOther)
{
    auto* hook = new TExHook(nullptr);
    hook->SetActive(true);  // no control yet: nothing is hooked
    EXPECT_EQ(ExHookList, nullptr);
    hook->SetControl(control);
    ASSERT_NE(ExHookList, nullptr);
    EXPECT_TRUE(ExHookList->Find(control)->Installed());
    hook->SetControl(nullptr);
    EXPECT_FALSE(hook->Active());
    EXPECT_EQ(ExHookList->Find(control)->Hooks()->Count(), 0);
    TObject::Free(hook);
}

TEST_F(Hooks, AtDesignTimeOnlyTheFlagChangesUnlessDesignActive)
{
    TComponent owner(nullptr);
    owner.SetState(csDesigning, true);
    auto* hook = new TExHook(&owner);
    hook->SetControl(control);
    hook->SetActive(true);
    EXPECT_TRUE(hook->Active());
    EXPECT_EQ(ExHookList, nullptr);
    hook->SetDesignActive(true);
    ASSERT_NE(ExHookList, nullptr);
    EXPECT_TRUE(ExHookList->Find(control)->Installed());
    hook->SetDesignActive(false);
    EXPECT_FALSE(ExHookList->Find(control)->Installed());
    EXPECT_TRUE(hook->Active());
}

TEST_F(Hooks, AControlDestroyedUnderItsHookLeavesTheHookDetached)
{
    TExHook* hook = MakeHook("hook");
    TObject::Free(control);
    control = new TControl(nullptr);
    EXPECT_EQ(hook->Control(), nullptr);
    EXPECT_FALSE(hook->Active());
    uitest::Pump();
    EXPECT_EQ(ExHookList, nullptr);
    TObject::Free(hook);
}

TEST_F(Hooks, FreeingTheRegistryGivesEveryControlItsProcedureBack)
{
    TExHook* hook = MakeHook("hook");
    ctlbase::ExhookFinalize();
    EXPECT_EQ(ExHookList, nullptr);
    control->Perform(kProbe, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
    TObject::Free(hook);
}

TEST_F(Hooks, AnotherComponentLeavingTheOwnerLeavesTheHookAttached)
{
    TComponent owner(nullptr);
    auto* hook = new TExHook(&owner);
    hook->SetControl(control);
    hook->SetActive(true);
    TObject::Free(new TComponent(&owner));
    EXPECT_EQ(hook->Control(), control);
    EXPECT_TRUE(hook->Active());
}

}  // namespace
