// The memo's text as string lists: one string per paragraph (Paragraphs) or per display line
// (Lines). Every change made through them is an ordinary, undoable edit of the memo.
#pragma once

#include "platform/Classes.h"

class TStyleMemo;
class TFiler;
class TReader;
class TWriter;

class TStyleMemoStrings : public TStrings {
public:
    explicit TStyleMemoStrings(TStyleMemo* Memo) : FMemo(Memo) {}

    std::string GetText() const override;
    void SetText(const std::string& Value) override;
    void Clear() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) const override;
    void Assign(TPersistent* Source) override;
    // The streamed property "Strings" (stored only when the memo holds text).
    void DefineProperties(TFiler* Filer);
    void ReadData(TReader* Reader);
    void WriteData(TWriter* Writer);

protected:
    void SetUpdateState(bool Updating) override;
    TStyleMemo* FMemo;
};

class TStyleParaStrings : public TStyleMemoStrings {
public:
    using TStyleMemoStrings::TStyleMemoStrings;

    int Count() const override;
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    int Add(const std::string& S) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
};

class TStyleLinesStrings : public TStyleMemoStrings {
public:
    using TStyleMemoStrings::TStyleMemoStrings;

    int Count() const override;
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    int Add(const std::string& S) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;

private:
    // Formats up to display line Index and gives its start, its length and whether it ends its
    // paragraph; false when there is no such line.
    bool LocateLine(int Index, Integer& Start, Integer& Len, bool& ParEnd) const;
};
