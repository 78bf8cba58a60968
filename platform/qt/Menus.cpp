// Menu items and menus, shown through the toolkit's menu bar and menus. The items are the model;
// toolkit actions follow them and are rebuilt when the structure changes.
#include <QAction>
#include <QApplication>
#include <QActionGroup>
#include <QMenu>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleOption>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include "platform/Backend.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using morvik::qtwin::RaiseShielded;
using morvik::qtwin::Shielded;

// ---- Shortcuts -----------------------------------------------------------------------------------
TShortCut ShortCut(Word Key, TShiftState Shift)
{
    TShortCut s = Key & 0xFF;
    if (Shift & ssShift)
        s |= scShift;
    if (Shift & ssCtrl)
        s |= scCtrl;
    if (Shift & ssAlt)
        s |= scAlt;
    return s;
}

void ShortCutToKey(TShortCut Value, Word& Key, TShiftState& Shift)
{
    Key = Value & 0xFF;
    Shift = 0;
    if (Value & scShift)
        Shift |= ssShift;
    if (Value & scCtrl)
        Shift |= ssCtrl;
    if (Value & scAlt)
        Shift |= ssAlt;
}

std::string ShortCutToText(TShortCut Value)
{
    Word key;
    TShiftState shift;
    ShortCutToKey(Value, key, shift);
    if (!key)
        return "";
    std::string name;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
        name = std::string(1, char(key));
    else if (key >= VK_F1 && key <= VK_F1 + 23)
        name = "F" + IntToStr(key - VK_F1 + 1);
    else {
        switch (key) {
        case VK_BACK: name = "BkSp"; break;
        case VK_TAB: name = "Tab"; break;
        case VK_RETURN: name = "Enter"; break;
        case VK_ESCAPE: name = "Esc"; break;
        case VK_SPACE: name = "Space"; break;
        case VK_PRIOR: name = "PgUp"; break;
        case VK_NEXT: name = "PgDn"; break;
        case VK_END: name = "End"; break;
        case VK_HOME: name = "Home"; break;
        case VK_LEFT: name = "Left"; break;
        case VK_UP: name = "Up"; break;
        case VK_RIGHT: name = "Right"; break;
        case VK_DOWN: name = "Down"; break;
        case VK_INSERT: name = "Ins"; break;
        case VK_DELETE: name = "Del"; break;
        default: name = "#" + IntToStr(key); break;
        }
    }
    std::string prefix;
    if (shift & ssShift)
        prefix += "Shift+";
    if (shift & ssCtrl)
        prefix += "Ctrl+";
    if (shift & ssAlt)
        prefix += "Alt+";
    return prefix + name;
}

