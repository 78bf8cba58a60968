// Menus: items with captions, check marks, radio groups and shortcuts; the main menu of a form and
// popup menus.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"

MORVIK_EXCEPTION(EMenuError, Exception);

using TShortCut = Word;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;
TShortCut ShortCut(Word Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift);
std::string ShortCutToText(TShortCut ShortCut);

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };

class TMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    // "&" marks the accelerator letter; "-" makes a separator line.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool Checked() const { return FChecked; }
    // Checking a radio item unchecks the other radio items of its group in the same menu.
    void SetChecked(bool Value);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool Value);
    Byte GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Byte Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TMenuBreak Break() const { return FBreak; }
    void SetBreak(TMenuBreak Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    bool AutoCheck = false;
    std::string Hint;
    // The help topic shown for the item (0: none).
    int HelpContext = 0;

    int Count() const { return int(FItems.size()); }
    TMenuItem* Items(int Index) const;
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    void Delete(int Index);  // frees the item
    void Remove(TMenuItem* Item);
    void Clear();            // frees every sub-item
    int IndexOf(const TMenuItem* Item) const;
    TMenuItem* Parent() const { return FParent; }
    int MenuIndex() const;
    bool IsLine() const { return FCaption == "-"; }
    TMenu* GetParentMenu() const;
    // The item whose shortcut this is, searched through the sub-items.
    TMenuItem* FindShortCut(TShortCut Value);

    // Runs the item's command: OnClick for a leaf, and for an item with sub-items when they open.
    virtual void Click();
    TNotifyEvent OnClick;

    // The item as a menu of its sub-items, for TrackPopupMenu; valid while the item lives.
    HMENU Handle();
    // The number WM_COMMAND and TrackPopupMenu's TPM_RETURNCMD report for the item; unique.
    Word Command() const { return FCommand; }

    // Toolkit objects that show the item (owned by the menu's toolkit side).
    void* FQtObject = nullptr;

private:
    friend class TMenu;
    Word FCommand = 0;
    void Changed(bool Structure);
    // A checked radio item unchecks the other radio items of its group under the same parent.
    void UncheckGroupSiblings();
    std::string FCaption;
    bool FChecked = false;
    bool FRadioItem = false;
    Byte FGroupIndex = 0;
    bool FEnabled = true;
    bool FVisible = true;
    TMenuBreak FBreak = mbNone;
    TShortCut FShortCut = 0;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // set on the root item
};

enum TFindItemKind { fkCommand, fkHandle, fkShortCut };

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    TMenuItem* Items() const { return FItems; }
    // Runs the item with this key as shortcut; true when one ran.
    bool IsShortCut(Word Key, TShiftState Shift);
    // The item (the root included) whose command, menu handle or shortcut Value is; null when none.
    TMenuItem* FindItem(std::uintptr_t Value, TFindItemKind Kind) const;
    // WM_COMMAND's command: the item with it runs (Click); true when it was one of this menu's.
    bool DispatchCommand(Word ACommand);
    // WM_INITMENUPOPUP's menu: the item whose sub-items open runs (Click); true when it was found.
    bool DispatchPopup(HMENU AMenu);
    // The toolkit side hears of changes through here.
    virtual void MenuChanged(TMenuItem* Item, bool Structure);

protected:
    TMenuItem* FItems;
};

class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
    ~TMainMenu() override;
    void MenuChanged(TMenuItem* Item, bool Structure) override;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

// Any live menu's command or opening sub-menu, for windows that are not told which menu it was:
// true when an item ran.
bool DispatchMenuCommand(Word ACommand);
bool DispatchMenuPopup(HMENU AMenu);

// WM_MENUSELECT's flags (high word of wParam); 0xFFFF with a null menu: the menu closed.
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_HILITE = 0x0080;
constexpr UINT MF_SEPARATOR = 0x0800;

// WM_MENUSELECT's meaning for the application: its hint becomes the long hint (after "|") of the
// highlighted item, found by its command or, for a sub-menu, by its parent's handle and place, in
// Menu (null: in any live menu); empty when the menu closes or the item is not found. Forms do this
// with the WM_MENUSELECT they hear; a menu shown for no window does it itself.
void MenuSelectHint(TMenu* Menu, const TMessage& Message);

// Shows a menu at a screen point until an item is chosen or the menu closes. The owner window hWnd
// hears WM_ENTERMENULOOP (TRUE), WM_INITMENUPOPUP as the menu and each sub-menu open (its default
// handling runs the opening item's Click), WM_MENUSELECT as the highlight moves and once more as the
// menu closes, and WM_EXITMENULOOP (TRUE). With TPM_RETURNCMD the chosen item's command is returned
// (0 for none); otherwise, once the menu has closed, WM_COMMAND with its command is sent to hWnd
// (not with TPM_NONOTIFY), whose default handling runs the item, and the answer is nonzero when an
// item was chosen. Without a window the item runs as chosen and sub-menus run their Click as they
// open.
// TPM_CENTERALIGN/TPM_RIGHTALIGN and TPM_VCENTERALIGN/TPM_BOTTOMALIGN place the menu's middle or far
// side at the point.
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int nReserved, HWND hWnd, const RECT* prcRect);

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
    // Shows the menu at a screen point; OnPopup runs first. Returns when the menu has closed.
    virtual void Popup(int X, int Y);
    TNotifyEvent OnPopup;
    bool AutoPopup = true;
    TComponent* PopupComponent = nullptr;
    TPopupAlignment Alignment = paLeft;
};

// The width a form's menu bar needs to show every visible item of Menu on the bar itself, none
// moved into the bar's overflow button; 0 for a menu with nothing to show.
int MenuBarWidth(TMainMenu* Menu);
// Whether a top-level item of a main menu shows on its form's menu bar (not hidden, not moved into
// the overflow button because the bar is too narrow).
bool MenuBarItemShown(TMenuItem* Item);

// Opens an item's sub-menu as the user would (its OnClick runs as it opens) without waiting;
// CloseMenus closes what is open. TriggerMenuItem chooses a leaf through the toolkit's menu.
void ShowSubMenu(TMenuItem* Item);
void CloseMenus();
// A menu is open on the screen (a popup menu or a menu bar's drop-down).
bool MenuShown();
void TriggerMenuItem(TMenuItem* Item);
