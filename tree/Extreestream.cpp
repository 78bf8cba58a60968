// The item stream: one record per item, the hidden root's first, each followed by its children's.
// The newest layout is written; every older one is read. A stream comes from outside (a file, a
// form), so the reader checks what it takes: counts, lengths, enumerations, option bits and the
// nesting depth. The collection reads into the tree itself, where the handlers of the reading see
// each item in its place, with the items there before set aside: they come back when the stream
// cannot be read whole, and go when it could.
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Filer.h"
#include "tree/Excellstyle.h"
#include "tree/Extreectl.h"
#include "tree/Extreeitems.h"
#include "tree/Extreeres.h"

using namespace extree;

namespace {

constexpr Integer NewestVersion = -11;
constexpr Integer FixedSize = 128;
constexpr Integer StyleRecordSize = 36;
// Deeper trees are refused both ways: the tree's own walks and paints follow the nesting.
constexpr Integer MaxDepth = 1024;
// Option bits a stream may carry. Marks of a running deletion or sort belong to the moment of
// writing, not to the item.
constexpr Cardinal KnownOptions = 0x3FFFFF;
constexpr Cardinal PassingOptions = ioDeleting | ioNestedSort;

const char* const StreamEndsEarly = "ExTree item stream ends early";
const char* const StreamDamaged = "ExTree item stream is damaged: %s";
const char* const TooDeep = "ExTree items nested deeper than %d levels";
const char* const StreamBusy = "ExTree items cannot be read while they are read or written";
const char* const SaveStopped = "ExTree items not saved: a handler freed the tree";

[[noreturn]] void Damaged(const std::string& Reason) { throw EExTreeError(Format(StreamDamaged, Reason.c_str())); }

void PutInt(Byte* At, Integer Value)
{
    const auto v = static_cast<std::uint32_t>(Value);
    for (int i = 0; i < 4; ++i) At[i] = static_cast<Byte>(v >> (8 * i));
}

Integer GetInt(const Byte* At)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(At[i]) << (8 * i);
    return static_cast<Integer>(v);
}

Word GetWord(const Byte* At) { return static_cast<Word>(At[0] | (At[1] << 8)); }

void WriteInt(TStream* Stream, Integer Value)
{
    Byte b[4];
    PutInt(b, Value);
    Stream->WriteBuffer(b, 4);
}

void WriteByte(TStream* Stream, Byte Value) { Stream->WriteBuffer(&Value, 1); }

void WriteText(TStream* Stream, const std::string& Text)
{
    if (Text.size() > 0x7FFFFFFFu) throw EExTreeError(Format(StreamDamaged, "a text longer than 2 GB"));
    WriteInt(Stream, static_cast<Integer>(Text.size()));
    if (!Text.empty()) Stream->WriteBuffer(Text.data(), static_cast<Int64>(Text.size()));
}

// The deepest level below Item (Item's children are level 1).
Integer BranchDepth(TExTreeItem* Item)
{
    Integer deepest = 0;
    std::vector<std::pair<TExTreeItem*, Integer>> stack{{Item, 0}};
    while (!stack.empty()) {
        auto [item, level] = stack.back();
        stack.pop_back();
        if (level > deepest) deepest = level;
        for (Integer i = 0; i < item->Count(); ++i) stack.emplace_back(item->Items(i), level + 1);
    }
    return deepest;
}

}  // namespace

// A handler of the stream freed the control: the stream cannot go on (only the control's handlers
// can read or write the application's data).
struct TStreamStopped {};

// Reads and writes records.
class TExItemStream {
public:
    TExItemStream(TExTreeItems* Items, TStream* Stream)
        : FItems(Items), FModel(Items->Tree()), FStream(Stream), FTree(TCustomExTree::TreeOf(Items->Root()))
    {
    }