// ---- Toolkit side ----------------------------------------------------------------------------------
namespace {

struct MenuView {
    QPointer<QMenuBar> bar;
    bool rebuildPosted = false;
};
std::map<TMenu*, MenuView>& Views()
{
    static std::map<TMenu*, MenuView> v;
    return v;
}
std::vector<QPointer<QMenu>>& OpenMenus()
{
    static std::vector<QPointer<QMenu>> v;
    return v;
}

// Set while TrackPopupMenu shows a menu: the items do not run as they are chosen.
bool gOnlyAsking = false;
// The window TrackPopupMenu tells of the menu's life; null: none.
HWND gTrackOwner = nullptr;

// Every live menu, for windows that dispatch commands without knowing their menu.
std::vector<TMenu*>& LiveMenus()
{
    static std::vector<TMenu*> v;
    return v;
}

// Items by command, so that a menu handle or a command can be checked before it is used.
std::map<Word, TMenuItem*>& LiveItems()
{
    static std::map<Word, TMenuItem*> items;
    return items;
}
std::set<const TMenuItem*>& LiveItemSet()
{
    static std::set<const TMenuItem*> items;
    return items;
}

bool ItemAlive(const TMenuItem* item) { return LiveItemSet().count(item) != 0; }

// The item a toolkit action shows, while it lives.
TMenuItem* ItemOfAction(QAction* a)
{
    if (!a)
        return nullptr;
    const auto it = LiveItems().find(Word(a->data().toUInt()));
    return it != LiveItems().end() ? it->second : nullptr;
}

// WM_MENUSELECT to the window the menu is shown for; a menu shown for no window gives the item's
// hint to the application itself.
void TellMenuSelect(HWND owner, WPARAM wParam, LPARAM lParam)
{
    if (!owner)
        MenuSelectHint(nullptr, TMessage{WM_MENUSELECT, wParam, lParam, 0});
    else if (IsWindow(owner))
        SendMessage(owner, WM_MENUSELECT, wParam, lParam);
}

void TellClosed(HWND owner) { TellMenuSelect(owner, MAKEWPARAM(0, 0xFFFF), 0); }

// WM_MENUSELECT for a highlighted item: a sub-menu's item by its place, a leaf by its command.
void TellSelected(HWND owner, TMenuItem* item)
{
    if (!item || !item->Parent())
        return;
    UINT flags = MF_HILITE;
    if (!item->Enabled())
        flags |= MF_GRAYED | MF_DISABLED;
    if (item->Checked())
        flags |= MF_CHECKED;
    WPARAM id = item->Command();
    if (item->Count() > 0) {
        flags |= MF_POPUP;
        id = WPARAM(item->MenuIndex());
    }
    TellMenuSelect(owner, MAKEWPARAM(Word(id), Word(flags)), reinterpret_cast<LPARAM>(item->Parent()->Handle()));
}

// The bar whose titles the keys walk (F10 or Alt alone); null when none.
QPointer<QMenuBar> gKeyBar;

// As on the desktop, the keys and the mouse highlight disabled items too: their hint still helps.
class MenuStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override
    {
        return hint == SH_Menu_AllowActiveAndDisabled ? 1 : QProxyStyle::styleHint(hint, option, widget, returned);
    }
    // The title the keys walk to (ours, or the toolkit bar's own walk, which holds the keyboard) is
    // drawn as a title whose menu is open: the style shows a title highlighted only then, and the
    // user would not see where the keys are.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* title = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuBarItem && title && widget && (widget == gKeyBar || widget->hasFocus()) &&
            (option->state & State_Selected)) {
            QStyleOptionMenuItem walked(*title);
            walked.state |= State_Sunken;
            QProxyStyle::drawControl(element, &walked, painter, widget);
            return;
        }
        // The style highlights only enabled items: a disabled one the keys stand on is drawn on the
        // highlight in the grey of disabled text.
        if (element == CE_MenuItem && title && (option->state & State_Selected) && !(option->state & State_Enabled)) {
            QStyleOptionMenuItem lit(*title);
            lit.state |= State_Enabled;
            lit.palette.setCurrentColorGroup(QPalette::Active);
            lit.palette.setColor(QPalette::HighlightedText, title->palette.color(QPalette::Disabled, QPalette::Text));
            QProxyStyle::drawControl(element, &lit, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

HWND BarOwner(QMenuBar* bar);

// A press on the bar is the mouse's: the keys leave it, and the click opens what it hits, unless
// its window is disabled (behind a modal dialog), where it opens nothing.
class MenuBarView : public QMenuBar {
protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        LeaveMenuBar();
        const HWND owner = BarOwner(this);
        if (owner && !IsWindowEnabled(owner)) {
            e->accept();
            return;
        }
        QMenuBar::mousePressEvent(e);
    }
    // Alt alone is the layer's to tell, as it hears what came between its press and release; the
    // toolkit's bar, hearing only what reaches its window, would start a walk of its own. It is
    // kept from hearing Alt's press.
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::ShortcutOverride) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Alt || key == Qt::Key_Meta)
                return false;
        }
        return QMenuBar::eventFilter(watched, e);
    }
};

MenuStyle* TheMenuStyle()
{
    static QPointer<MenuStyle> style;
    if (!style) {
        style = new MenuStyle;
        style->setParent(qApp);
    }
    return style;
}

// A menu that tells its owner wherever its highlight goes: the toolkit's hover signal is not given
// for disabled items and separators, so the hint would stay on the item before.
class HintMenu : public QMenu {
public:
    explicit HintMenu(const QString& title = QString(), QWidget* parent = nullptr) : QMenu(title, parent)
    {
        setStyle(TheMenuStyle());
        QObject::connect(this, &QMenu::hovered, this, [this](QAction*) { FollowHighlight(); });
    }
    std::function<HWND()> owner;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonPress)
            LeaveMenuBar();
        // The event may be the menu's own deferred deletion.
        QPointer<HintMenu> self(this);
        const bool handled = QMenu::event(e);
        if (self)
            FollowHighlight();
        return handled;
    }

private:
    void FollowHighlight()
    {
        QAction* now = isVisible() ? activeAction() : nullptr;
        if (now == FTold)
            return;
        FTold = now;
        // A menu closing is told by whoever ran it, once the whole menu is gone.
        if (!owner || !isVisible())
            return;
        Shielded([&] {
            TMenuItem* item = ItemOfAction(now);
            if (item && !item->IsLine())
                TellSelected(owner(), item);
            else
                TellMenuSelect(owner(), MAKEWPARAM(0, Word(MF_HILITE | MF_SEPARATOR)), 0);
        });
    }
    QPointer<QAction> FTold;
};

