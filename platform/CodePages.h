// The two byte code pages the program's text is in, to and from Unicode: Windows-1252 (Western fonts)
// and Windows-1251 (Cyrillic fonts). Any other code page number is taken as 1252.
//
// Every byte has a character: the five bytes 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) and
// the one 1251 leaves undefined (0x98) stand for the C1 control character of the same value, so
// that any byte string survives a trip through Unicode unchanged.
#pragma once

#include <string>

#include "platform/Types.h"

// The code page of a font character set: 204 (Cyrillic) is 1251, every other one 1252.
int CharsetToCodePage(Byte Charset);

char32_t CodePageToChar(Byte B, int CodePage);
// False when the code page has no byte for C.
bool CharToCodePage(char32_t C, int CodePage, Byte& B);

std::u32string CodePageToUtf32(const std::string& S, int CodePage);
std::string CodePageToUtf8(const std::string& S, int CodePage);
// A character the code page lacks, and each byte of malformed UTF-8, becomes Replacement.
std::string Utf32ToCodePage(const std::u32string& S, int CodePage, char Replacement = '?');
std::string Utf8ToCodePage(const std::string& S, int CodePage, char Replacement = '?');