    // False when a handler freed the control half-way.
    bool Write(TExTreeItem* Top)
    {
        if (BranchDepth(Top) > MaxDepth) throw EExTreeError(Format(TooDeep, MaxDepth));
        TExTreeOperation op(FModel);
        op.HoldAll();
        // The records' fields, and the handlers' bytes between them, reach the stream in blocks.
        TGatheredWrites gathered(FStream);
        try {
            // Pre-order: each record ends with its child count, so its children simply follow it.
            std::vector<TExTreeItem*> stack{Top};
            while (!stack.empty()) {
                TExTreeItem* item = stack.back();
                stack.pop_back();
                WriteRecord(item);
                for (Integer i = item->Count() - 1; i >= 0; --i) stack.push_back(item->Items(i));
            }
        } catch (const TStreamStopped&) {
            return false;
        }
        gathered.Finish();
        return true;
    }

    // Reads Top's record and the records of all items below it; the children are made with the
    // collection's AddItem. With Head, Top's own record is read into Head first and handed to Top
    // by Apply before the handlers hear of it. False when a handler freed the control half-way.
    template <class TApply>
    bool Read(TExTreeItem* Top, TExTreeItem* Head, TApply Apply)
    {
        try {
            ReadBranch(Top, Head, Apply);
        } catch (const TStreamStopped&) {
            return false;
        }
        return true;
    }
    bool Read(TExTreeItem* Top)
    {
        return Read(Top, nullptr, [] {});
    }

private:
    template <class TApply>
    void ReadBranch(TExTreeItem* Top, TExTreeItem* Head, TApply Apply)
    {
        struct TFrame {
            TExTreeItem* Item;
            Integer Left;
        };
        std::vector<TFrame> stack;
        Integer children;
        if (Head) {
            ReadRecordBody(Head);
            Apply();
            children = RecordEnd(Top);
        } else {
            children = ReadRecord(Top);
        }
        stack.push_back({Top, children});
        while (!stack.empty()) {
            TFrame& top = stack.back();
            if (top.Left == 0) {
                stack.pop_back();
                continue;
            }
            --top.Left;
            if (static_cast<Integer>(stack.size()) > MaxDepth) Damaged(Format("nesting deeper than %d levels", MaxDepth));
            TExTreeItem* child = FItems->AddItem(top.Item);
            const Integer count = ReadRecord(child);
            stack.push_back({child, count});
        }
    }

    // After each handler: the control may have gone.
    void Raised()
    {
        if (!FModel->Host()) throw TStreamStopped{};
    }

    // ---------------------------------------------------------------- writing

    void WriteRecord(TExTreeItem* Item)
    {
        TExTreeItemStaticData* data = Item->FStaticData.get();
        const bool statics = data && !FModel->IsVirtual();
        WriteInt(FStream, NewestVersion);
        WriteText(FStream, statics ? data->Text : std::string());
        Byte fixed[FixedSize] = {};
        fixed[0] = static_cast<Byte>(Item->FState);
        fixed[1] = static_cast<Byte>(Item->FState >> 8);
        PutInt(fixed + 4, Item->FImageIndex);
        PutInt(fixed + 8, Item->FStImageIndex);
        PutInt(fixed + 12, Item->FImageIndex2);
        PutInt(fixed + 16, Item->FStImageIndex2);
        PutInt(fixed + 20, static_cast<Integer>(Item->FOptions & ~PassingOptions));
        PutInt(fixed + 28, static_cast<Integer>(Item->FColor));
        PutInt(fixed + 32, static_cast<Integer>(Item->FRowBkColor));
        PutInt(fixed + 36, static_cast<Integer>(Item->FBkColor));
        fixed[40] = static_cast<Byte>(Item->FCheckBoxState);
        fixed[41] = static_cast<Byte>(Item->FCheckBoxType);
        PutInt(fixed + 44, Item->FHeight & 0xFFFF);
        fixed[48] = static_cast<Byte>(Item->FBorderStyle);
        PutInt(fixed + 52, Item->FIndentAdjust);
        PutInt(fixed + 56, static_cast<Integer>(Item->FStrikedLineColor));
        PutInt(fixed + 60, Item->FItemValue);
        FStream->WriteBuffer(fixed, FixedSize);
        WriteInt(FStream, -1);
        WriteText(FStream, statics ? data->Hint : std::string());
        const Integer columns = statics && data->ColumnText ? data->ColumnText->Count() : 0;
        WriteInt(FStream, columns);
        for (Integer i = 0; i < columns; ++i) WriteText(FStream, data->ColumnText->Get(i));
        // Without static data there are no styles, and a reader must not look for them.
        const bool styles = statics && Item->UseStyles();
        WriteByte(FStream, styles ? 1 : 0);
        if (styles) {
            const bool byEvent = FTree && FTree->OnCellStyleSave;
            WriteByte(FStream, byEvent ? 1 : 0);
            WriteStyle(Item, data->MainStyle, byEvent);
            const Integer count = Item->StylesCount();
            WriteInt(FStream, count);
            for (Integer i = 0; i < count; ++i) WriteStyle(Item, Item->Styles(i), byEvent);
        }
        if (FTree) {
            FTree->TriggerItemSaveEvent(FStream, Item);
            Raised();
        }
        WriteInt(FStream, Item->Count());
    }