// The items highlighted in the menu and in every sub-menu under it are told to the owner of the
// moment.
void TellHighlights(QWidget* container, const std::function<HWND()>& owner)
{
    if (auto* m = dynamic_cast<HintMenu*>(container))
        m->owner = owner;
    for (QAction* a : container->actions())
        if (a->menu())
            TellHighlights(a->menu(), owner);
}

QString ItemText(TMenuItem* item)
{
    QString t = ToQString(item->Caption());
    if (item->ShortCut())
        t += QLatin1Char('\t') + QString::fromStdString(ShortCutToText(item->ShortCut()));
    return t;
}

void ApplyState(TMenuItem* item, QAction* a)
{
    a->setText(ItemText(item));
    a->setEnabled(item->Enabled());
    a->setVisible(item->Visible());
    bool checkable = item->Checked() || item->RadioItem() || item->AutoCheck;
    a->setCheckable(checkable);
    a->setChecked(item->Checked());
    if (QMenu* m = a->menu())
        m->setTitle(ToQString(item->Caption()));
}

void BuildInto(TMenuItem* parent, QWidget* container);

QAction* MakeAction(TMenuItem* item, QWidget* container)
{
    QAction* a = nullptr;
    if (item->IsLine()) {
        a = new QAction(container);
        a->setSeparator(true);
        a->setVisible(item->Visible());
    } else if (item->Count() > 0) {
        auto* sub = new HintMenu(ToQString(item->Caption()), container);
        // Opening a sub-menu is its item's click; a tracked menu's owner is told instead and decides.
        QObject::connect(sub, &QMenu::aboutToShow, sub, [item] {
            Shielded([item] {
                if (gTrackOwner && IsWindow(gTrackOwner))
                    SendMessage(gTrackOwner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(item->Handle()),
                                MAKELPARAM(std::max(0, item->MenuIndex()), 0));
                else if (!gTrackOwner)
                    item->Click();
            });
        });
        BuildInto(item, sub);
        a = sub->menuAction();
        ApplyState(item, a);
    } else {
        a = new QAction(ItemText(item), container);
        ApplyState(item, a);
        QObject::connect(a, &QAction::triggered, a, [item](bool) {
            // The items decide their check marks; the toolkit's own toggling, of the item and of
            // its radio group, is undone.
            if (TMenuItem* parent = item->Parent())
                for (int i = 0; i < parent->Count(); ++i)
                    if (auto* sib = static_cast<QAction*>(parent->Items(i)->FQtObject))
                        sib->setChecked(parent->Items(i)->Checked());
            if (!gOnlyAsking)
                Shielded([item] { item->Click(); });
        });
    }
    a->setData(QVariant(uint(item->Command())));
    item->FQtObject = a;
    return a;
}

void BuildInto(TMenuItem* parent, QWidget* container)
{
    // Radio items of one group show the toolkit's round marks; the items keep deciding which one
    // is checked.
    std::map<int, QActionGroup*> groups;
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        QAction* a = MakeAction(item, container);
        if (item->RadioItem() && !item->IsLine() && item->Count() == 0) {
            QActionGroup*& g = groups[item->GroupIndex()];
            if (!g) {
                g = new QActionGroup(container);
                g->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
            }
            g->addAction(a);
        }
        container->addAction(a);
    }
}

void ForgetQt(TMenuItem* item)
{
    item->FQtObject = nullptr;
    for (int i = 0; i < item->Count(); ++i)
        ForgetQt(item->Items(i));
}

// The window a menu bar stands in.
HWND BarOwner(QMenuBar* bar)
{
    for (morvik::qtwin::WindowRec* w : morvik::qtwin::gWindows)
        if (w->menuBar == bar)
            return morvik::qtwin::H(w);
    return nullptr;
}

void AdoptBarWalk(QMenuBar* bar);

void BuildBar(TMenu* menu, QMenuBar* bar)
{
    BuildInto(menu->Items(), bar);
    QPointer<QMenuBar> guarded(bar);
    TellHighlights(bar, [guarded] { return guarded ? BarOwner(guarded) : nullptr; });
    // The bar's menus close in turn as the user moves along it: once none is left open, the menu
    // loop has ended.
    for (QAction* a : bar->actions())
        if (QMenu* m = a->menu())
            QObject::connect(m, &QMenu::aboutToHide, m, [guarded] {
                Post([guarded] {
                    if (!guarded || MenuShown())
                        return;
                    // Escape from a menu the mouse or Alt+letter opened leaves the toolkit's bar
                    // walking its titles, holding only the keys it knows: the walk becomes ours, so
                    // that every key goes one way.
                    if (guarded->hasFocus() && guarded->activeAction())
                        AdoptBarWalk(guarded);
                    Shielded([&] { TellClosed(BarOwner(guarded)); });
                });
            });
}

