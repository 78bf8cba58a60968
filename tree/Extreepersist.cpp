// What the tree keeps outside itself and what the header's sections drive: settings in a store,
// copying another tree, the plain-text export, header-click sorting, the column look-up and the
// vertical bar's track hint.
#include <cstdlib>
#include <memory>
#include <string>

#include "ctlbase/Exini.h"
#include "ctlbase/Exlist.h"
#include "ctlbase/Exstrutils.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/Guard.h"
#include "platform/Windows.h"
#include "tree/Extreectl.h"
#include "tree/Extreeview.h"

namespace {

// The tree's key: below the owner form's name when it has one, so two forms keep apart.
std::string SettingsPath(const TCustomExTree* Tree, const TExIniFile* Store)
{
    const std::string d(1, Store->Delimiter());
    const auto* form = dynamic_cast<const TCustomForm*>(Tree->Owner());
    if (form && !form->Name().empty()) return d + form->Name() + d + Tree->StoragePath();
    return d + Tree->StoragePath();
}

// Puts the store back on the key it was on, also when a read or write raises.
class TKeyKeeper {
public:
    explicit TKeyKeeper(TExIniFile* Store) : FStore(Store), FKey(Store->CurrentKey()) {}
    ~TKeyKeeper() { FStore->OpenKey(FKey, false); }
    TKeyKeeper(const TKeyKeeper&) = delete;
    TKeyKeeper& operator=(const TKeyKeeper&) = delete;

private:
    TExIniFile* FStore;
    std::string FKey;
};

// Point sizes a font can take; a damaged file's 0 or two billion would make a font no row can show.
constexpr Integer MaxFontSize = 1638;

bool UsableFontSize(Integer Size) { return Size != 0 && std::abs(static_cast<Int64>(Size)) <= MaxFontSize; }

void ApplyStyle(TFontStyles& Styles, TFontStyle Style, bool On)
{
    if (On)
        Styles |= FontStyle(Style);
    else
        Styles &= ~FontStyle(Style);
}

}  // namespace

void TCustomExTree::Save()
{
    TExIniFile* store = FStorage;
    if (!store) return;
    const std::string path = SettingsPath(this, store);
    FHeader->SetStorage(store);
    FHeader->SetStoragePath(path);
    FHeader->Save();
    TKeyKeeper keep(store);
    if (!store->OpenKey(path, true)) return;
    TFont* font = Font();
    store->WriteInteger("", "FontSize", font->Size());
    store->WriteInteger("", "FontColor", static_cast<Integer>(font->Color()));
    store->WriteString("", "FontName", font->Name());
    store->WriteBool("", "FontBold", (font->Style() & FontStyle(fsBold)) != 0);
    store->WriteBool("", "FontItalic", (font->Style() & FontStyle(fsItalic)) != 0);
    store->WriteBool("", "FontUnderline", (font->Style() & FontStyle(fsUnderline)) != 0);
    store->WriteBool("", "FontStrikeout", (font->Style() & FontStyle(fsStrikeOut)) != 0);
    store->WriteInteger("", "SortType", FSortType);
    store->WriteInteger("", "SortMode", SortMode());
    store->WriteInteger("", "SortDir", FSortDir);
    store->WriteInteger("", "SortSection", SortSection());
}

void TCustomExTree::Restore()
{
    TExIniFile* store = FStorage;
    if (!store) return;
    TGuardPtr<TCustomExTree> self(this);
    TExUpdateGuard bracket(FModel.get());
    const std::string path = SettingsPath(this, store);
    FHeader->SetStorage(store);
    FHeader->SetStoragePath(path);
    FHeader->Restore();
    if (!self) {
        bracket.Forget();
        return;
    }
    {
        TKeyKeeper keep(store);
        if (store->OpenKey(path, false)) {
            // The font is changed once, so the rows are measured once.
            TFont font;
            font.Assign(Font());
            Integer size = 0;
            store->ReadInteger("", "FontSize", font.Size(), size);
            if (UsableFontSize(size) && size != font.Size()) font.SetSize(size);
            Integer color = 0;
            store->ReadInteger("", "FontColor", static_cast<Integer>(font.Color()), color);
            font.SetColor(static_cast<TColor>(color));
            std::string name;
            store->ReadString("", "FontName", font.Name(), name);
            if (!name.empty()) font.SetName(name);
            TFontStyles styles = font.Style();
            const std::pair<const char*, TFontStyle> flags[] = {
                {"FontBold", fsBold}, {"FontItalic", fsItalic}, {"FontUnderline", fsUnderline},
                {"FontStrikeout", fsStrikeOut}};
            for (const auto& [key, style] : flags) {
                bool on = false;
                store->ReadBool("", key, (styles & FontStyle(style)) != 0, on);
                ApplyStyle(styles, style, on);
            }
            font.SetStyle(styles);
            Font()->Assign(&font);
            if (!self) {
                bracket.Forget();
                return;
            }

            // Stored straight, without re-sorting; a value out of range (a damaged or foreign file)
            // keeps the tree's own, as a missing one does.
            Integer value = 0;
            store->ReadInteger("", "SortType", FSortType, value);
            if (value >= stCustom && value <= stCurrency) FSortType = TSortTypes(value);
            store->ReadInteger("", "SortMode", SortMode(), value);
            if (value >= smNone && value <= smAddClick) FModel->SortMode = TSortModes(value);
            store->ReadInteger("", "SortDir", FSortDir, value);
            if (value >= sdAscend && value <= sdDescend) FSortDir = TSortDirs(value);
            store->ReadInteger("", "SortSection", SortSection(), value);
            if (value == -1 || value == MainTreeColumn() || (value >= 0 && FHeader->Sections()->FindSection(value)))
                FModel->SortSection = value;
        }
    }
    bracket.Done();
}

