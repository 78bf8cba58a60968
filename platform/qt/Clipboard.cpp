// The clipboard over the toolkit's clipboard: text (CF_TEXT in the program's code page,
// CF_UNICODETEXT as UTF-16) as the toolkit's plain text, registered formats as private data under
// their names.
#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/Backend.h"
#include "platform/Clipbrd.h"
#include "platform/CodePages.h"
#include "platform/qt/ClipboardMime.h"
#include "platform/qt/X11Clipboard.h"

using namespace morvik::backend;

namespace {

struct GlobalBlock {
    std::vector<char> data;
    int locks = 0;
};
std::unordered_set<GlobalBlock*> gBlocks;
std::mutex gBlocksLock;

GlobalBlock* Block(HGLOBAL h)
{
    auto* b = static_cast<GlobalBlock*>(h);
    std::lock_guard<std::mutex> g(gBlocksLock);
    return gBlocks.count(b) ? b : nullptr;
}

std::map<std::string, UINT>& FormatIds()
{
    static std::map<std::string, UINT> m;
    return m;
}
std::map<UINT, std::string>& FormatNames()
{
    static std::map<UINT, std::string> m;
    return m;
}

const QString kPrivatePrefix = QStringLiteral("application/x-morvik-clipboard;name=");

QString MimeOf(UINT fmt) { return morvik::qtclip::PrivateMimeType(fmt); }

// The clipboard's data; nil when another program owns it and does not answer in time.
const QMimeData* ReadableMimeData()
{
    EnsureToolkit();
    if (!morvik::qtclip::ClipboardOwnerAnswers())
        return nullptr;
    return QGuiApplication::clipboard()->mimeData();
}

// Line ends: CR LF in the program, LF for the desktop.
QString DesktopLines(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QString ProgramLines(const QString& text)
{
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            out += QStringLiteral("\r\n");
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

bool gOpen = false;
std::map<UINT, HGLOBAL> gPending;   // set while open, published at close
// Blocks handed out by GetClipboardData. They stay valid after the clipboard is closed, as the
// system's do, until the content of their format changes; held from a global so that blocks still
// held at exit are not taken for leaks.
std::map<UINT, HGLOBAL>& gReadCache = *new std::map<UINT, HGLOBAL>;
bool gEmptied = false;

void FreeAll(std::map<UINT, HGLOBAL>& m)
{
    for (auto& kv : m)
        GlobalFree(kv.second);
    m.clear();
}

QByteArray BlockBytes(HGLOBAL h, bool text)
{
    GlobalBlock* b = Block(h);
    if (!b)
        return {};
    size_t n = b->data.size();
    if (text) {
        size_t z = 0;
        while (z < n && b->data[z] != 0)
            ++z;
        n = z;
    }
    return QByteArray(b->data.data(), qsizetype(n));
}

bool IsText(UINT fmt) { return fmt == CF_TEXT || fmt == CF_OEMTEXT || fmt == CF_UNICODETEXT; }

// The characters of a text block: UTF-16 up to its zero, or code-page bytes up to theirs.
QString BlockText(HGLOBAL h, UINT fmt)
{
    if (fmt != CF_UNICODETEXT) {
        QByteArray t = BlockBytes(h, true);
        return ToQString(std::string(t.constData(), size_t(t.size())));
    }
    GlobalBlock* b = Block(h);
    if (!b)
        return {};
    std::u16string u(b->data.size() / 2, u'\0');
    if (!u.empty())
        std::memcpy(u.data(), b->data.data(), u.size() * 2);
    u.resize(std::min(u.size(), u.find(u'\0')));
    return QString::fromUtf16(u.data(), qsizetype(u.size()));
}

// A text as the bytes of a block of a text format, terminating zero included.
QByteArray TextBytes(const QString& text, UINT fmt)
{
    if (fmt == CF_UNICODETEXT) {
        QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        bytes.append(2, '\0');
        return bytes;
    }
    std::string t = FromQString(text);
    return QByteArray(t.c_str(), qsizetype(t.size() + 1));
}

// The text set since the clipboard was emptied: UTF-16 first, as the most exact of the three.
bool PendingText(QString& text)
{
    for (UINT fmt : {CF_UNICODETEXT, CF_TEXT, CF_OEMTEXT}) {
        auto it = gPending.find(fmt);
        if (it != gPending.end()) {
            text = BlockText(it->second, fmt);
            return true;
        }
    }
    return false;
}

HGLOBAL BlockOf(const QByteArray& bytes)
{
    HGLOBAL b = GlobalAlloc(GMEM_MOVEABLE, size_t(bytes.size()));
    if (bytes.size())
        std::memcpy(GlobalLock(b), bytes.constData(), size_t(bytes.size()));
    GlobalUnlock(b);
    return b;
}

void Publish()
{
    EnsureToolkit();
    auto* mime = new QMimeData;
    QString text;
    if (PendingText(text))
        mime->setText(DesktopLines(text));
    for (auto& kv : gPending)
        if (!IsText(kv.first))
            mime->setData(MimeOf(kv.first), BlockBytes(kv.second, false));
    QGuiApplication::clipboard()->setMimeData(mime);
    FreeAll(gPending);
}

}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, std::size_t dwBytes)
{
    auto* b = new GlobalBlock;
    b->data.assign(dwBytes, 0);
    (void)uFlags;
    std::lock_guard<std::mutex> g(gBlocksLock);
    gBlocks.insert(b);
    return b;
}

void* GlobalLock(HGLOBAL h)
{
    GlobalBlock* b = Block(h);
    if (!b)
        return nullptr;
    ++b->locks;
    return b->data.empty() ? static_cast<void*>(b) : b->data.data();
}

BOOL GlobalUnlock(HGLOBAL h)
{
    GlobalBlock* b = Block(h);
    if (!b || b->locks == 0)
        return FALSE;
    return --b->locks > 0;
}

std::size_t GlobalSize(HGLOBAL h)
{
    GlobalBlock* b = Block(h);
    return b ? b->data.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL h)
{
    GlobalBlock* b = Block(h);
    if (!b)
        return h;
    {
        std::lock_guard<std::mutex> g(gBlocksLock);
        gBlocks.erase(b);
    }
    delete b;
    return nullptr;
}

UINT RegisterClipboardFormat(LPCSTR name)
{
    if (!name || !*name)
        return 0;
    std::string key = UpperCase(name);
    auto it = FormatIds().find(key);
    if (it != FormatIds().end())
        return it->second;
    UINT id = 0xC000 + UINT(FormatIds().size());
    FormatIds()[key] = id;
    FormatNames()[id] = name;
    return id;
}

BOOL OpenClipboard(HWND)
{
    if (gOpen)
        return FALSE;
    gOpen = true;
    gEmptied = false;
    return TRUE;
}

BOOL EmptyClipboard()
{
    if (!gOpen)
        return FALSE;
    FreeAll(gPending);
    gEmptied = true;
    return TRUE;
}

HANDLE SetClipboardData(UINT fmt, HANDLE h)
{
    if (!gOpen || !Block(h))
        return nullptr;
    if (!gEmptied) {
        // Setting data without emptying first keeps what is there in other formats.
        const QMimeData* cur = ReadableMimeData();
        if (cur) {
            // Kept as UTF-16, so that no character of another program's text is lost.
            if (cur->hasText() && !IsText(fmt))
                gPending[CF_UNICODETEXT] = BlockOf(TextBytes(ProgramLines(cur->text()), CF_UNICODETEXT));
            for (auto& kv : FormatNames()) {
                if (gPending.count(kv.first) || !cur->hasFormat(MimeOf(kv.first)))
                    continue;
                gPending[kv.first] = BlockOf(cur->data(MimeOf(kv.first)));
            }
        }
        gEmptied = true;
    }
    // One text stands on the clipboard: a new one in any of the three formats replaces the old.
    for (auto it = gPending.begin(); it != gPending.end();) {
        if (it->first == fmt || (IsText(fmt) && IsText(it->first) && it->second != h)) {
            if (it->second != h)
                GlobalFree(it->second);
            it = gPending.erase(it);
        } else {
            ++it;
        }
    }
    gPending[fmt] = h;
    return h;
}

BOOL IsClipboardFormatAvailable(UINT fmt)
{
    QString text;
    if (gOpen && (gPending.count(fmt) || (IsText(fmt) && PendingText(text))))
        return TRUE;
    const QMimeData* m = ReadableMimeData();
    if (!m)
        return FALSE;
    if (fmt == CF_TEXT || fmt == CF_OEMTEXT || fmt == CF_UNICODETEXT)
        return m->hasText();
    return m->hasFormat(MimeOf(fmt));
}

HANDLE GetClipboardData(UINT fmt)
{
    if (!gOpen)
        return nullptr;
    auto p = gPending.find(fmt);
    if (p != gPending.end())
        return p->second;
    QByteArray bytes;
    QString text;
    if (IsText(fmt) && PendingText(text)) {
        bytes = TextBytes(text, fmt);
    } else {
        const QMimeData* m = ReadableMimeData();
        if (!m)
            return nullptr;
        if (IsText(fmt)) {
            if (!m->hasText())
                return nullptr;
            bytes = TextBytes(ProgramLines(m->text()), fmt);
        } else {
            if (!m->hasFormat(MimeOf(fmt)))
                return nullptr;
            bytes = m->data(MimeOf(fmt));
        }
    }
    auto old = gReadCache.find(fmt);
    if (old != gReadCache.end()) {
        if (BlockBytes(old->second, false) == bytes)
            return old->second;
        GlobalFree(old->second);
        gReadCache.erase(old);
    }
    HGLOBAL b = BlockOf(bytes);
    gReadCache[fmt] = b;
    return b;
}

BOOL CloseClipboard()
{
    if (!gOpen)
        return FALSE;
    if (gEmptied) {
        Publish();
        FreeAll(gReadCache);
    }
    gOpen = false;
    gEmptied = false;
    return TRUE;
}

UINT EnumClipboardFormats(UINT format)
{
    if (!gOpen)
        return 0;
    std::vector<UINT> formats;
    if (gEmptied) {
        QString text;
        for (auto& kv : gPending)
            if (!IsText(kv.first))
                formats.push_back(kv.first);
        if (PendingText(text))
            formats.insert(formats.end(), {CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT});
    } else {
        EnsureToolkit();
        if (const QMimeData* m = ReadableMimeData()) {
            if (m->hasText())
                formats.insert(formats.end(), {CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT});
            for (auto& kv : FormatNames())
                if (m->hasFormat(MimeOf(kv.first)))
                    formats.push_back(kv.first);
        }
    }
    std::sort(formats.begin(), formats.end());
    auto next = std::upper_bound(formats.begin(), formats.end(), format);
    return next == formats.end() ? 0 : *next;
}

int GetClipboardFormatName(UINT format, LPSTR name, int maxCount)
{
    auto it = FormatNames().find(format);
    if (it == FormatNames().end() || !name || maxCount <= 0)
        return 0;
    size_t n = std::min(it->second.size(), size_t(maxCount - 1));
    std::memcpy(name, it->second.data(), n);
    name[n] = 0;
    return int(n);
}

UINT FindClipboardFormat(LPCSTR name)
{
    if (!name)
        return 0;
    auto it = FormatIds().find(UpperCase(name));
    return it == FormatIds().end() ? 0 : it->second;
}

namespace morvik::qtclip {

QString PrivateMimeType(UINT format)
{
    auto it = FormatNames().find(format);
    std::string name = it == FormatNames().end() ? "format-" + IntToStr(format) : it->second;
    return kPrivatePrefix + QString::fromStdString(name);
}

UINT FormatOfPrivateMimeType(const QString& mime)
{
    if (!mime.startsWith(kPrivatePrefix))
        return 0;
    std::string name = mime.mid(kPrivatePrefix.size()).toStdString();
    return name.empty() ? 0 : RegisterClipboardFormat(name.c_str());
}

}  // namespace morvik::qtclip

// ---- TClipboard -------------------------------------------------------------------------------------
void TClipboard::Open()
{
    if (FOpenRefCount == 0 && !OpenClipboard(nullptr))
        throw EClipboardException("Cannot open clipboard");
    ++FOpenRefCount;
}

void TClipboard::Close()
{
    if (FOpenRefCount == 0)
        return;
    if (--FOpenRefCount == 0)
        CloseClipboard();
}

void TClipboard::Clear()
{
    Open();
    EmptyClipboard();
    Close();
}

bool TClipboard::HasFormat(UINT Format) { return IsClipboardFormatAvailable(Format); }

std::string TClipboard::AsText()
{
    Open();
    std::string out;
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        const char* p = static_cast<const char*>(GlobalLock(h));
        size_t n = GlobalSize(h);
        size_t z = 0;
        while (z < n && p[z])
            ++z;
        out.assign(p, z);
        GlobalUnlock(h);
    }
    Close();
    return out;
}