void RebuildBar(TMenu* menu)
{
    auto it = Views().find(menu);
    if (it == Views().end() || !it->second.bar)
        return;
    QMenuBar* bar = it->second.bar;
    ForgetQt(menu->Items());
    for (QAction* a : bar->actions()) {
        bar->removeAction(a);
        if (QMenu* m = a->menu())
            m->deleteLater();
        else
            a->deleteLater();
    }
    BuildBar(menu, bar);
}

QMenu* BuildPopup(TPopupMenu* menu)
{
    auto* m = new HintMenu();
    BuildInto(menu->Items(), m);
    return m;
}

}  // namespace

QWidget* morvik::backend::MenuBarWidget(TMainMenu* menu)
{
    EnsureToolkit();
    MenuView& v = Views()[menu];
    if (!v.bar) {
        v.bar = new MenuBarView();
        v.bar->setNativeMenuBar(false);
        v.bar->setStyle(TheMenuStyle());
        BuildBar(menu, v.bar);
    }
    return v.bar;
}

namespace {
// A menu opened from the keyboard stands on its first item at once, a disabled one too, as its hint
// tells: Enter runs it, Down goes on to the second.
void OpenFromKeys(QMenuBar* bar, QAction* title)
{
    QMenu* m = title->menu();
    OpenMenus().push_back(m);
    bar->setActiveAction(title);
    for (QAction* item : m->actions())
        if (item->isVisible() && !item->isSeparator()) {
            m->setActiveAction(item);
            break;
        }
}
}  // namespace

bool morvik::backend::OpenMenuByAccelerator(TMainMenu* menu, char ch)
{
    auto it = Views().find(menu);
    if (it == Views().end() || !it->second.bar)
        return false;
    for (int i = 0; i < menu->Items()->Count(); ++i) {
        TMenuItem* item = menu->Items()->Items(i);
        if (!item->Visible() || !item->Enabled())
            continue;
        const std::string& c = item->Caption();
        for (size_t k = 0; k + 1 < c.size(); ++k) {
            if (c[k] != '&')
                continue;
            if (c[k + 1] == '&') {
                ++k;
                continue;
            }
            if (UpperCase(std::string(1, c[k + 1])) == UpperCase(std::string(1, ch))) {
                auto* a = static_cast<QAction*>(item->FQtObject);
                if (!a)
                    return false;
                if (a->menu()) {
                    OpenFromKeys(it->second.bar, a);
                } else {
                    a->trigger();
                }
                return true;
            }
            break;
        }
    }
    return false;
}

// ---- The keys in the menu bar ---------------------------------------------------------------------
namespace {
// The menu of the bar the keys walk.
TMainMenu* gKeyMenu = nullptr;

std::vector<QAction*> Titles(QMenuBar* bar)
{
    std::vector<QAction*> titles;
    for (QAction* a : bar->actions())
        if (a->isVisible() && a->isEnabled() && !a->isSeparator())
            titles.push_back(a);
    return titles;
}

// The toolkit highlights a title without opening its menu only under the pointer: the bar is told
// that the pointer is there.
void HighlightTitle(QMenuBar* bar, QAction* a)
{
    const QPointF p = bar->actionGeometry(a).center();
    QMouseEvent move(QEvent::MouseMove, p, bar->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &move);
}

void AdoptBarWalk(QMenuBar* bar)
{
    for (auto& [menu, view] : Views())
        if (view.bar == bar)
            if (auto* main = dynamic_cast<TMainMenu*>(menu)) {
                gKeyBar = bar;
                gKeyMenu = main;
            }
}

void LeaveBar()
{
    // After Escape from one of its menus the toolkit's bar walks its titles by itself
    // and holds the keyboard: the keys go back to the window.
    if (auto* walking = qobject_cast<QMenuBar*>(QApplication::focusWidget()))
        walking->window()->setFocus();
    if (QMenuBar* bar = std::exchange(gKeyBar, nullptr)) {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(bar, &leave);
        // The style draws the walked title apart: without the bar's own change it stays drawn so.
        bar->update();
    }
}
}  // namespace

void morvik::backend::LeaveMenuBar()
{
    morvik::qtwin::gAltAlone = false;
    LeaveBar();
}

bool morvik::backend::EnterMenuBar(TMainMenu* menu)
{
    if (gKeyBar) {
        LeaveBar();
        return true;
    }
    auto it = Views().find(menu);
    if (it == Views().end() || !it->second.bar || !it->second.bar->isVisible())
        return false;
    const std::vector<QAction*> titles = Titles(it->second.bar);
    if (titles.empty())
        return false;
    gKeyBar = it->second.bar;
    gKeyMenu = menu;
    HighlightTitle(gKeyBar, titles.front());
    return true;
}