    void WriteStyle(TExTreeItem* Item, TExCellStyle* Style, bool ByEvent)
    {
        Byte record[StyleRecordSize] = {};
        if (ByEvent) {
            TExTreeModel::TRaise raise(FModel);
            FTree->OnCellStyleSave(Item, FStream, Style);
            Raised();
        } else {
            PutInt(record + 0, static_cast<Integer>(Style->CellBkColor()));
            PutInt(record + 4, static_cast<Integer>(Style->TextBkColor()));
            PutInt(record + 8, static_cast<Integer>(Style->TextColor()));
            PutInt(record + 12, Style->TextFlags());
            record[20] = static_cast<Byte>(Style->CellType());
            record[21] = static_cast<Byte>(Style->Style());
            record[22] = Style->OwnerColors() ? 1 : 0;
            PutInt(record + 24, Style->FontSize());
            record[28] = static_cast<Byte>(Style->FontStyles() & 0x0F);
            PutInt(record + 32, Style->StyleValue());
        }
        FStream->WriteBuffer(record, StyleRecordSize);
        WriteText(FStream, Style->FontName());
    }

    // ---------------------------------------------------------------- reading

    Integer ReadInt()
    {
        Byte b[4];
        FStream->ReadBuffer(b, 4);
        return GetInt(b);
    }

    Byte ReadByte()
    {
        Byte b;
        FStream->ReadBuffer(&b, 1);
        return b;
    }

    // A text of Length bytes; a length beyond the end of the stream is refused before anything is
    // taken for it.
    std::string ReadText(Integer Length)
    {
        if (Length <= 0) return {};
        if (Length > FStream->Size() - FStream->Position()) throw EReadError(SysMsg::ReadError);
        std::string text(static_cast<size_t>(Length), '\0');
        FStream->ReadBuffer(text.data(), Length);
        return text;
    }

    std::string ReadCountedText() { return ReadText(ReadInt()); }

    Integer ReadCount(const char* What)
    {
        const Integer count = ReadInt();
        if (count < 0) Damaged(Format("%s %d", What, count));
        return count;
    }

    static Byte Checked(Byte Value, Byte Last, const char* What)
    {
        if (Value > Last) Damaged(Format("%s %d", What, Value));
        return Value;
    }

    // One record into Item; gives the number of children that follow.
    Integer ReadRecord(TExTreeItem* Item)
    {
        ReadRecordBody(Item);
        return RecordEnd(Item);
    }

    // The handlers' part of a record (told about Item) and the child count.
    Integer RecordEnd(TExTreeItem* Item)
    {
        if (FTree) {
            FTree->TriggerItemLoadEvent(FStream, Item);
            Raised();
        }
        return ReadCount("child count");
    }

    void ReadRecordBody(TExTreeItem* Item)
    {
        TExTreeItemStaticData* data = Item->FStaticData.get();
        Integer version = ReadInt();
        Integer length;
        if (version < 0) {
            if (version < NewestVersion) version = NewestVersion;
            length = ReadInt();
        } else {
            length = version;
            version = 0;
        }
        std::string text = ReadText(length);
        if (data) data->Text = std::move(text);
        if (version <= -7) ReadFixed(Item, version);
        Integer count = ReadInt();
        if (count == -1) {
            std::string hint = ReadCountedText();
            if (data) data->Hint = std::move(hint);
            count = ReadInt();
        }
        if (count < 0) Damaged(Format("column count %d", count));
        if (count > 0) {
            TStringList* columns = data ? data->ColumnText : nullptr;
            // One change for all the columns of the item.
            if (columns) columns->BeginUpdate();
            try {
                for (Integer i = 0; i < count; ++i) {
                    std::string column = ReadCountedText();
                    if (columns) columns->Add(column);
                }
            } catch (...) {
                if (columns) columns->EndUpdate();
                throw;
            }
            if (columns) columns->EndUpdate();
        }
        if (version < 0) ReadStyles(Item, version);
    }

