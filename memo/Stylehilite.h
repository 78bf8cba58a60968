// Automatic highlighting of a memo's text: keywords (words or strings that get a style, colours, a
// cursor and a context number) and start/stop keys (pairs of strings that open and close a span,
// which may run over several paragraphs). Both write dynamic attributes into the paragraphs; a
// highlighter component may add its own searches to several memos at once.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "memo/Stylestore.h"
#include "platform/Classes.h"
#include "platform/Controls.h"

class TFiler;
class TReader;
class TWriter;
class TStyleMemo;
class TStyleNavigator;

// Word options, one bit each.
enum TWordOption : Byte {
    woMatchCase = 1u << 0,       // compare exactly; otherwise both sides are upper-cased
    woWholeWordsOnly = 1u << 1,  // the characters around a match must be word limits
    woContextOnly = 1u << 2,     // stored, read by no search
};
using TWordOptions = Byte;

// What a keyword is highlighted with. Style: bit 0 bold, 1 italic, 2 underline, 3 strike-out.
struct TKeywordInfo {
    TWordOptions Options = 0;
    Byte Style = 0;
    Integer Context = 0;  // a keyword whose context is 0 is never applied
    std::int16_t Cursor = 0;
    Integer Backgnd = 0;  // TColor
    Integer Foregnd = 0;  // TColor
    Integer KeyLen = 0;   // set by UpdateKeyList
};

// The keywords: each string is a keyword, its object the keyword's info (nil reads as all zero).
class TKeywordList : public TStringList {
public:
    TKeywordList();

    Integer AddKeyWord(const std::string& Word, TWordOptions Options, Byte Style, Integer Context, TCursor Cursor,
                       TColor Backgnd, TColor Foregnd);
    void setKeyInfo(Integer Index, const TKeywordInfo& Info);
    void getKeyInfo(Integer Index, TKeywordInfo& Info) const;
    void Assign(TPersistent* Source) override;  // only from another keyword list

    TpmUpperCase UpperCaseType() const { return FUpperCaseType; }
    void setUpperCaseType(TpmUpperCase Value);

    // The matching copy of keyword i: upper-cased unless it matches case.
    const std::string& MatchKey(Integer i) const { return FMatchKeys[static_cast<size_t>(i)]; }
    Integer MaxKeyLen() const { return FMaxKeyLen; }
    bool AnyIgnoresCase() const { return FAnyIgnoresCase; }
    void UpdateKeyList();

    // The streamed property "Strings" (stored when the list has keywords).
    void DefineProperties(TFiler* Filer);
    void ReadData(TReader* Reader);
    void WriteData(TWriter* Writer);

protected:
    void Changed() override;

private:
    TpmUpperCase FUpperCaseType = pmuAscii;
    std::vector<std::string> FMatchKeys;
    Integer FMaxKeyLen = 0;
    bool FAnyIgnoresCase = false;
};

// One start/stop key pair.
struct StartStopInfo {
    TWordOptions Options = 0;
    Byte Style = 0;
    Integer Context = 0;
    std::int16_t Cursor = 0;
    Integer Backgnd = 0;
    Integer Foregnd = 0;
    std::string StartKey;   // matching copies: upper-cased unless woMatchCase
    std::string StopKey;
    std::string StartText;  // the strings as the user gave them
    std::string StopText;
    bool EndAtParEnd = false;  // the span also ends at the end of its paragraph
    std::int16_t Link = -1;    // first earlier entry with the same options and start key
    // Word-limit checks prepared from the memo's delimiters (whole words only).
    bool CheckAfterStart = false;
    bool CheckBeforeStart = false;
    bool CheckAfterStop = false;
    bool CheckBeforeStop = false;
};

class TStartStopKeyList : public TPersistent {
public:
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    const StartStopInfo& Items(Integer Index) const;  // "List index out of bounds" outside the list
    Integer AddStartStopKey(const std::string& Start, const std::string& Stop, TWordOptions Options, Byte Style,
                            Integer Context, TCursor Cursor, TColor Backgnd, TColor Foregnd, bool EndAtParEnd);
    void Clear();
    void Assign(TPersistent* Source) override;  // only from another start/stop key list

    TpmUpperCase UpperCaseType() const { return FUpperCaseType; }
    void setUpperCaseType(TpmUpperCase Value);
    Integer LongestStart() const { return FLongestStart; }
    Integer LongestStop() const { return FLongestStop; }

    // The word-limit checks follow the delimiters of the memo that searches; any change of the
    // list or of those delimiters asks for a new preparation.
    bool Prepared() const { return FPrepared; }
    void Unprepare() { FPrepared = false; }
    void Prepare(const std::bitset<256>& Delimiters);

    // The streamed property "Keys" (stored when the list has entries).
    void DefineProperties(TFiler* Filer);
    void ReadData(TReader* Reader);
    void WriteData(TWriter* Writer);

private:
    std::string MatchCopy(const std::string& S, TWordOptions Options) const;

    std::vector<StartStopInfo> FItems;
    TpmUpperCase FUpperCaseType = pmuAscii;
    Integer FLongestStart = 0;
    Integer FLongestStop = 0;
    bool FPrepared = false;
};

// A component that adds its own searches to the highlighting of the memos that use it. The base
// class finds nothing.
class TStyleHighlighter : public TComponent {
public:
    explicit TStyleHighlighter(TComponent* AOwner);
    ~TStyleHighlighter() override;

    // Called before the keywords of a range are applied.
    virtual void ApplyKeywordsList(TStyleNavigator* StartNav, TStyleNavigator* StopNav, Integer KeywordCount);
    // Called where the memo's own start/stop keys found nothing between Cursor and Scan. Either may
    // add or remove attribute records there (through the navigators, whose memo is the one being
    // parsed); FindStart then leaves Scan where the search goes on. True when records changed.
    virtual bool FindStart(TStyleNavigator* Cursor, TStyleNavigator* Scan, Integer KeyCount);
    virtual bool FindStop(TStyleNavigator* Cursor, TStyleNavigator* Scan, Integer KeyCount);

    // A click on a span with a context reaches the highlighter as the memo's message operation.
    void Notification(TComponent* AComponent, TOperation Operation) override;

    const std::vector<TStyleMemo*>& Memos() const { return FMemos; }

private:
    friend class TStyleMemo;
    std::vector<TStyleMemo*> FMemos;
};