bool morvik::backend::MenuBarKey(Word vk, bool ctrlOrAlt)
{
    // A menu opened from the bar has the keys; Escape there leaves its title highlighted, and the
    // keys walk the bar again. A chosen item, or the mouse, takes the highlight away.
    if (MenuShown())
        return false;
    if (gKeyBar && (!gKeyBar->isVisible() || !gKeyBar->activeAction()))
        LeaveBar();
    if (!gKeyBar || vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)
        return false;
    QMenuBar* bar = gKeyBar;
    const std::vector<QAction*> titles = Titles(bar);
    const auto at = std::find(titles.begin(), titles.end(), bar->activeAction());
    if (at == titles.end()) {
        LeaveBar();
        return false;
    }
    const size_t n = titles.size(), i = size_t(at - titles.begin());
    if (vk == VK_LEFT || vk == VK_RIGHT) {
        HighlightTitle(bar, titles[(vk == VK_RIGHT ? i + 1 : i + n - 1) % n]);
    } else if (vk == VK_DOWN || vk == VK_UP || vk == VK_RETURN) {
        if ((*at)->menu()) {
            OpenFromKeys(bar, *at);
        } else {
            LeaveBar();
            (*at)->trigger();
        }
    } else if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9') || vk == VK_PACKET) {
        // A letter opens the menu it marks, if any, and ends the walk; a letter of another script
        // marks none. With Ctrl or Alt it is the form's again (Alt and a menu's or a button's letter).
        LeaveBar();
        if (ctrlOrAlt)
            return false;
        if (vk != VK_PACKET)
            OpenMenuByAccelerator(gKeyMenu, char(vk));
    } else if (vk == VK_ESCAPE || vk == VK_F10) {
        LeaveBar();
    }
    // Other keys do nothing while the bar has them.
    return true;
}

// ---- TMenuItem ---------------------------------------------------------------------------------------
TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner)
{
    // Commands are handed out in turn, skipping 0 and any still in use.
    static Word next = 0;
    do
        FCommand = ++next ? next : ++next;
    while (LiveItems().count(FCommand));
    LiveItems()[FCommand] = this;
    LiveItemSet().insert(this);
}

HMENU TMenuItem::Handle() { return reinterpret_cast<HMENU>(this); }

TMenuItem::~TMenuItem()
{
    LiveItems().erase(FCommand);
    LiveItemSet().erase(this);
    // A menu on screen may outlive the item (a handler freed it): its entry must not reach back.
    if (auto* a = static_cast<QAction*>(FQtObject)) {
        QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
        if (QMenu* sub = a->menu())
            QObject::disconnect(sub, &QMenu::aboutToShow, nullptr, nullptr);
        a->setVisible(false);
        FQtObject = nullptr;
    }
    Destroying();
    Clear();
    if (FParent)
        FParent->Remove(this);
}

TMenuItem* TMenuItem::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EMenuError(Format(SysMsg::ListIndexError, Index));
    return FItems[size_t(Index)];
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item)
{
    if (!Item)
        return;
    if (Item->FParent)
        throw EMenuError("Menu inserted twice");
    if (Index < 0 || Index > Count())
        throw EMenuError(Format(SysMsg::ListIndexError, Index));
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    Changed(true);
}

void TMenuItem::Remove(TMenuItem* Item)
{
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    if (it == FItems.end())
        return;
    FItems.erase(it);
    Item->FParent = nullptr;
    ForgetQt(Item);
    Changed(true);
}

void TMenuItem::Delete(int Index)
{
    TMenuItem* item = Items(Index);
    Remove(item);
    delete item;
}

void TMenuItem::Clear()
{
    while (!FItems.empty()) {
        TMenuItem* item = FItems.back();
        Remove(item);
        delete item;
    }
}

int TMenuItem::IndexOf(const TMenuItem* Item) const
{
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : int(it - FItems.begin());
}

int TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* i = this;
    while (i->FParent)
        i = i->FParent;
    return i->FMenu;
}

void TMenuItem::Changed(bool Structure)
{
    if (HasState(csDestroying))
        return;
    if (TMenu* m = GetParentMenu())
        m->MenuChanged(this, Structure);
}

void TMenuItem::SetCaption(const std::string& Value)
{
    if (FCaption == Value)
        return;
    bool structure = (FCaption == "-") != (Value == "-");
    FCaption = Value;
    Changed(structure);
}