    // Applies an option word, keeping the tree's hidden and variable-height counts in step for an
    // item that is in the tree (items read outside it are counted when they are put in).
    void SetOptions(TExTreeItem* Item, Cardinal Options)
    {
        const bool counted = Item->IsAttached() && !Item->IsHiddenRoot();
        if (counted) Item->CountSelf(-1);
        const bool html = (Options & ioIsHTML) != 0;
        Item->FOptions = (Options & ~(PassingOptions | ioIsHTML)) | (Item->FOptions & ioIsHTML);
        Item->ResetCachedHeight();
        if (counted) Item->CountSelf(1);
        // Through the setter: the marked-up rendering is prepared and counted there.
        Item->SetIsHTML(html);
    }

    void SetState(TExTreeItem* Item, Word State)
    {
        // Focus and selection are the tree's, not the file's.
        Item->FState = static_cast<Word>(State & 0xFFF9);
    }

    void ReadFixed(TExTreeItem* Item, Integer Version)
    {
        if (Version <= NewestVersion) {
            Byte f[FixedSize];
            FStream->ReadBuffer(f, FixedSize);
            const auto options = static_cast<Cardinal>(GetInt(f + 20));
            if (options & ~KnownOptions) Damaged(Format("option bits %08X", options));
            const Byte checkState = Checked(f[40], cbGrayed, "check box state");
            const Byte checkType = Checked(f[41], ectRadioButton, "check box type");
            const Byte border = Checked(f[48], ibsSunken, "border style");
            SetState(Item, GetWord(f));
            Item->FImageIndex = GetInt(f + 4);
            Item->FStImageIndex = GetInt(f + 8);
            Item->FImageIndex2 = GetInt(f + 12);
            Item->FStImageIndex2 = GetInt(f + 16);
            Item->FColor = static_cast<TColor>(GetInt(f + 28));
            Item->FRowBkColor = static_cast<TColor>(GetInt(f + 32));
            Item->FBkColor = static_cast<TColor>(GetInt(f + 36));
            Item->FCheckBoxState = static_cast<TCheckBoxState>(checkState);
            Item->FCheckBoxType = static_cast<TExCheckBoxType>(checkType);
            Item->FHeight = static_cast<std::int16_t>(GetInt(f + 44) & 0xFFFF);
            Item->FBorderStyle = static_cast<TExItemBorderStyle>(border);
            Item->FIndentAdjust = GetInt(f + 52);
            Item->FStrikedLineColor = static_cast<TColor>(GetInt(f + 56));
            Item->FItemValue = GetInt(f + 60);
            SetOptions(Item, options);
            return;
        }
        // The older records: flags of one byte each, in two arrangements.
        const bool v10 = Version == -10;
        const Integer size = v10 ? 60 : 52;
        Byte f[61];
        FStream->ReadBuffer(f, size + 1);
        const Byte checkState = Checked(f[v10 ? 31 : 27], cbGrayed, "check box state");
        const Byte checkType = Checked(f[v10 ? 33 : 29], ectRadioButton, "check box type");
        SetState(Item, GetWord(f));
        Item->FImageIndex = GetInt(f + 4);
        Item->FStImageIndex = GetInt(f + 8);
        Item->FColor = static_cast<TColor>(GetInt(f + 16));
        Item->FBkColor = static_cast<TColor>(GetInt(f + (v10 ? 24 : 20)));
        if (v10) Item->FRowBkColor = static_cast<TColor>(GetInt(f + 20));
        Item->FCheckBoxState = static_cast<TCheckBoxState>(checkState);
        Item->FCheckBoxType = static_cast<TExCheckBoxType>(checkType);
        if (!v10) {
            Item->FImageIndex2 = GetInt(f + 32);
            Item->FStImageIndex2 = GetInt(f + 36);
        }
        Item->FHeight = static_cast<std::int16_t>(GetInt(f + (v10 ? 52 : 44)) & 0xFFFF);
        Cardinal options = Item->FOptions;
        auto flag = [&](Cardinal Bit, bool On) { options = On ? options | Bit : options & ~Bit; };
        flag(ioForceButtons, GetInt(f + 12) != 0);
        flag(ioParentColors, f[v10 ? 28 : 24] != 0);
        flag(ioParentStyle, f[v10 ? 29 : 25] != 0);
        flag(ioCheckBoxEnabled, f[v10 ? 30 : 26] != 0);
        flag(ioShowCheckBox, f[v10 ? 32 : 28] != 0);
        flag(ioEnabled, f[v10 ? 44 : 40] != 0);
        flag(ioHidden, f[v10 ? 45 : 41] != 0);
        flag(ioMultiline, f[v10 ? 47 : 42] != 0);
        flag(ioOwnerHeight, f[v10 ? 48 : 43] != 0);
        flag(ioSuppressLines, f[v10 ? 56 : 48] != 0);
        flag(ioIsHTML, f[v10 ? 57 : 49] != 0);
        flag(ioUseBkColor, f[size] != 0);
        SetOptions(Item, options);
    }

