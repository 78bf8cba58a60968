// A tree control on a form for the control's tests, with helpers to fill it and to read where its
// pieces went.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Forms.h"
#include "tree/Extree.h"

class TreeTest : public ::testing::Test {
protected:
    TForm* Form = new TForm(nullptr);
    TExTree* Tree = new TExTree(Form);

    TreeTest()
    {
        Form->SetBounds(0, 0, 800, 600);
        Tree->SetParent(Form);
        Tree->SetBounds(10, 10, 300, 200);
        Form->AfterConstruction();
        Tree->HandleNeeded();
    }
    ~TreeTest() override { TObject::Free(Form); }

    TExTreeItems& Items() const { return *Tree->Items(); }
    TExTreeView* View() const { return Tree->View(); }
    // Count root items named "0", "1", ... inside one bracket.
    void AddRoots(Integer Count, const std::string& Prefix = "")
    {
        Items().BeginUpdate();
        for (Integer i = 0; i < Count; ++i) Items().Add(nullptr, Prefix + std::to_string(i));
        Items().EndUpdate();
    }
    void AddSections(const std::vector<Integer>& Widths)
    {
        for (Integer w : Widths) Tree->Header()->Sections()->AddSection()->SetWidth(w);
    }
    // Bounds of a piece in the tree's client coordinates; empty when it is hidden.
    static TRect Placed(TControl* Piece) { return Piece->Visible() ? Piece->BoundsRect() : TRect{}; }
};