void TMenuItem::UncheckGroupSiblings()
{
    if (!FChecked || !FRadioItem || !FParent)
        return;
    // Each change is told to the menu, whose handler may free items, this one or the parent.
    TGuardPtr<TMenuItem> self(this);
    TMenuItem* parent = FParent;
    for (TGuardPtr<TMenuItem>& sib : GuardedCopy<TMenuItem>(FParent->FItems)) {
        if (!self || FParent != parent)
            return;
        if (sib && sib.Get() != this && sib->FParent == parent && sib->FRadioItem && sib->FGroupIndex == FGroupIndex &&
            sib->FChecked) {
            sib->FChecked = false;
            sib->Changed(false);
        }
    }
}

void TMenuItem::SetChecked(bool Value)
{
    if (FChecked == Value)
        return;
    FChecked = Value;
    UncheckGroupSiblings();
    Changed(false);
}

// Radio items and their groups are part of how the toolkit shows the menu, hence a rebuild.
void TMenuItem::SetRadioItem(bool Value)
{
    if (FRadioItem == Value)
        return;
    FRadioItem = Value;
    UncheckGroupSiblings();
    Changed(true);
}

void TMenuItem::SetGroupIndex(Byte Value)
{
    if (FGroupIndex == Value)
        return;
    FGroupIndex = Value;
    UncheckGroupSiblings();
    Changed(true);
}

void TMenuItem::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    Changed(false);
}

void TMenuItem::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    Changed(false);
}

void TMenuItem::SetBreak(TMenuBreak Value)
{
    if (FBreak == Value)
        return;
    FBreak = Value;
    Changed(true);
}

void TMenuItem::SetShortCut(TShortCut Value)
{
    if (FShortCut == Value)
        return;
    FShortCut = Value;
    Changed(false);
}

TMenuItem* TMenuItem::FindShortCut(TShortCut Value)
{
    if (!Value)
        return nullptr;
    for (TMenuItem* i : FItems) {
        if (i->FShortCut == Value && i->FEnabled && i->FVisible)
            return i;
        if (TMenuItem* r = i->FindShortCut(Value))
            return r;
    }
    return nullptr;
}

void TMenuItem::Click()
{
    if (!FEnabled)
        return;
    if (AutoCheck)
        SetChecked(!FChecked);
    if (OnClick)
        OnClick(this);
}

// ---- TMenu ----------------------------------------------------------------------------------------
TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(this))
{
    FItems->FMenu = this;
    LiveMenus().push_back(this);
}

TMenu::~TMenu()
{
    auto& live = LiveMenus();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    Destroying();
    auto it = Views().find(this);
    if (it != Views().end()) {
        if (it->second.bar)
            delete it->second.bar.data();
        Views().erase(it);
    }
    ForgetQt(FItems);
}

bool TMenu::IsShortCut(Word Key, TShiftState Shift)
{
    TMenuItem* item = FItems->FindShortCut(::ShortCut(Key, Shift));
    if (!item)
        return false;
    // The parents open first, as when the user walks to the item.
    std::vector<TMenuItem*> chain;
    for (TMenuItem* p = item->Parent(); p && p != FItems; p = p->Parent())
        chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        (*it)->Click();
    item->Click();
    return true;
}

namespace {
TMenuItem* FindIn(TMenuItem* item, std::uintptr_t value, TFindItemKind kind)
{
    bool hit = false;
    switch (kind) {
    case fkCommand: hit = item->Command() == value; break;
    case fkHandle: hit = reinterpret_cast<std::uintptr_t>(item->Handle()) == value; break;
    case fkShortCut: hit = item->ShortCut() != 0 && item->ShortCut() == value; break;
    }
    if (hit)
        return item;
    for (int i = 0; i < item->Count(); ++i)
        if (TMenuItem* found = FindIn(item->Items(i), value, kind))
            return found;
    return nullptr;
}
}  // namespace

TMenuItem* TMenu::FindItem(std::uintptr_t Value, TFindItemKind Kind) const
{
    // The root's own command is never handed to a window.
    if (Kind == fkCommand && Value == FItems->Command())
        return nullptr;
    return FindIn(FItems, Value, Kind);
}

bool TMenu::DispatchCommand(Word ACommand)
{
    TMenuItem* item = FindItem(ACommand, fkCommand);
    if (!item)
        return false;
    item->Click();
    return true;
}

bool TMenu::DispatchPopup(HMENU AMenu)
{
    TMenuItem* item = FindItem(reinterpret_cast<std::uintptr_t>(AMenu), fkHandle);
    if (!item)
        return false;
    item->Click();
    return true;
}

bool DispatchMenuCommand(Word ACommand)
{
    for (TMenu* m : std::vector<TMenu*>(LiveMenus()))
        if (std::find(LiveMenus().begin(), LiveMenus().end(), m) != LiveMenus().end() && m->DispatchCommand(ACommand))
            return true;
    return false;
}

