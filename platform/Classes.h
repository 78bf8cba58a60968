// Object model, string lists and streams of the class library.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/SysUtils.h"

struct TGuardBlock;

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() { ClearGuards(); }
    // The unqualified class name ("TStringList"); classes may override it to report their design name.
    virtual std::string ClassName() const;
    // Runs while the whole object still exists, just before it is deleted by its owner (or by code
    // that frees it through Free); destructors of derived classes have not run yet.
    virtual void BeforeDestruction() {}
    // BeforeDestruction, then delete; nothing for null.
    static void Free(TObject* Object)
    {
        if (Object) {
            Object->ClearGuards();
            Object->BeforeDestruction();
            delete Object;
        }
    }

protected:
    // Turns this object's guards (platform/Guard.h) null; called once it starts going.
    void ClearGuards()
    {
        if (FGuardBlock != nullptr) DropGuardBlock();
    }

private:
    friend struct TGuardBlock;
    void DropGuardBlock();
    TGuardBlock* FGuardBlock = nullptr;
};

// Events: the first argument is always the sender.
using TNotifyEvent = std::function<void(TObject* Sender)>;

class TPersistent : public TObject {
public:
    // Copies Source into this object; raises EConvertError when the two kinds do not mix.
    virtual void Assign(TPersistent* Source);

protected:
    virtual void AssignTo(TPersistent* Dest);
    virtual TPersistent* GetOwner() { return nullptr; }
};

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4,
    csAncestor = 1u << 5,
    csUpdating = 1u << 6,
    csFixups = 1u << 7,
    csFreeNotification = 1u << 8,
    csInline = 1u << 9,
    csDesignInstance = 1u << 10,
};
using TComponentState = unsigned;

// An owner frees the components it owns; components that asked for it (FreeNotification) hear of
// each other's removal through Notification. This program never loads or designs components, so
// csLoading and csDesigning stay clear unless code sets them.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    virtual void SetName(const std::string& NewName);
    Int64 Tag = 0;

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const;
    int ComponentIndex() const;
    TComponent* FindComponent(const std::string& AName) const;

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    // Frees every owned component, last first. Derived destructors call it when their owned
    // components must go while the derived part still exists.
    void DestroyComponents();
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    TComponentState ComponentState() const { return FComponentState; }
    bool HasState(TComponentStateFlag f) const { return (FComponentState & f) != 0; }
    void SetState(TComponentStateFlag f, bool on);

    virtual void Loaded();
    // Marks the component as being destroyed (csDestroying) and tells its owned components too.
    void Destroying();

protected:
    // Called on the owner and its components when a component is inserted or removed, and on
    // components that asked for FreeNotification when this one is destroyed.
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    TPersistent* GetOwner() override { return FOwner; }

private:
    void Insert(TComponent* AComponent);
    void Remove(TComponent* AComponent);

    TComponent* FOwner = nullptr;
    std::string FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FComponentState = 0;
};

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

// Abstract list of strings with associated objects. Descendants provide Get, GetCount, Put,
// Insert, Delete and Clear; everything else is built on those.
class TStrings : public TPersistent {
public:
    virtual int Count() const = 0;
    virtual std::string Get(int Index) const = 0;
    virtual void Put(int Index, const std::string& S);
    virtual TObject* GetObject(int Index) const;
    virtual void PutObject(int Index, TObject* AObject);
    virtual void Insert(int Index, const std::string& S) = 0;
    virtual void InsertObject(int Index, const std::string& S, TObject* AObject);
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;

    std::string operator[](int Index) const { return Get(Index); }
    std::string Strings(int Index) const { return Get(Index); }
    TObject* Objects(int Index) const { return GetObject(Index); }

    virtual int Add(const std::string& S);
    virtual int AddObject(const std::string& S, TObject* AObject);
    void Append(const std::string& S) { Add(S); }
    virtual void AddStrings(const TStrings* Strings);
    void Assign(TPersistent* Source) override;
    virtual void Exchange(int Index1, int Index2);
    virtual void Move(int CurIndex, int NewIndex);
    virtual int IndexOf(const std::string& S) const;
    int IndexOfName(const std::string& Name) const;
    int IndexOfObject(const TObject* AObject) const;
    bool Equals(const TStrings* Strings) const;

    // Every line followed by CR LF. Setting splits at CR, LF or CR LF; a final break adds no line.
    virtual std::string GetText() const;
    virtual void SetText(const std::string& Value);
    std::string Text() const { return GetText(); }
    // Items separated by commas; items holding blanks, commas, quotes or control bytes are quoted.
    std::string CommaText() const;
    void SetCommaText(const std::string& Value);