void TCustomExTree::Assign(TPersistent* Source)
{
    auto* src = dynamic_cast<TCustomExTree*>(Source);
    if (!src) {
        TExXPThemedControl::Assign(Source);
        return;
    }
    if (src == this) return;
    TGuardPtr<TCustomExTree> self(this);
    TExUpdateGuard bracket(FModel.get());
    Items()->Assign(src->Items());
    if (!self) {
        bracket.Forget();
        return;
    }
    FLinesStyle = src->FLinesStyle;
    FLinesColor = src->FLinesColor;
    FModel->DeselectChildrenOnCollapse = src->DeselectChildrenOnCollapse();
    FDrawFocusRect = src->FDrawFocusRect;
    FBarStyle = src->FBarStyle;
    FAlwaysKeepSelection = src->FAlwaysKeepSelection;
    FFullRowSelect = src->FFullRowSelect;
    // Through the setter: a copy that takes system drops needs its own drop target.
    SetDragType(src->FDragType);
    FAutoLookup = src->FAutoLookup;
    FSelectColumn = src->FSelectColumn;
    FModel->AutoExpand = src->AutoExpand();
    FPlusPicture->Assign(src->FPlusPicture.get());
    FMinusPicture->Assign(src->FMinusPicture.get());
    FLeafPicture->Assign(src->FLeafPicture.get());
    FCustomPlusMinus = src->FCustomPlusMinus;
    FModel->ShowCheckboxes = src->ShowCheckboxes();
    FShowLeafButton = src->FShowLeafButton;
    FHideHorzScrollBar = src->FHideHorzScrollBar;
    FHideVertScrollBar = src->FHideVertScrollBar;
    FBkColor = src->FBkColor;
    FTextColor = src->FTextColor;
    FModel->ShowButtons = src->ShowButtons();
    FModel->ShowLines = src->ShowLines();
    FModel->ShowImages = src->ShowImages();
    FShowRoot = src->FShowRoot;
    FLineHintMode = src->FLineHintMode;
    SetShowHeader(src->ShowColumns());
    // The window's frame follows the style only when it is made again.
    SetBorderStyle(src->FBorderStyle);
    FDoInplaceEdit = src->FDoInplaceEdit;
    FHorizontalLines = src->FHorizontalLines;
    FVerticalLines = src->FVerticalLines;
    FScrollTracking = src->FScrollTracking;
    FTracking = src->FTracking;
    SetHeaderHotTrack(src->HeaderHotTrack());
    FOwnerDrawByColumn = src->FOwnerDrawByColumn;
    FOwnerDrawMask = src->FOwnerDrawMask;
    FDragTrgDrawMode = src->FDragTrgDrawMode;
    SetVPosition(src->TopIndex());
    FAutoLineHeight = src->FAutoLineHeight;
    FModel->LineHeight = src->LineHeight();
    // Through the setter: the store must tell this tree too when it goes.
    SetStorage(src->FStorage);
    FStoragePath = src->FStoragePath;
    // Images, check boxes and the line height change what every row measures.
    FModel->InvalidateHeights();
    TExTreeRefresh& w = RefreshFlags();
    w.UpdatePending = w.HRangeStale = w.TopIndexChanged = w.ViewChanged = w.VisCountChanged = true;
    bracket.Done();
}

void TCustomExTree::SaveStringsToStream(TStream* Stream)
{
    TExTreeItemList& all = FModel->AllItems();
    TGatheredWrites gathered(Stream);
    std::string line;
    for (Integer i = 0; i < all.Count(); ++i) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
        const Integer indent = item->Level() - 1;
        line.assign(indent > 0 ? size_t(indent) : 0, ' ');
        line += item->Text();
        line += "\r\n";
        Stream->WriteBuffer(line.data(), static_cast<Int64>(line.size()));
    }
    gathered.Finish();
}

