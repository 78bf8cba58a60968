// TExIniFile: the library's hierarchical settings store. A tree of keys, each holding typed named
// values and sub-keys, kept in memory and stored in a text file, a binary file or (UseRegistry)
// directly in the registry below RegRoot and Path. Keys are addressed by paths of names separated by
// Delimiter: absolute when they start with it, else relative to the current key.
//
// Ordinary outcomes (a missing key or value, a wrong type, a name clash) are false results; a read
// always writes its default to the out-parameter first. Misuse in registry mode and damaged binary
// data raise EExIniError.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Classes.h"
#include "platform/OrderedSlots.h"
#include "platform/Registry.h"

class TExObjectList;
class TRegistry;
class TStringList;

class EExIniError : public Exception {
public:
    using Exception::Exception;
};

enum TExValueType : Byte { evtUnknown, evtBoolean, evtInt, evtString, evtMultiString, evtBinary, evtDouble };

namespace ctlbase {
// Keys deeper than this below the root are not made (the registry's own limit).
inline constexpr Integer ExIniMaxKeyDepth = 512;
}  // namespace ctlbase

class TExIniEntry;

namespace exini {
struct EntrySlot {
    static void Set(TExIniEntry* const& E, size_t Slot);
};
// Entries of one parent in the order of its children.
struct EntryOrder {
    bool operator()(const TExIniEntry* A, const TExIniEntry* B) const;
};
}  // namespace exini

// One node of the store; keys and values are both entries (a key may hold a value of its own).
class TExIniEntry : public TObject {
public:
    TExIniEntry();
    // Frees the whole sub-tree.
    ~TExIniEntry() override;

    // The first child whose name equals Name, ASCII case ignored, blanks around both trimmed.
    TExIniEntry* GetValue(const std::string& Name) const;
    // Releases the value and makes the type evtUnknown.
    void Invalidate();
    // Moves the entry from its parent's children (without freeing it) to the end of P's.
    void SetParent(TExIniEntry* P);
    Integer GetSubCount() const;
    TExIniEntry* Child(Integer Index) const;
    TExIniEntry* Parent() const { return FParent; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value);
    // Number of keys above it (0 for the root).
    Integer Level() const;

    bool IsKey = false;
    TExValueType ValueType = evtUnknown;
    // The value, by ValueType.
    bool BoolValue = false;
    Integer IntValue = 0;
    double DoubleValue = 0;
    std::string StrValue;
    std::unique_ptr<TStringList> MultiValue;
    std::vector<Byte> BinValue;

private:
    friend class TExIniFile;
    friend struct exini::EntrySlot;
    friend struct exini::EntryOrder;
    void TakeOut(TExIniEntry* Child);
    void IndexAdd(TExIniEntry* Child) const;
    void IndexRemove(TExIniEntry* Child) const;
    // Frees every child.
    void ClearChildren();

    std::string FName;
    std::string FMatchName;  // upper-cased and trimmed
    TExIniEntry* FParent = nullptr;
    size_t FSlot = 0;  // in the parent's children
    TOrderedSlots<TExIniEntry*, exini::EntrySlot> FChildren;
    // Children by match name, made for keys with many children and kept up to date as children come,
    // go and are renamed: the first of the name in order and, while more than one has it (only
    // through the entries' own SetName and SetParent), all of them in order.
    struct IndexSlot {
        TExIniEntry* First;
        std::unique_ptr<std::set<TExIniEntry*, exini::EntryOrder>> All;
    };
    mutable std::unique_ptr<std::unordered_map<std::string, IndexSlot>> FIndex;
};

class TExIniFile : public TComponent {
public:
    explicit TExIniFile(TComponent* AOwner);
    // Saves a changed store when LazyWrite is on, then leaves registry mode.
    ~TExIniFile() override;

