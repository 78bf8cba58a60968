// The clipboard: text (CF_TEXT, code-page bytes) and formats registered by name.
#pragma once

#include <string>

#include "platform/Classes.h"
#include "platform/Windows.h"

// The standard formats; registered ones are numbered from 0xC000 up.
constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_METAFILEPICT = 3;
constexpr UINT CF_SYLK = 4;
constexpr UINT CF_DIF = 5;
constexpr UINT CF_TIFF = 6;
constexpr UINT CF_OEMTEXT = 7;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_PALETTE = 9;
constexpr UINT CF_PENDATA = 10;
constexpr UINT CF_RIFF = 11;
constexpr UINT CF_WAVE = 12;
constexpr UINT CF_UNICODETEXT = 13;
constexpr UINT CF_ENHMETAFILE = 14;
constexpr UINT CF_HDROP = 15;
constexpr UINT CF_LOCALE = 16;

// Movable memory blocks handed to the clipboard.
constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GMEM_SHARE = 0x2000;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
HGLOBAL GlobalAlloc(UINT uFlags, std::size_t dwBytes);
void* GlobalLock(HGLOBAL hMem);
BOOL GlobalUnlock(HGLOBAL hMem);
std::size_t GlobalSize(HGLOBAL hMem);
HGLOBAL GlobalFree(HGLOBAL hMem);

// Names map to numbers from 0xC000 up; the same name always gives the same number.
UINT RegisterClipboardFormat(LPCSTR lpszFormat);
// The name a format was registered under (as first given), cut to cchMaxCount - 1 characters and
// terminated; the answer is its length, 0 for a number that is not a registered format.
int GetClipboardFormatName(UINT format, LPSTR lpszFormatName, int cchMaxCount);
// The layer's own: the number a name was registered under (case ignored), 0 when it never was.
// Looking a name up this way registers nothing.
UINT FindClipboardFormat(LPCSTR lpszFormat);
BOOL OpenClipboard(HWND hWndNewOwner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// The clipboard takes ownership of the block. Text is CF_TEXT bytes with a terminating zero.
HANDLE SetClipboardData(UINT uFormat, HANDLE hMem);
// CF_UNICODETEXT is UTF-16 (char16_t) with a terminating zero; it is what other programs see of
// the text. CF_TEXT and CF_OEMTEXT are Windows-1252 bytes; text set in one of the three is read
// in any of them. Line ends are CR LF here and LF on the desktop: other programs get LF for CR LF,
// and their LF, CR LF or lone CR reads as CR LF.
// The block stays the clipboard's; valid until the clipboard is closed.
HANDLE GetClipboardData(UINT uFormat);
BOOL IsClipboardFormatAvailable(UINT format);
// With the clipboard open: the first format on it (format 0), or the one after format; 0 at the end.
// Text is there as CF_TEXT, CF_OEMTEXT and CF_UNICODETEXT.
UINT EnumClipboardFormats(UINT format);

MORVIK_EXCEPTION(EClipboardException, Exception);

class TClipboard : public TPersistent {
public:
    void Open();    // raises EClipboardException when the clipboard cannot be opened
    void Close();
    void Clear();
    bool HasFormat(UINT Format);
    // Text as Windows-1252 bytes.
    std::string AsText();
    void SetAsText(const std::string& Value);
    void SetTextBuf(const char* Buffer);
    int GetTextBuf(char* Buffer, int BufSize);
    // Text as bytes of a code page (CharsetToCodePage: 1251 for a Cyrillic font, 1252 otherwise):
    // other programs give and take the characters the bytes stand for. A character the code page
    // lacks reads as '?'.
    std::string AsText(int CodePage);
    void SetAsText(const std::string& Value, int CodePage);
    void SetTextBuf(const char* Buffer, int CodePage);
    int GetTextBuf(char* Buffer, int BufSize, int CodePage);
    HANDLE GetAsHandle(UINT Format);
    void SetAsHandle(UINT Format, HANDLE Value);

    // The clipboard's text as a paste takes it into a control with an 8-bit character set: each
    // character the code page has; one it lacks gives the letters of it that the code page has (an
    // accented letter its base letter) or nothing. LeftOut (when given) tells whether a character
    // gave nothing. Line ends are CR LF whatever the other program used.
    std::string PasteText(int CodePage, bool* LeftOut = nullptr);

    // The primary selection of the X11 desktop: the text selected last in any program, which a middle
    // click pastes. Setting it makes the program its owner until another program selects text. Where
    // the window system has none, the program keeps one of its own. Line ends as on the clipboard.
    void SetPrimaryText(const std::string& Value, int CodePage);
    bool HasPrimaryText();
    // The primary selection as a paste takes it (as PasteText).
    std::string PrimaryText(int CodePage, bool* LeftOut = nullptr);

private:
    int FOpenRefCount = 0;
};

TClipboard* Clipboard();