    void ReadStyles(TExTreeItem* Item, Integer Version)
    {
        const bool on = ReadByte() != 0;
        // A virtual item has no styles of its own: what the stream holds is read and let go.
        const bool statics = Item->FStaticData != nullptr;
        if (statics) Item->SetUseStyles(on);
        if (!on) return;
        const bool byEvent = Version < -1 && Checked(ReadByte(), 1, "styles-by-event flag") == 1;
        std::unique_ptr<TExCellStyle> spare;
        auto target = [&](TExCellStyle* Own) {
            if (Own) return Own;
            spare = std::make_unique<TExCellStyle>(Item);
            return spare.get();
        };
        ReadStyle(Item, target(statics ? Item->MainStyle() : nullptr), byEvent);
        const Integer count = ReadCount("style count");
        for (Integer i = 0; i < count; ++i) ReadStyle(Item, target(statics ? Item->AddStyle() : nullptr), byEvent);
    }

    void ReadStyle(TExTreeItem* Item, TExCellStyle* Style, bool ByEvent)
    {
        if (ByEvent) {
            // What the application wrote, only it can read; without its reader the rest of the
            // stream cannot be found.
            if (!FTree || !FTree->OnCellStyleLoad) Damaged("styles written by an application event, and no OnCellStyleLoad");
            TExTreeModel::TRaise raise(FModel);
            FTree->OnCellStyleLoad(Item, FStream, Style);
            Raised();
            return;
        }
        Byte r[StyleRecordSize];
        FStream->ReadBuffer(r, StyleRecordSize);
        const Byte cellType = Checked(r[20], sftMemo, "cell type");
        const Byte style = Checked(r[21], ExhsPictureOnly, "section style");
        const Byte fontStyles = Checked(r[28], 0x0F, "font styles");
        std::string fontName = ReadCountedText();
        Style->SetCellBkColor(static_cast<TColor>(GetInt(r + 0)));
        Style->SetTextBkColor(static_cast<TColor>(GetInt(r + 4)));
        Style->SetTextColor(static_cast<TColor>(GetInt(r + 8)));
        Style->SetTextFlags(GetInt(r + 12));
        Style->SetCellType(static_cast<TExFieldType>(cellType));
        Style->SetStyle(static_cast<TExSectionStyle>(style));
        Style->SetOwnerColors(r[22] != 0);
        Style->SetFontSize(GetInt(r + 24));
        Style->SetFontStyles(fontStyles);
        Style->SetStyleValue(GetInt(r + 32));
        Style->SetFontName(fontName);
    }

    TExTreeItems* FItems;
    TExTreeModel* FModel;
    TStream* FStream;
    TCustomExTree* FTree;