Integer TCustomExTree::PruneSortSections()
{
    if (!FSortSections) return 0;
    Integer dropped = 0;
    // Compared, never read: an entry may be a section that is already freed.
    for (Integer i = FSortSections->Count() - 1; i >= 0; --i) {
        if (FHeader->Sections()->IndexOf(static_cast<const TExHeaderSection*>(FSortSections->FastGet(i))) >= 0)
            continue;
        FSortSections->Delete(i);
        ++dropped;
    }
    return dropped;
}

void TCustomExTree::OnHeaderSectionClick(TObject*, TExHeaderSection* Section)
{
    if (IsDestroying() || !FView) return;
    const Integer index = Section->GetIndex();
    TGuardPtr<TCustomExTree> self(this);
    if (SortMode() == smClick || SortMode() == smAddClick) {
        TExUpdateGuard bracket(FModel.get());
        if (GetKeyState(VK_CONTROL) < 0) {
            if (!FSortSections) FSortSections = std::make_unique<TExList>();
            switch (Section->SortMode()) {
            case hsmNone:
                Section->SetSortMode(hsmAscend);
                AddSortSection(index, false);
                break;
            case hsmAscend:
                Section->SetSortMode(hsmDescend);
                if (FSortSections->IndexOf(Section) < 0) AddSortSection(index, false);
                break;
            case hsmDescend:
                Section->SetSortMode(hsmNone);
                RemoveSortSection(index, false);
                break;
            }
        } else {
            // With the marks off, marking this section clears the marks of all others.
            FHeader->MultiSortMarks = false;
            ClearSortList(false);
            SetSortSection(index);
            if (Section->SortMode() == hsmNone) Section->SetSortMode(FSortDir == sdDescend ? hsmAscend : hsmDescend);
            Section->SetSortMode(Section->SortMode() == hsmAscend ? hsmDescend : hsmAscend);
            FSortType = SectionTypeToSortType(Section->FieldType());
            FHeader->MultiSortMarks = true;
        }
        Sort(true);
        if (!self) {
            bracket.Forget();
            return;
        }
        TExTreeRefresh& w = RefreshFlags();
        w.UpdatePending = w.RowsChanged = w.VisCountChanged = true;
        bracket.Done();
        if (!self) return;
    }
    DoColumnClick(index);
}

namespace {

// An item's text in a header column: the main text in the main column, else its column text.
std::string ColumnTextOf(TCustomExTree* Tree, TExTreeItem* Item, Integer Section)
{
    std::string text;
    if (Tree->Model()->IsVirtual()) {
        Tree->TriggerVirtualTextNeeded(Item, Section, text);
        return text;
    }
    if (Section == Tree->MainTreeColumn()) return Item->Text();
    const Integer column = Section > Tree->MainTreeColumn() ? Section - 1 : Section;
    TStringList* texts = Item->ColumnText();
    return texts && column >= 0 && column < texts->Count() ? texts->Get(column) : std::string();
}

}  // namespace

void TCustomExTree::OnHeaderSectionLookup(TObject*, TExHeaderSection* Section, std::string& Text)
{
    if (IsDestroying() || !FView) return;
    TGuardPtr<TCustomExTree> self(this);
    TriggerHeaderLookupEvent(Section, Text);
    if (!self || !FAutoLookup) return;
    const std::string wanted = AnsiUpperCase(Text);
    const Integer column = Section->GetIndex();
    // Virtual texts and the expansion come from handlers, which may delete items (they wait until
    // the look-up is done) or free the tree.
    TExTreeModel* model = FModel.get();
    TExTreeOperation op(model);
    op.HoldAll();
    TExTreeItemList& all = model->AllItems();
    for (Integer i = 0; i < all.Count(); ++i) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
        const std::string text = ColumnTextOf(this, item, column);
        if (!self) return;
        if (AnsiUpperCase(text).compare(0, wanted.size(), wanted) != 0) continue;
        EnsureVisible(item);
        if (self) model->SetFocused(item);
        return;
    }
}

void TCustomExTree::OnHeaderSectionLookupDone(TObject*, TExHeaderSection* Section, const std::string& Text,
                                              bool Accepted)
{
    if (IsDestroying() || !FView) return;
    TriggerHeaderLookupDoneEvent(Section, Text, Accepted);
}

void TCustomExTree::VertScrollHintNeededHandler(TObject*, Integer TrackPosition, std::string& Hint)
{
    if (IsDestroying() || !FView) return;
    TGuardPtr<TCustomExTree> self(this);
    if (OnVertScrollHintNeeded) OnVertScrollHintNeeded(this, TrackPosition, Hint);
    // The bar's track position can lie one past the last row: no item there, no hint.
    if (!self || !Hint.empty() || SortSection() == -1) return;
    if (TExTreeItem* item = FView->VisItem(TrackPosition)) Hint = ColumnTextOf(this, item, SortSection());
}