void TClipboard::SetTextBuf(const char* Buffer)
{
    std::string s = Buffer ? Buffer : "";
    Open();
    EmptyClipboard();
    HGLOBAL b = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, s.size() + 1);
    std::memcpy(GlobalLock(b), s.c_str(), s.size() + 1);
    GlobalUnlock(b);
    SetClipboardData(CF_TEXT, b);
    Close();
}

void TClipboard::SetAsText(const std::string& Value) { SetTextBuf(Value.c_str()); }

int TClipboard::GetTextBuf(char* Buffer, int BufSize)
{
    if (!Buffer || BufSize <= 0)
        return 0;
    std::string t = AsText();
    int n = std::min(BufSize - 1, int(t.size()));
    std::memcpy(Buffer, t.data(), size_t(n));
    Buffer[n] = 0;
    return n;
}

std::string TClipboard::AsText(int CodePage)
{
    Open();
    std::string out;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT))
        out = Utf32ToCodePage(BlockText(h, CF_UNICODETEXT).toStdU32String(), CodePage);
    Close();
    return out;
}

void TClipboard::SetTextBuf(const char* Buffer, int CodePage)
{
    const QString text = QString::fromStdU32String(CodePageToUtf32(Buffer ? Buffer : "", CodePage));
    Open();
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, BlockOf(TextBytes(text, CF_UNICODETEXT)));
    Close();
}