bool DispatchMenuPopup(HMENU AMenu)
{
    for (TMenu* m : std::vector<TMenu*>(LiveMenus()))
        if (std::find(LiveMenus().begin(), LiveMenus().end(), m) != LiveMenus().end() && m->DispatchPopup(AMenu))
            return true;
    return false;
}

void MenuSelectHint(TMenu* Menu, const TMessage& Message)
{
    const Word id = LOWORD(Message.WParam), flags = HIWORD(Message.WParam);
    TMenuItem* item = nullptr;
    if (flags != 0xFFFF || Message.LParam != 0) {
        if (flags & MF_POPUP) {
            auto* parent = reinterpret_cast<TMenuItem*>(Message.LParam);
            if (Menu)
                parent = Menu->FindItem(std::uintptr_t(Message.LParam), fkHandle);
            else if (!ItemAlive(parent))
                parent = nullptr;
            if (parent && id < parent->Count())
                item = parent->Items(id);
        } else if (Menu) {
            item = Menu->FindItem(id, fkCommand);
        } else if (const auto it = LiveItems().find(id); it != LiveItems().end()) {
            item = it->second;
        }
    }
    const std::string hint = item ? item->Hint : std::string();
    const std::string::size_type bar = hint.find('|');
    Application->SetHint(bar == std::string::npos ? hint : hint.substr(bar + 1));
}

void TMenu::MenuChanged(TMenuItem* Item, bool Structure)
{
    (void)Structure;
    if (auto* a = static_cast<QAction*>(Item->FQtObject)) {
        if (!Item->IsLine())
            ApplyState(Item, a);
        else
            a->setVisible(Item->Visible());
    }
}

TMainMenu::~TMainMenu() = default;

void TMainMenu::MenuChanged(TMenuItem* Item, bool Structure)
{
    auto it = Views().find(this);
    if (it == Views().end() || !it->second.bar)
        return;
    if (!Structure) {
        TMenu::MenuChanged(Item, false);
        return;
    }
    // Rebuilt later, so that a menu open right now is not pulled away under the user.
    if (!it->second.rebuildPosted) {
        it->second.rebuildPosted = true;
        TMenu* self = this;
        Post([self] {
            auto v = Views().find(self);
            if (v == Views().end())
                return;
            v->second.rebuildPosted = false;
            RebuildBar(self);
        });
    }
}

void TPopupMenu::Popup(int X, int Y)
{
    // OnPopup may free the menu (its owner form going with it): nothing is shown then.
    TGuardPtr<TPopupMenu> self(this);
    if (OnPopup)
        OnPopup(this);
    if (!self)
        return;
    int answer = 0;
    if (CallModalHook(this, answer))
        return;
    EnsureToolkit();
    QMenu* m = BuildPopup(this);
    TellHighlights(m, [] { return HWND(nullptr); });
    const Word root = FItems->Command();
    m->exec(QPoint(X, Y));
    // A handler may have freed the menu while it was shown.
    const auto it = LiveItems().find(root);
    if (it != LiveItems().end() && it->second == FItems)
        ForgetQt(FItems);
    delete m;
    TellClosed(nullptr);
    RaiseShielded();
}

// ---- The menu bar's room ----------------------------------------------------------------------------
int MenuBarWidth(TMainMenu* Menu)
{
    if (!Menu)
        return 0;
    auto* bar = static_cast<QMenuBar*>(MenuBarWidget(Menu));
    // Laid out on a bar of the same font and style wide enough for all: the right end of the last
    // item and the bar's margin after it.
    QMenuBar probe;
    probe.setNativeMenuBar(false);
    probe.setFont(bar->font());
    probe.addActions(bar->actions());
    probe.resize(QWIDGETSIZE_MAX / 2, bar->height());
    int right = 0;
    for (QAction* a : probe.actions())
        if (a->isVisible())
            right = std::max(right, probe.actionGeometry(a).right() + 1);
    const int margin = probe.style()->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, &probe) +
                       probe.style()->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, &probe);
    return right > 0 ? right + margin : 0;
}

bool MenuBarItemShown(TMenuItem* Item)
{
    auto* mm = Item ? dynamic_cast<TMainMenu*>(Item->GetParentMenu()) : nullptr;
    if (!mm || Item->Parent() != mm->Items())
        return false;
    auto it = Views().find(mm);
    auto* a = static_cast<QAction*>(Item->FQtObject);
    if (it == Views().end() || !it->second.bar || !a || !a->isVisible())
        return false;
    QMenuBar* bar = it->second.bar;
    const QRect r = bar->actionGeometry(a);
    return r.isValid() && r.right() < bar->width();
}