    friend class TExTreeItems;
};

// ---------------------------------------------------------------- the item

void TExTreeItem::WriteData(TStream* Stream)
{
    // A handler that freed the control cut the branch short: the caller is told, as for the items.
    if (!TExItemStream(FCollection, Stream).Write(this)) throw EExTreeError(SaveStopped);
}

void TExTreeItem::ReadData(TStream* Stream)
{
    TExTreeOperation op(FTree);
    op.HoldAll();
    TExUpdateGuard bracket(FTree);
    if (!TExItemStream(FCollection, Stream).Read(this)) {
        bracket.Forget();
        return;
    }
    Rebuild();
    bracket.Done();
}

// ---------------------------------------------------------------- the collection

void TExTreeItems::WriteData(TStream* Stream)
{
    // The model, and with it this collection, outlive a handler that frees the tree until the
    // write has ended.
    TExTreeOperation op(FTree);
    bool whole;
    {
        TExCountScope streaming(FStreaming);
        // The focus is no part of the stream (its state is the tree's): nothing to take away for it.
        whole = TExItemStream(this, Stream).Write(FRoot);
    }
    if (!whole) throw EExTreeError(SaveStopped);
}

namespace {

// The root's own record, as far as a stream sets it; the bits that count rows stay its own.
void CopyRootRecord(TExTreeItem* To, const TExTreeItem* From)
{
    TExTreeItemStaticData* to = To->StaticData();
    if (const TExTreeItemStaticData* from = From->StaticData(); to && from) {
        to->Text = from->Text;
        to->Hint = from->Hint;
        to->ColumnText->Assign(from->ColumnText);
        // The earlier styles go: the list is made anew.
        To->SetUseStyles(false);
        To->SetUseStyles(From->UseStyles());
        to->MainStyle->Assign(from->MainStyle);
        to->MainStyle->SetStyleValue(from->MainStyle->StyleValue());
        for (Integer i = 0; i < From->StylesCount(); ++i) {
            TExCellStyle* style = To->AddStyle();
            style->Assign(From->Styles(i));
            style->SetStyleValue(From->Styles(i)->StyleValue());
        }
    }
}

}  // namespace

// The record fields besides texts and styles; Keep: the option bits that stay To's own.
void TExTreeItems::CopyRootFields(TExTreeItem* To, const TExTreeItem* From, Cardinal Keep)
{
    CopyRootRecord(To, From);
    To->FOptions = (From->FOptions & ~Keep) | (To->FOptions & Keep);
    To->FState = static_cast<Word>(From->FState | (1u << stExpanded));
    To->FImageIndex = From->FImageIndex;
    To->FStImageIndex = From->FStImageIndex;
    To->FImageIndex2 = From->FImageIndex2;
    To->FStImageIndex2 = From->FStImageIndex2;
    To->FColor = From->FColor;
    To->FRowBkColor = From->FRowBkColor;
    To->FBkColor = From->FBkColor;
    To->FCheckBoxState = From->FCheckBoxState;
    To->FCheckBoxType = From->FCheckBoxType;
    To->FHeight = From->FHeight;
    To->FBorderStyle = From->FBorderStyle;
    To->FIndentAdjust = From->FIndentAdjust;
    To->FStrikedLineColor = From->FStrikedLineColor;
    To->FItemValue = From->FItemValue;
}

TExTreeItem* TExTreeItems::NewStandIn()
{
    TExTreeItem* item = CreateItem(FTree);
    item->FCollection = this;
    item->FHiddenRoot = FRoot;
    if (!FTree->IsVirtual()) item->NewStaticData();
    return item;
}

TExTreeItem* TExTreeItems::SetAside()
{
    constexpr Cardinal RowBits = ioHidden | ioMultiline | ioIsHTML | ioOwnerHeight;
    TExTreeItem* aside = NewStandIn();
    CopyRootFields(aside, FRoot, RowBits);
    if (FRoot->Count() == 0) return aside;
    for (Integer i = 0; i < FRoot->Count(); ++i) FRoot->FChildren->FastGet(i)->AdjustCounts(-1);
    FTree->ListRemove(0, Count() - 1);
    FRoot->BranchRowsChanged();
    std::swap(aside->FChildren, FRoot->FChildren);
    for (Integer i = 0; i < aside->Count(); ++i) aside->FChildren->FastGet(i)->FParent = aside;
    FTree->MarkRows();
    return aside;
}