void TClipboard::SetAsText(const std::string& Value, int CodePage) { SetTextBuf(Value.c_str(), CodePage); }

int TClipboard::GetTextBuf(char* Buffer, int BufSize, int CodePage)
{
    if (!Buffer || BufSize <= 0)
        return 0;
    std::string t = AsText(CodePage);
    int n = std::min(BufSize - 1, int(t.size()));
    std::memcpy(Buffer, t.data(), size_t(n));
    Buffer[n] = 0;
    return n;
}

HANDLE TClipboard::GetAsHandle(UINT Format)
{
    Open();
    HANDLE h = GetClipboardData(Format);
    Close();
    return h;
}

void TClipboard::SetAsHandle(UINT Format, HANDLE Value)
{
    Open();
    SetClipboardData(Format, Value);
    Close();
}

std::string TClipboard::PasteText(int CodePage, bool* LeftOut)
{
    Open();
    QString text;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT))
        text = BlockText(h, CF_UNICODETEXT);
    Close();
    return UserTextToCodePage(text, CodePage, LeftOut);
}

namespace {
// The program's own primary selection where the window system keeps none (CR LF line ends).
QString& OwnPrimary()
{
    static QString text;
    return text;
}
bool gHasOwnPrimary = false;
}  // namespace

void TClipboard::SetPrimaryText(const std::string& Value, int CodePage)
{
    EnsureToolkit();
    const QString text = QString::fromStdU32String(CodePageToUtf32(Value, CodePage));
    QClipboard* clip = QGuiApplication::clipboard();
    if (clip->supportsSelection()) {
        clip->setText(DesktopLines(text), QClipboard::Selection);
    } else {
        OwnPrimary() = ProgramLines(text);
        gHasOwnPrimary = true;
    }
}

bool TClipboard::HasPrimaryText()
{
    EnsureToolkit();
    QClipboard* clip = QGuiApplication::clipboard();
    if (!clip->supportsSelection())
        return gHasOwnPrimary;
    if (!morvik::qtclip::PrimaryOwnerAnswers())
        return false;
    const QMimeData* m = clip->mimeData(QClipboard::Selection);
    return m && m->hasText();
}

std::string TClipboard::PrimaryText(int CodePage, bool* LeftOut)
{
    EnsureToolkit();
    QClipboard* clip = QGuiApplication::clipboard();
    QString text;
    if (!clip->supportsSelection()) {
        text = OwnPrimary();
    } else if (morvik::qtclip::PrimaryOwnerAnswers()) {
        const QMimeData* m = clip->mimeData(QClipboard::Selection);
        if (m && m->hasText())
            text = ProgramLines(m->text());
    }
    return UserTextToCodePage(text, CodePage, LeftOut);
}

TClipboard* Clipboard()
{
    static TClipboard c;
    return &c;
}