    // ---- published properties
    bool BinaryMode() const { return FBinaryMode; }
    void SetBinaryMode(bool Value) { FBinaryMode = Value; }
    const std::string& Comment() const { return FComment; }
    // The text form's lines cannot carry a line break, a quote, a bracket or a digit as comment
    // characters or as divider, nor a divider among the comment characters: such values raise and
    // the old one stays. While loading from a form the pair is checked once both are set (Loaded).
    void SetComment(const std::string& Value);
    char Delimiter() const { return FDelimiter; }
    // Raises in registry mode for anything but "\"; saves at once when LazyWrite is off.
    void SetDelimiter(char Value);
    char DivChar() const { return FDivChar; }
    void SetDivChar(char Value);
    bool LazyWrite() const { return FLazyWrite; }
    void SetLazyWrite(bool Value);
    const std::string& Path() const { return FPath; }
    void SetPath(const std::string& Value);
    bool Simple() const { return FSimple; }
    void SetSimple(bool Value);
    TRegRootType RegRoot() const;
    void SetRegRoot(TRegRootType Value);
    bool UseRegistry() const { return FRegistry != nullptr; }
    void SetUseRegistry(bool Value);
    const std::string& WarningMessage() const { return FWarningMessage; }
    void SetWarningMessage(const std::string& Value) { FWarningMessage = Value; }
    TNotifyEvent OnBeforeSave;
    TNotifyEvent OnAfterLoad;
    TNotifyEvent OnBeforeLoad;
    TNotifyEvent OnAfterSave;

    // ---- state
    // Path of the current key: the Delimiter alone for the root.
    std::string CurrentKey() const;
    void SetCurrentKey(const std::string& Key);
    // Whether anything changed since the last Save or Load.
    bool Changed() const { return FChanged; }
    TExIniEntry* Root() const { return FRoot.get(); }
    HKEY RegRootKey() const { return FRegRoot; }

    // ---- keys and entries
    bool OpenKey(const std::string& Key, bool CanCreate);
    bool KeyExists(const std::string& Key);
    std::string FullKey(const std::string& Key) const;
    std::string OwnKey(const std::string& Key) const;
    std::string ParentKey(const std::string& Key) const;
    virtual TExIniEntry* GetValueEntry(const std::string& Key, const std::string& Name);
    TExIniEntry* CreateValue(const std::string& Key, const std::string& Name);
    bool ValueExists(const std::string& Key, const std::string& Name);
    TExValueType GetValueType(const std::string& Key, const std::string& Name);
    // Append the names to Strings; the key is made when missing.
    bool EnumSubKeys(const std::string& Key, TStrings* Strings);
    bool EnumValues(const std::string& Key, TStrings* Strings);
    Integer SubKeysCount(const std::string& Key);
    Integer ValuesCount(const std::string& Key);
    // With a Name the value, with an empty one the key and everything below it (never the root).
    bool Delete(const std::string& Key, const std::string& Name);
    virtual bool ClearKey(const std::string& Key);
    bool Clear();
    virtual bool RenameKey(const std::string& Key, const std::string& NewName);
    virtual bool RenameValue(const std::string& Key, const std::string& OldName, const std::string& NewName);
    bool MoveEntry(const std::string& Key, const std::string& Name, const std::string& NewKey);
    virtual void SetValueType(const std::string& Key, const std::string& Name, TExValueType Type);

    // ---- typed values
    bool ReadBool(const std::string& Key, const std::string& Name, bool Default, bool& Value);
    bool ReadInteger(const std::string& Key, const std::string& Name, Integer Default, Integer& Value);
    bool ReadString(const std::string& Key, const std::string& Name, const std::string& Default, std::string& Value);
    // Strings is left untouched when nothing is found.
    bool ReadMultiString(const std::string& Key, const std::string& Name, TStrings* Strings);
    // Copies the block when Size (in) is big enough; Size (out) is the stored size (0 when none).
    bool ReadBinary(const std::string& Key, const std::string& Name, void* Buffer, Integer& Size);
    bool ReadDouble(const std::string& Key, const std::string& Name, double Default, double& Value);
    bool ReadRect(const std::string& Key, const std::string& Name, const TRect& Default, TRect& Value);
    // A colour name ("clRed"), "$00BBGGRR" or a number, "#" in front allowed, or "R.G.B" in decimal.
    bool ReadColor(const std::string& Key, const std::string& Name, TColor Default, TColor& Value);
    // Published properties of Object (and of the objects, string lists, collections and object
    // lists they hold) from the key; the key is not made.
    bool ReadObject(const std::string& Key, TPersistent* Object);

