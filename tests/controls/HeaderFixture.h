// A header on a form for the header tests, with an event log and the section pointers the mouse
// code will keep, and the stored form of its sections as bytes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controls/Exheader.h"
#include "platform/Forms.h"

class TLogHeader : public TExHeader {
public:
    explicit TLogHeader(TComponent* AOwner) : TExHeader(AOwner)
    {
        auto name = [](TExHeaderSection* s) { return s ? std::to_string(s->GetIndex()) : std::string("nil"); };
        OnSectionCreate = [this, name](TObject*, TExHeaderSection* s) { Log.push_back("create " + name(s)); };
        OnSectionDelete = [this, name](TObject*, TExHeaderSection* s) { Log.push_back("delete " + name(s)); };
        OnSectionShowHide = [this, name](TObject*, TExHeaderSection* s) { Log.push_back("showhide " + name(s)); };
        OnSectionAutoSize = [this, name](TObject*, TExHeaderSection* s) { Log.push_back("autosize " + name(s)); };
        OnSectionMove = [this, name](TObject*, TExHeaderSection* s, Integer From, Integer To) {
            Log.push_back("move " + name(s) + " " + std::to_string(From) + ">" + std::to_string(To));
        };
        OnSectionChange = [this, name](TObject*, TExHeaderSection* s, TSectionChangeMode m) {
            Log.push_back("change " + name(s) + " " + std::to_string(int(m)));
        };
    }
    std::vector<std::string> Log;
    // The bounding box of what was painted since it was last cleared.
    TRect Painted{};
    using TCustomExHeader::AdoptLookupEditor;
    using TCustomExHeader::FDragSection;
    using TCustomExHeader::FDropSection;
    using TCustomExHeader::FHintSection;
    using TCustomExHeader::FHotSection;
    using TCustomExHeader::FLookupEditor;
    using TCustomExHeader::FLookupSection;
    using TCustomExHeader::FPressSection;
    using TCustomExHeader::FResizeSection;

protected:
    void Paint() override
    {
        const TRect r = Canvas()->ClipRect();
        if (Painted.Right <= Painted.Left)
            Painted = r;
        else
            Painted = TRect{std::min(Painted.Left, r.Left), std::min(Painted.Top, r.Top),
                            std::max(Painted.Right, r.Right), std::max(Painted.Bottom, r.Bottom)};
    }
};

struct HeaderTest : ::testing::Test {
    TForm* Form = new TForm(nullptr);
    TLogHeader* H = new TLogHeader(Form);

    HeaderTest()
    {
        Form->SetBounds(0, 0, 900, 200);
        H->SetAlign(alNone);
        H->SetParent(Form);
        H->SetBounds(0, 0, 600, 20);
        Form->AfterConstruction();
    }
    ~HeaderTest() override { TObject::Free(Form); }

    TExHeaderSections* S() const { return H->Sections(); }
    // Sections of these widths, in order.
    void Make(const std::vector<Integer>& Widths, bool Resizable = true)
    {
        for (Integer w : Widths) {
            TExHeaderSection* s = S()->AddSection();
            s->SetWidth(w);
            s->SetResizable(Resizable);
        }
        H->Log.clear();
    }
    TExHeaderSection* At(Integer Position) const { return S()->GetSectionByPos(Position); }
    std::vector<Integer> Widths() const
    {
        std::vector<Integer> w;
        for (Integer i = 0; i < S()->GetCount(); ++i)
            w.push_back(At(i)->Width());
        return w;
    }
};

namespace headertest {

inline std::vector<Byte> Bytes(TExHeaderSections* Sections)
{
    TMemoryStream m;
    Sections->SaveToStream(&m);
    return m.Bytes();
}

inline void Load(TExHeaderSections* Sections, const std::vector<Byte>& Data)
{
    TReadOnlyMemoryStream m(Data.data(), Int64(Data.size()));
    Sections->LoadFromStream(&m);
}

}  // namespace headertest