    char NameValueSeparator = '=';
    std::string Names(int Index) const;
    std::string ValueFromIndex(int Index) const;
    std::string Values(const std::string& Name) const;
    // An empty value deletes the line.
    void SetValue(const std::string& Name, const std::string& Value);

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    virtual void LoadFromFile(const std::string& FileName);
    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToFile(const std::string& FileName) const;
    virtual void SaveToStream(TStream* Stream) const;

protected:
    // Called with true when the first BeginUpdate opens and false when the last EndUpdate closes.
    virtual void SetUpdateState(bool Updating);
    [[noreturn]] void Error(const char* Msg, int Data) const;
    virtual int CompareStrings(const std::string& S1, const std::string& S2) const;

private:
    int FUpdateCount = 0;
};

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
public:
    TStringList() = default;
    ~TStringList() override;

    int Count() const override { return static_cast<int>(FList.size()); }
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    void Insert(int Index, const std::string& S) override;
    void InsertObject(int Index, const std::string& S, TObject* AObject) override;
    void Delete(int Index) override;
    void Clear() override;
    int Add(const std::string& S) override;
    int AddObject(const std::string& S, TObject* AObject) override;
    void Exchange(int Index1, int Index2) override;
    // Moves the line with its object; an owned object survives the move.
    void Move(int CurIndex, int NewIndex) override;
    int IndexOf(const std::string& S) const override;

    // Binary search in a sorted list: true when found; Index is the match or the insertion point.
    bool Find(const std::string& S, int& Index) const;
    virtual void Sort();
    void CustomSort(const TStringListSortCompare& Compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates Duplicates = dupIgnore;
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    // Frees the objects of the list when lines are deleted or the list is destroyed.
    bool OwnsObjects = false;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void Changed();
    virtual void Changing();
    void SetUpdateState(bool Updating) override;
    int CompareStrings(const std::string& S1, const std::string& S2) const override;

private:
    struct Item {
        std::string S;
        TObject* Obj = nullptr;
    };
    void InsertItem(int Index, const std::string& S, TObject* AObject);
    void QuickSort(int L, int R, const TStringListSortCompare& Compare);

    std::vector<Item> FList;
    bool FSorted = false;
    bool FCaseSensitive = false;
};

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
constexpr Word soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2;

class TStream : public TObject {
public:
    // Transfer up to Count bytes; return how many were transferred.
    virtual Int64 Read(void* Buffer, Int64 Count) = 0;
    virtual Int64 Write(const void* Buffer, Int64 Count) = 0;
    virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;

    Int64 Position() { return Seek(0, soCurrent); }
    void SetPosition(Int64 Pos) { Seek(Pos, soBeginning); }
    virtual Int64 Size();
    virtual void SetSize(Int64 NewSize);

    // Transfer exactly Count bytes or raise EReadError / EWriteError.
    void ReadBuffer(void* Buffer, Int64 Count);
    void WriteBuffer(const void* Buffer, Int64 Count);
    // Count 0 copies the whole source from its start.
    Int64 CopyFrom(TStream* Source, Int64 Count);

    // A save that hands the stream many small pieces (a field, a length, a text, its handlers' own)
    // brackets them, through TGatheredWrites: a stream whose every write is costly may hold them and
    // write them in blocks, as if each had been written (Position, reads and seeks see them). The
    // outermost EndGather writes what is held; EndGather raises EWriteError when a held write failed.
    virtual void BeginGather() {}
    virtual void EndGather() {}
};

// One save's bracket of gathered writes on a stream. Finish ends it and raises what failed; left
// without Finish (an error is on its way out), it ends it and raises nothing, so that error is the
// one the caller hears.
class TGatheredWrites {
public:
    explicit TGatheredWrites(TStream* Stream) : FStream(Stream) { FStream->BeginGather(); }
    ~TGatheredWrites();
    TGatheredWrites(const TGatheredWrites&) = delete;
    TGatheredWrites& operator=(const TGatheredWrites&) = delete;
    void Finish();

private:
    TStream* FStream;
};

// A stream over a block of memory it does not grow.
class TCustomMemoryStream : public TStream {
public:
    Int64 Read(void* Buffer, Int64 Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    Int64 Size() override { return FSize; }
    const void* Memory() const { return FMemory; }
    void SaveToStream(TStream* Stream);
    void SaveToFile(const std::string& FileName);

protected:
    void SetPointer(const void* Ptr, Int64 Size);
    const Byte* FMemory = nullptr;
    Int64 FSize = 0;
    Int64 FPosition = 0;
};

// Read-only view of a caller's buffer; writing raises EStreamError.
class TReadOnlyMemoryStream : public TCustomMemoryStream {
public:
    TReadOnlyMemoryStream(const void* Data, Int64 Size) { SetPointer(Data, Size); }
    Int64 Write(const void* Buffer, Int64 Count) override;
};

class TMemoryStream : public TCustomMemoryStream {
public:
    Int64 Write(const void* Buffer, Int64 Count) override;
    void SetSize(Int64 NewSize) override;
    void Clear();
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const std::string& FileName);
    void* Memory() { return FData.data(); }
    const std::vector<Byte>& Bytes() const { return FData; }

private:
    void Sync();
    std::vector<Byte> FData;
};

