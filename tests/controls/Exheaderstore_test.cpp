#include "ctlbase/Exini.h"
#include "tests/controls/HeaderFixture.h"

namespace {

struct Store : HeaderTest {
    TExIniFile* Ini = new TExIniFile(Form);
    Store()
    {
        H->SetStorage(Ini);
        H->SetStoragePath("\\Forms\\Main");
        Make({100, 200, 300});
    }
    std::string State()
    {
        std::string s = S()->GetSectionsOrder();
        for (Integer i = 0; i < S()->GetCount(); ++i)
            s += std::to_string(At(i)->SortMode()) + std::to_string(At(i)->Expanded());
        return s;
    }
};

}  // namespace

TEST_F(Store, WhatIsSavedComesBackAndTheStoreKeepsItsKey)
{
    At(1)->SetExpandable(true);
    At(1)->SetExpanded(true);
    At(2)->SetSortMode(hsmDescend);
    At(0)->SetVisible(false);
    const std::string saved = State();
    Ini->OpenKey("\\Other", true);
    H->Save();
    EXPECT_EQ(Ini->CurrentKey(), "\\Other");
    Integer width = 0;
    EXPECT_TRUE(Ini->ReadInteger("\\Forms\\Main\\ExHeader", "Width", 0, width));
    EXPECT_EQ(width, 600);
    EXPECT_TRUE(Ini->ReadInteger("\\Forms\\Main\\ExHeader\\Section2", "SortOrder", 0, width));
    EXPECT_EQ(width, 2);

    At(0)->SetVisible(true);
    At(1)->SetExpanded(false);
    At(2)->SetSortMode(hsmNone);
    At(2)->SetWidth(10);
    H->Log.clear();
    H->Restore();
    EXPECT_EQ(State(), saved);
    EXPECT_EQ(Ini->CurrentKey(), "\\Other");
    // A flag restored is a flag changed: the owner hears of it.
    EXPECT_EQ(H->Log, std::vector<std::string>{"showhide 0"});
}

TEST_F(Store, StoredValuesThatMakeNoSenseAreLeftAside)
{
    const std::string key = "\\Forms\\Main\\ExHeader";
    Ini->WriteInteger(key + "\\Section0", "SortOrder", 7);
    Ini->WriteInteger(key + "\\Section1", "SortOrder", 258);
    Ini->WriteInteger(key + "\\Section2", "Width", 150);
    Ini->WriteInteger(key + "\\Section5", "Width", 1);
    Ini->WriteInteger(key, "Width", 0);
    H->SetWidth(601);
    H->SetStickySections(true);
    H->Restore();
    EXPECT_EQ(State(), "i0:w100:vt,i1:w200:vt,i2:w150:vt,000000");
}

TEST_F(Store, StickyWidthsAreScaledToTheHeadersWidth)
{
    const std::string key = "\\Forms\\Main\\ExHeader";
    Ini->WriteInteger(key, "Width", 400);
    Ini->WriteInteger(key + "\\Section0", "Width", 100);
    Ini->WriteInteger(key + "\\Section1", "Width", 100);
    At(1)->SetResizable(false);
    H->SetStickySections(true);
    H->Restore();
    EXPECT_EQ(At(0)->Width(), 150);
    EXPECT_EQ(At(1)->Width(), 100);
    EXPECT_FLOAT_EQ(At(0)->StickyRatio(), 150.0f / 500);
}

TEST_F(Store, WithoutAStoreNothingHappens)
{
    H->SetStorage(nullptr);
    H->Save();
    EXPECT_EQ(Ini->SubKeysCount("\\"), 0);
    H->SetStorage(Ini);
    TObject::Free(Ini);
    EXPECT_EQ(H->Storage(), nullptr);
    H->Restore();
    EXPECT_EQ(State(), "i0:w100:vt,i1:w200:vt,i2:w300:vt,000000");
}