// ---- Opening menus from code ----------------------------------------------------------------------
void ShowSubMenu(TMenuItem* Item)
{
    if (!Item)
        return;
    TMenu* menu = Item->GetParentMenu();
    if (auto* mm = dynamic_cast<TMainMenu*>(menu))
        MenuBarWidget(mm);
    auto* a = static_cast<QAction*>(Item->FQtObject);
    if (!a || !a->menu()) {
        Item->Click();
        return;
    }
    QMenu* m = a->menu();
    OpenMenus().push_back(m);
    // Where the user would see it: under its item on a shown menu bar, beside its item in an open
    // menu; elsewhere at the screen's corner.
    for (QObject* o : a->associatedObjects()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || !w->isVisible())
            continue;
        if (auto* bar = qobject_cast<QMenuBar*>(w)) {
            m->popup(bar->mapToGlobal(bar->actionGeometry(a).bottomLeft()));
            return;
        }
        if (auto* parentMenu = qobject_cast<QMenu*>(w); parentMenu && parentMenu != m) {
            m->popup(parentMenu->mapToGlobal(parentMenu->actionGeometry(a).topRight()));
            return;
        }
    }
    m->popup(QPoint(0, 0));
}

void CloseMenus()
{
    LeaveBar();
    for (auto& m : OpenMenus())
        if (m)
            m->hide();
    OpenMenus().clear();
}

bool MenuShown() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }

void TriggerMenuItem(TMenuItem* Item)
{
    if (!Item)
        return;
    if (auto* mm = dynamic_cast<TMainMenu*>(Item->GetParentMenu()))
        MenuBarWidget(mm);
    if (auto* a = static_cast<QAction*>(Item->FQtObject); a && !a->menu()) {
        if (a->isEnabled())
            a->trigger();
        return;
    }
    Item->Click();
}

BOOL TrackPopupMenu(HMENU h, UINT flags, int x, int y, int, HWND wnd, const RECT*)
{
    auto* root = reinterpret_cast<TMenuItem*>(h);
    if (!ItemAlive(root) || root->Count() == 0)
        return FALSE;
    EnsureToolkit();
    LeaveMenuBar();
    HWND owner = wnd && IsWindow(wnd) ? wnd : nullptr;
    if (owner) {
        SendMessage(owner, WM_ENTERMENULOOP, TRUE, 0);
        // The owner prepares the menu before it is built: its handlers may change the items.
        SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(h), 0);
    }
    auto endLoop = [owner] {
        TellClosed(owner);
        if (owner && IsWindow(owner))
            SendMessage(owner, WM_EXITMENULOOP, TRUE, 0);
    };
    if (!ItemAlive(root) || root->Count() == 0) {
        endLoop();
        return FALSE;
    }
    HintMenu m;
    BuildInto(root, &m);
    TellHighlights(&m, [owner] { return owner; });
    QSize size = m.sizeHint();
    QPoint at(x, y);
    if (flags & TPM_RIGHTALIGN)
        at.rx() -= size.width();
    else if (flags & TPM_CENTERALIGN)
        at.rx() -= size.width() / 2;
    if (flags & TPM_BOTTOMALIGN)
        at.ry() -= size.height();
    else if (flags & TPM_VCENTERALIGN)
        at.ry() -= size.height() / 2;
    bool asking = flags & TPM_RETURNCMD;
    const Word rootCommand = root->Command();
    std::map<QAction*, Word> commands;
    const std::function<void(TMenuItem*)> collect = [&](TMenuItem* parent) {
        for (int i = 0; i < parent->Count(); ++i) {
            TMenuItem* it = parent->Items(i);
            if (auto* a = static_cast<QAction*>(it->FQtObject))
                commands[a] = it->Command();
            collect(it);
        }
    };
    collect(root);
    // With an owner the choice goes to it as WM_COMMAND; without one the item runs as chosen.
    bool wasAsking = std::exchange(gOnlyAsking, asking || owner);
    HWND outerOwner = std::exchange(gTrackOwner, owner);
    QAction* chosen = m.exec(at);
    gTrackOwner = outerOwner;
    gOnlyAsking = wasAsking;
    // The chosen entry's command, known even when its item freed itself as it ran.
    const auto found = commands.find(chosen);
    const Word command = chosen && found != commands.end() ? found->second : 0;
    // A handler may have freed the menu while it was shown.
    const auto live = LiveItems().find(rootCommand);
    if (live != LiveItems().end() && live->second == root)
        ForgetQt(root);
    endLoop();
    RaiseShielded();
    if (asking)
        return BOOL(command);
    // Sent rather than posted, so that the item has run when the call returns, as it does without
    // an owner.
    if (command && owner && !(flags & TPM_NONOTIFY) && IsWindow(owner))
        SendMessage(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return command != 0;
}