    bool WriteBool(const std::string& Key, const std::string& Name, bool Value);
    bool WriteInteger(const std::string& Key, const std::string& Name, Integer Value);
    bool WriteString(const std::string& Key, const std::string& Name, const std::string& Value);
    bool WriteMultiString(const std::string& Key, const std::string& Name, const TStrings* Strings);
    bool WriteBinary(const std::string& Key, const std::string& Name, const void* Buffer, Integer Size);
    bool WriteDouble(const std::string& Key, const std::string& Name, double Value);
    bool WriteRect(const std::string& Key, const std::string& Name, const TRect& Value);
    bool WriteColor(const std::string& Key, const std::string& Name, TColor Value);
    bool WriteObject(const std::string& Key, TPersistent* Object);

    // ---- files and streams (nothing in registry mode)
    // False (the store unchanged, OnAfterLoad raised all the same) when the file cannot be opened;
    // EExIniError for damaged binary data, the store then also unchanged.
    bool Load();
    // True only when the file was written (whole, and on the disk).
    bool Save();
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream);
    virtual void ParseLine(const std::string& Line, std::string& Name, std::string& Value, bool& HasDelimiter);

    void Loaded() override;

protected:
    virtual void TriggerBeforeSaveEvent();
    virtual void TriggerAfterLoadEvent();
    virtual void TriggerBeforeLoadEvent();
    virtual void TriggerAfterSaveEvent();

private:
    class KeyKeeper;
    friend class KeyKeeper;

    bool MemOpenKey(const std::string& Key, bool CanCreate);
    bool RegOpenKey(const std::string& Key, bool CanCreate);
    std::string PathOf(const TExIniEntry* Entry) const;
    std::string RegKeyPath(const std::string& Key) const;
    std::string RegRelativePath(const std::string& RegistryPath) const;
    void RegistryOnly(const char* Message) const;
    // The named entry of Key, or nil (memory mode).
    TExIniEntry* FindEntry(const std::string& Key, const std::string& Name);
    // A value of Key in the registry.
    bool RegGet(const std::string& Key, const std::string& Name, DWORD& Type, std::vector<Byte>& Data);
    bool RegPut(const std::string& Key, const std::string& Name, DWORD Type, const void* Data, DWORD Size);
    // Opens (making) Key, makes or clears the named value and lets Set fill it (memory mode).
    template <class F>
    bool WriteEntry(const std::string& Key, const std::string& Name, F Set);
    void MarkChanged();
    bool SaveIfEager();
    void Repath(const std::string& OldPath, const std::string& NewPath);
    void RemoveEntry(TExIniEntry* Entry);

    void WriteText(TStream* Stream);
    void WriteBinaryForm(TStream* Stream);
    void LoadData(const std::string& Data);
    void LoadText(const std::string& Data);
    void LoadBinaryForm(const std::string& Data);
    // The line that marks a file whose texts may be in quotes.
    std::string MarkLine() const;
    // Quoting: the file carries the mark of quoted texts.
    void AddTextValue(const std::string& Name, const std::string& Value, bool HasDelimiter, Integer LineNo,
                      bool Quoting);

    void WriteList(const std::string& Key, TExObjectList* List);
    void ReadList(const std::string& Key, TExObjectList* List);

    bool FBinaryMode = false;
    std::string FComment = ";";
    char FDelimiter = '\\';
    char FMemoryDelimiter = '\\';  // the delimiter to go back to when registry mode ends
    char FDivChar = '=';
    bool FLazyWrite = true;
    std::string FPath;
    bool FSimple = false;
    HKEY FRegRoot = HKEY_CURRENT_USER;
    std::string FWarningMessage = "Automatically generated file. DO NOT MODIFY!!!";

    std::unique_ptr<TExIniEntry> FRoot;
    TExIniEntry* FCurrent = nullptr;
    bool FChanged = false;
    std::unique_ptr<TRegistry> FRegistry;
    std::string FRegPath = "\\";
    std::vector<std::string*> FKeepers;
};

// The text form of a double: its two 32-bit halves as signed decimals, low half first ("0.1072693248"
// for 1.0), an exact copy of the bits.
std::string StrFloat(double Value);
// Reads StrFloat's form. Code 0 on success; otherwise Value is unchanged and Code is the 1-based
// position of the fault (-1 when there is no ".").
void ValFloat(const std::string& S, double& Value, Integer& Code);