constexpr Word fmCreate = 0xFFFF;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

// A file read through a buffer of its own: small reads and seeks inside what the buffer holds need
// no system call. A write goes to the file before it returns, so its failure reaches its writer (Write
// gives less, WriteBuffer raises EWriteError); what the buffer holds of the bytes written is updated,
// so a reader sees its own writes. Inside a save's bracket (BeginGather) writes are held and go to the
// file in blocks; a failure raises from the write that hands them on and again at the bracket's end.
class TFileStream : public TStream {
public:
    // fmCreate creates or truncates; otherwise the file must exist. Failure raises EFCreateError or
    // EFOpenError naming the file.
    TFileStream(const std::string& FileName, Word Mode);
    ~TFileStream() override;
    Int64 Read(void* Buffer, Int64 Count) override;
    Int64 Write(const void* Buffer, Int64 Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    // The size as the system last gave it, asked again once the stream has been to the file since.
    Int64 Size() override;
    void SetSize(Int64 NewSize) override;
    void BeginGather() override { ++FGathering; }
    void EndGather() override;
    // Outside a save's bracket every write is in the file once Write returns, so nothing waits to
    // be flushed; kept for callers written when written bytes waited in the buffer.
    void Flush() {}
    const std::string& FileName() const { return FFileName; }
    // A device rather than a file or pipe: it may give bytes without end.
    bool IsDevice() const { return FDevice; }
    // The last read asked of the system stopped at a failure rather than at the file's end.
    bool ReadFailed() const { return FReadFailed; }

private:
    bool MoveTo(Int64 Offset);
    Int64 ReadAt(Int64 Offset, Byte* To, Int64 Count, bool Whole);
    Int64 WriteAt(Int64 Offset, const Byte* From, Int64 Count);
    Int64 Put(Int64 Offset, const Byte* From, Int64 Count);
    void HandOn();
    Int64 Fill();

    std::string FFileName;
    int FHandle = -1;
    bool FWritable = false;
    bool FRegular = false;
    bool FDevice = false;
    bool FReadFailed = false;
    // The file's bytes from FBufStart on, FBufLen of them.
    std::vector<Byte> FBuffer;
    Int64 FBufStart = 0;
    Int64 FBufLen = 0;
    Int64 FPosition = 0;
    Int64 FOffset = 0;  // where the descriptor stands, -1 when not known
    Int64 FSize = -1;   // -1: to be asked of the system
    // Inside FGathering brackets: bytes written at FHeldAt, not yet in the file; a held write failed.
    int FGathering = 0;
    std::vector<Byte> FHeld;
    Int64 FHeldAt = 0;
    bool FGatherFailed = false;
};

// The bytes from a stream's position to its end, read until it gives no more (a pipe until its writer
// closes it): what a file tells of its size is only a first guess (0 under /proc, a page under /sys,
// whatever they hold). A device, which may never end, gives the bytes its size says are left. A read
// the system fails raises EReadError. Into (a std::string or a std::vector<Byte>) is filled in place,
// so a file's bytes are held once.
template <class TBytes>
void ReadToEnd(TStream* Stream, TBytes& Into);
std::string ReadToEnd(TStream* Stream);

class TCollection;

// An item of a TCollection; it leaves its collection when it is destroyed.
class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* ACollection);
    ~TCollectionItem() override;
    TCollection* Collection() const { return FCollection; }
    // Position in the collection; -1 when it belongs to none.
    int Index() const;

protected:
    TPersistent* GetOwner() override;

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
};

// Makes a new item of a collection's item class; the item's constructor adds it to the collection.
using TCollectionItemClass = std::function<TCollectionItem*(TCollection* Collection)>;

// An owned, ordered list of items of one item class.
class TCollection : public TPersistent {
public:
    explicit TCollection(TCollectionItemClass ItemClass);
    ~TCollection() override;

    int Count() const { return static_cast<int>(FItems.size()); }
    // EListError outside 0..Count-1.
    TCollectionItem* Items(int Index) const;
    TCollectionItem* Add();
    void Delete(int Index);
    void Clear();
    // From another collection: Clear, then one new item per source item, assigned from it.
    void Assign(TPersistent* Source) override;

private:
    friend class TCollectionItem;
    TCollectionItemClass FItemClass;
    std::vector<TCollectionItem*> FItems;
};
