// String helpers of the control library: 8-bit text, positions 1-based as the callers count them.
// "Blank" means space or tab. Locale values come from FormatSettings.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/SysUtils.h"

// Money in ten-thousandths of the unit (1.5 is 15000).
using Currency = Int64;

// Formatting and filling
std::string IntToStrFmt(Int64 Value);
std::string FloatToStrFmt(double Value, Integer Digits);
std::string IntToStrPad(Integer Value, Integer Len);
std::string CenterStr(const std::string& S, Integer Len);
std::string CompleteLine(const std::string& S, Integer Len, char Ch);
std::string PrefixLine(const std::string& S, Integer Len, char Ch);
std::string MakeString(Integer Count, const std::string& S);
std::string GetCharRangeString(char C1, char C2);
std::string CurrToPrettyStr(Currency Value);
Integer CurrSign(Currency Value);

// Search and extraction
bool replace(std::string& S, const std::string& Source, const std::string& Dest);
Integer LastPos(const std::string& SubStr, const std::string& Str);
std::string ExtractWord(const std::string& S, Integer Index);
Integer FstNonSpace(const std::string& S);
Integer NextWordBegin(const std::string& S, Integer Start);
bool LineIsEmpty(const std::string& S);
Integer LeftBreak(const std::string& S, Integer Pos);
std::string ExtractStr(std::string& S, Integer Index, Integer Count);
void TStrDelete(std::string& S, Integer Index, Integer Count);
std::string TStrExtractStr(std::string& S, Integer Index, Integer Count);
// S takes the first Len 16-bit characters of Buffer in the Western code page ('?' where it has none).
void SetTStr(std::string& S, const char16_t* Buffer, Integer Len);
// Zero-terminated strings; a nil Prefix is a prefix of everything.
bool StrStartsWith(const char* Str, const char* Prefix);
bool ContainsAt(const std::string& S, Integer Pos, const std::string& Sub);
// A zero-terminated copy of S.
std::unique_ptr<char[]> StringDup(const std::string& S);

// Classification (ASCII letters only)
bool IsDigit(char C);
bool IsAlpha(char C);
bool IsAlphaOrDigit(char C);
bool IsDigitStr(const std::string& S);
bool IsAlphaStr(const std::string& S);
bool IsIdentStr(const std::string& S);
// Case-insensitive equality in the Western code page (accented capitals included).
bool AnsiSameText(const std::string& S1, const std::string& S2);
// Upper case in the Western code page by the same rule (accented small letters included).
std::string AnsiUpperCase(const std::string& S);
// Case-insensitive file-name mask test with "*" and "?".
bool FileNameLike(const std::string& FileName, const std::string& Mask);

// Conversions
Integer H2D(const std::string& S);  // EConvertError on text that is not hexadecimal
Integer H2DDef(const std::string& S, Integer Default);
Integer Bin2Int(const std::string& S);
Integer Bin2IntDef(const std::string& S, Integer Default);
// Between the DOS code page (437) and the Western code page (1252); same length in and out.
std::string OEMToStr(const std::string& S);
std::string StrToOEM(const std::string& S);
// Block text form: "454C " + size in hex + " " + each byte as two hex digits and a blank.
std::string Data2Str(const void* Data, Integer Size);
// Reads the block text form. On success Data holds the block and Size its length. Any flaw (a
// wrong prefix, a bad length, a missing or bad byte) gives false with Data empty and Size -1.
bool Str2Data(const std::string& S, std::vector<Byte>& Data, Integer& Size);
// Chars empty: the control characters and codes 128-255.
std::string EscapeString(const std::string& S, const std::string& Chars, char EscChar);
std::string UnEscapeString(const std::string& S, char EscChar);
// A beep of the box's icon type when Beep is set, then a message box with no owner showing the
// program's string ResId; the box's answer (IDOK, IDYES, ...).
int MessageRes(int ResId, const std::string& Caption, Cardinal Flags, bool Beep);
// Tolerant reader of amounts written for display ("$1,234.50", "(12)", "1 234,5").
Currency PrettyStrToCurr(const std::string& S);