void TExTreeItems::TakeBack(TExTreeItem* Aside)
{
    constexpr Cardinal RowBits = ioHidden | ioMultiline | ioIsHTML | ioOwnerHeight;
    CopyRootFields(FRoot, Aside, RowBits);
    Reattach(Aside);
    TObject::Free(Aside);
}

void TExTreeItems::Reattach(TExTreeItem* Aside)
{
    std::vector<TExTreeItem*> back;
    for (Integer i = 0; i < Aside->Count(); ++i) back.push_back(Aside->FChildren->FastGet(i));
    if (Aside->FChildren) Aside->FChildren->Clear();
    Aside->FreeChildrenIfEmpty();
    // After what was read, which a handler may have kept.
    for (TExTreeItem* item : back) FRoot->AttachBranch(FRoot->Count(), item, FTree->AllItems().Count());
}

void TExTreeItems::ReadData(TStream* Stream)
{
    if (FStreaming > 0) throw EExTreeError(StreamBusy);
    if (FTree->Walking()) throw EExTreeError(exChangedInWalk);
    TExTreeOperation op(FTree);
    op.HoldAll();
    TExCountScope streaming(FStreaming);
    TExUpdateGuard bracket(FTree);
    TExTreeItem* aside = SetAside();
    // The root's own record is read into a stand-in and handed on, so its row bits stay its own.
    struct TStandIn {
        TExTreeItem* Item;
        ~TStandIn() { TObject::Free(Item); }
    } head{NewStandIn()};
    bool whole = false;
    try {
        try {
            constexpr Cardinal RowBits = ioHidden | ioMultiline | ioIsHTML | ioOwnerHeight;
            whole = TExItemStream(this, Stream).Read(FRoot, head.Item, [&] { CopyRootFields(FRoot, head.Item, RowBits); });
        } catch (const EReadError&) {
            throw EExTreeError(StreamEndsEarly);
        }
    } catch (...) {
        // What was read goes again (its handlers heard of it), and the tree is as it was.
        ++FTree->FocusEventsLock;
        try {
            FRoot->Clear();
        } catch (...) {
            --FTree->FocusEventsLock;
            TakeBack(aside);
            throw;
        }
        --FTree->FocusEventsLock;
        TakeBack(aside);
        throw;
    }
    if (!whole) {
        // A handler freed the control: the model goes when its operations end, the items set
        // aside now (nobody hears of them any more).
        TObject::Free(aside);
        bracket.Forget();
        return;
    }
    // The items that were there go now, with their deletions told as a clear would tell them; every
    // one is told, and the first error of their handlers follows.
    TExFirstError error;
    ++FTree->FocusEventsLock;
    for (Integer i = aside->Count() - 1; i >= 0; i = std::min(i - 1, aside->Count() - 1))
        error.Hear([&] { DeleteDetached(aside->FChildren->FastGet(i)); });
    --FTree->FocusEventsLock;
    // Deletions an operation that raised the reading handler put off took their items out of the
    // stand-in; what a handler put under it meanwhile joins the tree rather than going with it.
    Reattach(aside);
    TObject::Free(aside);
    FTree->Refresh().HRangeStale = true;
    FTree->MarkRows();
    FTree->Refresh().UpdatePending = true;
    bracket.Done();
    error.Raise();
}

void TExTreeItems::DefineProperties(TFiler* Filer)
{
    Filer->DefineBinaryProperty(
        "Data", [this](TStream* S) { ReadData(S); }, [this](TStream* S) { WriteData(S); }, Count() > 0);
}

void TExTreeItems::SaveToFile(const std::string& FileName)
{
    // The file is touched only when the whole tree is in the stream: a refusal, an error or a
    // handler that frees the control leaves the last good file as it was.
    TMemoryStream data;
    SaveToStream(&data);
    data.SaveToFile(FileName);
}

void TExTreeItems::LoadFromFile(const std::string& FileName)
{
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}
