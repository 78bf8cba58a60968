#include "ctlbase/Exxpthemedcontrol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctlbase/Exhook.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Forms.h"
#include "tests/ctlbase/ThemeRestart.h"
#include "tests/support/UiTest.h"

namespace {

// Writes each theme step and each window it makes to a log.
class TProbe : public TExXPThemedControl {
public:
    using TExXPThemedControl::TExXPThemedControl;
    std::vector<std::string>* Log = nullptr;
    int Windows = 0;

protected:
    std::u16string GetThemedClassName() override { return u"BUTTON"; }
    void FreeThemeHandle() override
    {
        if (Log)
            Log->push_back("free");
        TExXPThemedControl::FreeThemeHandle();
    }
    void CreateThemeHandle() override
    {
        if (Log)
            Log->push_back("create");
        TExXPThemedControl::CreateThemeHandle();
    }
    void CreateWnd() override
    {
        ++Windows;
        TExXPThemedControl::CreateWnd();
    }
};

struct Themed : ::testing::Test {
    TForm* form = nullptr;
    TProbe* probe = nullptr;
    std::vector<std::string> log;

    void Make(bool themesOn)
    {
        themetest::Restart(themesOn);
        form = new TForm(nullptr);
        probe = new TProbe(form);
        probe->SetBounds(10, 10, 60, 30);
        probe->Log = &log;
    }
    ~Themed() override
    {
        TObject::Free(form);
        uitest::Pump();
        ctlbase::ExhookFinalize();
        themetest::Restart(true);
    }
};

TEST_F(Themed, TheThemeIsOpenedForTheWindowOnceItExists)
{
    Make(true);
    EXPECT_TRUE(probe->UseXPThemes());
    EXPECT_EQ(probe->Theme(), nullptr);
    probe->SetParent(form);
    form->HandleNeeded();
    ASSERT_NE(probe->Theme(), nullptr);
    EXPECT_TRUE(probe->IsThemeApplied());
    EXPECT_EQ(GetWindowTheme(probe->Handle()), probe->Theme());
    EXPECT_EQ(log, (std::vector<std::string>{"create"}));
}

TEST_F(Themed, SwitchingThemesOffAndOnRebuildsTheWindowAndTheSameValueDoesNothing)
{
    Make(true);
    probe->SetParent(form);
    form->HandleNeeded();
    log.clear();
    probe->SetUseXPThemes(true);
    EXPECT_EQ(probe->Windows, 1);
    EXPECT_TRUE(log.empty());
    probe->SetUseXPThemes(false);
    EXPECT_EQ(probe->Windows, 2);
    EXPECT_EQ(probe->Theme(), nullptr);
    EXPECT_FALSE(probe->IsThemeApplied());
    probe->SetUseXPThemes(true);
    EXPECT_EQ(probe->Windows, 3);
    EXPECT_TRUE(probe->IsThemeApplied());
    EXPECT_EQ(GetWindowTheme(probe->Handle()), probe->Theme());
}

TEST_F(Themed, BeforeTheWindowExistsOnlyTheFlagChanges)
{
    Make(true);
    probe->SetUseXPThemes(false);
    probe->SetUseXPThemes(true);
    EXPECT_TRUE(log.empty());
    probe->SetUseXPThemes(false);
    probe->SetParent(form);
    form->HandleNeeded();
    EXPECT_EQ(probe->Theme(), nullptr);
    EXPECT_TRUE(log.empty());
}

TEST_F(Themed, AThemeChangeClosesOpensSetsTheFrameAndRedrawsInThatOrder)
{
    Make(true);
    probe->SetParent(form);
    form->HandleNeeded();
    TExHook hook(nullptr);
    hook.OnBeforeProcess = [this](TObject*, TMessage& m, bool&) {
        if (m.Msg == WM_WINDOWPOSCHANGED)
            log.push_back("position");
        if (m.Msg == WM_NCPAINT)
            log.push_back("redraw");
    };
    hook.SetControl(probe);
    hook.SetActive(true);
    log.clear();
    EXPECT_EQ(probe->Perform(WM_THEMECHANGED, 0, 0), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"free", "create", "position", "redraw"}));
    EXPECT_TRUE(probe->IsThemeApplied());
}

TEST_F(Themed, WithThemesSwitchedOffTheClassicPathIsTaken)
{
    Make(false);
    probe->SetParent(form);
    form->HandleNeeded();
    EXPECT_EQ(probe->Theme(), nullptr);
    EXPECT_FALSE(probe->IsThemeApplied());
    log.clear();
    EXPECT_EQ(probe->Perform(WM_THEMECHANGED, 0, 0), 1);
    EXPECT_TRUE(log.empty());
    probe->SetUseXPThemes(false);
    EXPECT_EQ(probe->Windows, 1);  // no theme to rebuild for
}

TEST_F(Themed, DestroyingTheControlClosesItsTheme)
{
    Make(true);
    probe->SetParent(form);
    form->HandleNeeded();
    HWND wnd = probe->Handle();
    ASSERT_NE(GetWindowTheme(wnd), nullptr);
    TObject::Free(probe);
    EXPECT_EQ(GetWindowTheme(wnd), nullptr);
}

}  // namespace
