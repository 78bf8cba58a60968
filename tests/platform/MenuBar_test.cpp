// A form's menu bar and its room: the width at which every menu shows on the bar itself, and which
// menus a narrower window moves behind the bar's overflow button.
#include <gtest/gtest.h>

#include <string>

#include "platform/Forms.h"
#include "platform/Menus.h"
#include "tests/support/UiTest.h"

namespace {

class MenuBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->AfterConstruction();
        menu = new TMainMenu(form);
        for (const char* caption : {"&File", "Edit", "Hidden", "View", "Window", "&Help"}) {
            auto* item = new TMenuItem(form);
            item->SetCaption(caption);
            menu->Items()->Add(item);
            auto* sub = new TMenuItem(form);
            sub->SetCaption("Sub of " + std::string(caption));
            item->Add(sub);
        }
        Item(2)->SetVisible(false);
        form->SetMenu(menu);
        form->SetBounds(10, 10, 600, 200);
        form->Show();
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    TMenuItem* Item(int i) { return menu->Items()->Items(i); }
    // The captions of the items the bar shows.
    std::string Shown()
    {
        std::string s;
        for (int i = 0; i < menu->Items()->Count(); ++i)
            if (MenuBarItemShown(Item(i)))
                s += Item(i)->Caption() + " ";
        return s;
    }
    void ClientWidth(int w)
    {
        form->SetClientWidth(w);
        uitest::Pump();
    }

    TForm* form = nullptr;
    TMainMenu* menu = nullptr;
};

TEST_F(MenuBar, EveryVisibleMenuShowsFromItsWidthOnAndOneLessHidesTheLast)
{
    const int need = MenuBarWidth(menu);
    ASSERT_GT(need, 0);
    EXPECT_EQ(Shown(), "&File Edit View Window &Help ");
    ClientWidth(need);
    EXPECT_EQ(Shown(), "&File Edit View Window &Help ");
    ClientWidth(need - 1);
    EXPECT_EQ(Shown().find("&Help"), std::string::npos) << Shown();
    EXPECT_EQ(Shown().rfind("&File Edit", 0), 0u) << Shown();
    ClientWidth(need / 2);
    EXPECT_EQ(Shown().find("Window"), std::string::npos) << Shown();
    // Neither a sub-menu's item, nor a menu of no bar, nor none at all is on a bar.
    EXPECT_FALSE(MenuBarItemShown(Item(0)->Items(0)));
    EXPECT_FALSE(MenuBarItemShown(nullptr));
    TPopupMenu popup(nullptr);
    auto* loose = new TMenuItem(&popup);
    popup.Items()->Add(loose);
    EXPECT_FALSE(MenuBarItemShown(loose));
    EXPECT_EQ(MenuBarWidth(nullptr), 0);
}

TEST_F(MenuBar, TheWidthFollowsCaptionsAndVisibility)
{
    const int need = MenuBarWidth(menu);
    Item(2)->SetVisible(true);
    uitest::Pump();
    const int withHidden = MenuBarWidth(menu);
    EXPECT_GT(withHidden, need);
    Item(1)->SetCaption("Edit and a great deal more");
    uitest::Pump();
    EXPECT_GT(MenuBarWidth(menu), withHidden);
    ClientWidth(MenuBarWidth(menu));
    EXPECT_EQ(Shown(), "&File Edit and a great deal more Hidden View Window &Help ");
    for (int i = 0; i < menu->Items()->Count(); ++i)
        Item(i)->SetVisible(false);
    uitest::Pump();
    EXPECT_EQ(MenuBarWidth(menu), 0);
    EXPECT_EQ(Shown(), "");
}

}  // namespace
