#include "platform/TypInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum TMode : Byte { mdOff, mdOn, mdAuto };

class TBase : public TPersistent {
public:
    Integer Width = 0;
    TMode Mode = mdOff;
    static const TClassInfo* Info()
    {
        static const TClassInfo* info = TPublish<TBase>("TTypInfoBase", nullptr)
                                            .Ordinal("Width", tkInteger, &TBase::Width, &TBase::Width)
                                            .Ordinal("Mode", tkEnumeration, &TBase::Mode, &TBase::Mode)
                                            .Creates([](TPersistent*) { return new TBase; })
                                            .Register();
        return info;
    }
};

class TMiddle : public TBase {
public:
    std::string Text;
    const std::string& GetText() const { return Text; }
    void SetText(const std::string& V) { Text = V; }
    static const TClassInfo* Info()
    {
        static const TClassInfo* info = TPublish<TMiddle>("TTypInfoMiddle", TBase::Info())
                                            .String("Text", &TMiddle::GetText, &TMiddle::SetText)
                                            .Register();
        return info;
    }
};

// Not registered: its objects are known as their nearest registered ancestor.
class TLeaf : public TMiddle {};

TEST(TypInfo, ObjectsFindTheirMostDerivedRegisteredClass)
{
    TBase b;
    TMiddle m;
    TLeaf l;
    EXPECT_EQ(ClassInfoOf(&b), TBase::Info());
    EXPECT_EQ(ClassInfoOf(&m), TMiddle::Info());
    EXPECT_EQ(ClassInfoOf(&l), TMiddle::Info());
    TPersistent other;
    EXPECT_EQ(ClassInfoOf(&other), nullptr);
    EXPECT_EQ(ClassInfoOf(nullptr), nullptr);
    EXPECT_TRUE(InheritsFrom(TMiddle::Info(), TBase::Info()));
    EXPECT_FALSE(InheritsFrom(TBase::Info(), TMiddle::Info()));
}

TEST(TypInfo, PropertiesAncestorsFirstWithWorkingAccessors)
{
    std::vector<std::string> names;
    for (const TPropInfo* p : GetPropList(TMiddle::Info())) names.push_back(p->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Width", "Mode", "Text"}));
    TMiddle m;
    const auto props = GetPropList(TMiddle::Info());
    props[0]->SetOrd(&m, 42);
    props[1]->SetOrd(&m, mdAuto);
    props[2]->SetStr(&m, "hello");
    EXPECT_EQ(m.Width, 42);
    EXPECT_EQ(m.Mode, mdAuto);
    EXPECT_EQ(props[1]->GetOrd(&m), 2);
    EXPECT_EQ(props[2]->GetStr(&m), "hello");
}

TEST(TypInfo, ClassesByName)
{
    TMiddle::Info();
    EXPECT_EQ(GetClass("ttypinfomiddle"), TMiddle::Info());
    EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);
    TPersistent* made = GetClass("TTypInfoBase")->Create(nullptr);
    EXPECT_NE(dynamic_cast<TBase*>(made), nullptr);
    delete made;

    TClassInfo stand_in;
    stand_in.Name = "TTypInfoBase";
    RegisterClass(&stand_in);
    EXPECT_EQ(GetClass("TTypInfoBase"), &stand_in);
    UnRegisterClass(&stand_in);
    EXPECT_EQ(GetClass("TTypInfoBase"), nullptr);
    RegisterClass(TBase::Info());
    EXPECT_EQ(GetClass("TTypInfoBase"), TBase::Info());
}

// ---------------------------------------------------------------- TCollection

int gItems = 0;

class TCountedItem : public TCollectionItem {
public:
    explicit TCountedItem(TCollection* C) : TCollectionItem(C) { ++gItems; }
    ~TCountedItem() override { --gItems; }
    std::string Label;
    void Assign(TPersistent* Source) override
    {
        if (auto* s = dynamic_cast<TCountedItem*>(Source)) {
            Label = s->Label;
            return;
        }
        TCollectionItem::Assign(Source);
    }
};

TEST(Collection, ItemsBelongToTheirCollection)
{
    {
        TCollection c([](TCollection* owner) { return new TCountedItem(owner); });
        for (const char* l : {"a", "b", "c"}) static_cast<TCountedItem*>(c.Add())->Label = l;
        EXPECT_EQ(c.Count(), 3);
        EXPECT_EQ(c.Items(2)->Index(), 2);
        EXPECT_EQ(c.Items(0)->Collection(), &c);
        delete c.Items(1);  // an item leaves when it goes
        EXPECT_EQ(c.Count(), 2);
        EXPECT_EQ(static_cast<TCountedItem*>(c.Items(1))->Label, "c");
        EXPECT_THROW(c.Items(2), EListError);

        TCollection copy([](TCollection* owner) { return new TCountedItem(owner); });
        copy.Add();
        copy.Assign(&c);
        ASSERT_EQ(copy.Count(), 2);
        EXPECT_EQ(static_cast<TCountedItem*>(copy.Items(0))->Label, "a");
        EXPECT_EQ(gItems, 4);
        c.Delete(0);
        EXPECT_EQ(gItems, 3);
    }
    EXPECT_EQ(gItems, 0);
}

}  // namespace
