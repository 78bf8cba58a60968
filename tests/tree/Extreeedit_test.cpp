// The in-place editor registry: which editor a field type gets, registration by setting an
// editor's tree, and editors and trees that go away in either order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TreeFixture.h"

namespace {

class TTestEditor : public TExTreeInplaceEditor {
public:
    TTestEditor(TComponent* AOwner, TExFieldTypes Types, std::vector<std::string>* Log = nullptr)
        : TExTreeInplaceEditor(AOwner), FLog(Log)
    {
        SetTypes(Types);
    }
    bool Shown = false;
    bool GetVisible() override { return Shown; }

protected:
    void DoStartOperation() override
    {
        Shown = true;
        if (FLog) FLog->push_back("start " + ValueAsText);
    }
    void DoStopOperation(bool Accepted) override
    {
        Shown = false;
        if (FLog) FLog->push_back(std::string("stop ") + (Accepted ? "1" : "0"));
    }

private:
    std::vector<std::string>* FLog;
};

using EditorRegistry = TreeTest;

TEST_F(EditorRegistry, TheFirstRegisteredEditorOfAFieldTypeIsChosen)
{
    auto* text = new TTestEditor(Form, FieldTypes({sftText, sftMemo}));
    auto* both = new TTestEditor(Form, FieldTypes({sftText, sftNumber}));
    TExTreeInplaceManager* m = Tree->InplaceManager();
    EXPECT_EQ(m->GetSuitableEditor(sftText), nullptr) << "an editor without a tree is registered nowhere";
    both->SetTree(Tree);
    text->SetTree(Tree);
    EXPECT_EQ(m->GetSuitableEditor(sftText), both);
    EXPECT_EQ(m->GetSuitableEditor(sftNumber), both);
    EXPECT_EQ(m->GetSuitableEditor(sftMemo), text);
    EXPECT_EQ(m->GetSuitableEditor(sftBool), nullptr);
    EXPECT_EQ(m->GetSuitableEditor(TExFieldType(16)), nullptr);
    // The same editor twice stays once, and one unregistration takes it out.
    m->RegisterEditor(both);
    text->SetTree(Tree);
    EXPECT_EQ(m->EditorCount(), 2);
    m->UnregisterEditor(both);
    EXPECT_EQ(m->EditorCount(), 1);
    EXPECT_EQ(m->GetSuitableEditor(sftText), text);
}

TEST_F(EditorRegistry, AllFieldTypesUpToTheLastAreTaken)
{
    auto* all = new TTestEditor(Form, 0x3FFF);
    all->SetTree(Tree);
    for (int t = sftCustom; t <= sftMemo; ++t)
        EXPECT_EQ(Tree->InplaceManager()->GetSuitableEditor(TExFieldType(t)), all) << t;
    auto* high = new TTestEditor(Form, 0xFFFFFFFFu);
    high->SetTree(Tree);
    all->SetTree(nullptr);
    EXPECT_EQ(Tree->InplaceManager()->GetSuitableEditor(TExFieldType(15)), high);
    EXPECT_EQ(Tree->InplaceManager()->GetSuitableEditor(TExFieldType(16)), nullptr);
    EXPECT_EQ(Tree->InplaceManager()->GetSuitableEditor(TExFieldType(31)), nullptr);
}

TEST_F(EditorRegistry, MovingAnEditorToAnotherTreeMovesItsRegistration)
{
    auto* other = new TExTree(Form);
    auto* e = new TTestEditor(Form, FieldTypes({sftText}));
    e->SetTree(Tree);
    e->SetTree(other);
    EXPECT_EQ(Tree->InplaceManager()->GetSuitableEditor(sftText), nullptr);
    EXPECT_EQ(other->InplaceManager()->GetSuitableEditor(sftText), e);
    EXPECT_EQ(e->Tree(), other);
}

TEST_F(EditorRegistry, AnEditorFreedFirstLeavesTheRegistry)
{
    auto* e = new TTestEditor(Form, FieldTypes({sftText}));
    e->SetTree(Tree);
    TObject::Free(e);
    EXPECT_EQ(Tree->InplaceManager()->EditorCount(), 0);
    EXPECT_EQ(Tree->InplaceManager()->GetSuitableEditor(sftText), nullptr);
}

TEST_F(EditorRegistry, ATreeFreedFirstLeavesItsEditorsWithoutATree)
{
    auto* e = new TTestEditor(Form, FieldTypes({sftText}));
    e->SetTree(Tree);
    TObject::Free(Tree);
    Tree = nullptr;
    EXPECT_EQ(e->Tree(), nullptr);
    // Freeing it afterwards touches no registry (the sanitizer would see it).
    TObject::Free(e);
    Tree = new TExTree(Form);
}

TEST_F(EditorRegistry, TheEventPresetsTheRegistrysChoiceAndMayReplaceIt)
{
    auto* first = new TTestEditor(Form, FieldTypes({sftText}));
    auto* second = new TTestEditor(Form, FieldTypes({sftText}));
    first->SetTree(Tree);
    second->SetTree(Tree);
    TExTreeInplaceEditor* seen = nullptr;
    Tree->OnInplaceEditorNeeded = [&](TObject* S, TExTreeItem*, Integer Section, TExFieldType Type,
                                      TExTreeInplaceEditor*& Editor) {
        EXPECT_EQ(S, Tree);
        EXPECT_EQ(Section, 2);
        EXPECT_EQ(Type, sftText);
        seen = Editor;
        Editor = second;
    };
    TExTreeInplaceEditor* editor = nullptr;
    Tree->TriggerInplaceEditorNeeded(nullptr, 2, sftText, editor);
    EXPECT_EQ(seen, first);
    EXPECT_EQ(editor, second);
}

TEST_F(EditorRegistry, AnOperationRunsItsEventsAndEndsAsTheCallerSaid)
{
    std::vector<std::string> log;
    auto* e = new TTestEditor(Form, FieldTypes({sftText}), &log);
    e->SetTree(Tree);
    e->SetDefaultValueAsText("default");
    e->OnBeforeOperation = [&](TObject* S, bool& DefaultConversion) {
        EXPECT_EQ(S, e);
        EXPECT_TRUE(DefaultConversion);
        log.push_back("before");
    };
    e->OnAfterOperation = [&](TObject*, bool& Accepted, bool&) {
        log.push_back(std::string("after ") + (Accepted ? "1" : "0"));
        Accepted = !Accepted;  // changes nothing of what happens to the value
    };
    e->StartOperation();
    EXPECT_TRUE(e->Editing());
    EXPECT_EQ(e->ValueAsText, "default");
    e->CompleteOperation(false);
    EXPECT_FALSE(e->Editing());
    EXPECT_EQ(log, (std::vector<std::string>{"before", "start default", "after 0", "stop 1"}));
    // A value present is kept; a handler turning the conversion off keeps an empty one.
    e->ValueAsText = "typed";
    e->StartOperation();
    EXPECT_EQ(e->ValueAsText, "typed");
    e->CompleteOperation(true);
    e->ValueAsText.clear();
    e->OnBeforeOperation = [](TObject*, bool& DefaultConversion) { DefaultConversion = false; };
    e->StartOperation();
    EXPECT_EQ(e->ValueAsText, "");
    e->CompleteOperation(false);
}

TEST_F(EditorRegistry, LeavingATreeEndsARunningEditCancelled)
{
    std::vector<std::string> log;
    auto* e = new TTestEditor(Form, FieldTypes({sftText}), &log);
    e->SetTree(Tree);
    e->StartOperation();
    bool accepted = true;
    e->OnAfterOperation = [&](TObject*, bool& Accepted, bool&) { accepted = Accepted; };
    e->SetTree(nullptr);
    EXPECT_FALSE(accepted);
    EXPECT_FALSE(e->Shown);
    EXPECT_FALSE(e->Editing());
}

}  // namespace
