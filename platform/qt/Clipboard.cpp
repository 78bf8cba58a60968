// The clipboard over the toolkit's clipboard: CF_TEXT as plain text in the program's code page,
// registered formats as private data under their names.
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

void Publish()
{
    EnsureToolkit();
    auto* mime = new QMimeData;
    for (auto& kv : gPending) {
        if (kv.first == CF_TEXT || kv.first == CF_OEMTEXT) {
            QByteArray t = BlockBytes(kv.second, true);
            mime->setText(ToQString(std::string(t.constData(), size_t(t.size()))));
        } else {
            mime->setData(MimeOf(kv.first), BlockBytes(kv.second, false));
        }
    }
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
            if (cur->hasText() && !gPending.count(CF_TEXT)) {
                std::string t = FromQString(cur->text());
                HGLOBAL b = GlobalAlloc(GMEM_MOVEABLE, t.size() + 1);
                std::memcpy(GlobalLock(b), t.c_str(), t.size() + 1);
                GlobalUnlock(b);
                gPending[CF_TEXT] = b;
            }
            for (auto& kv : FormatNames()) {
                if (gPending.count(kv.first) || !cur->hasFormat(MimeOf(kv.first)))
                    continue;
                QByteArray d = cur->data(MimeOf(kv.first));
                HGLOBAL b = GlobalAlloc(GMEM_MOVEABLE, size_t(d.size()));
                if (d.size())
                    std::memcpy(GlobalLock(b), d.constData(), size_t(d.size()));
                GlobalUnlock(b);
                gPending[kv.first] = b;
            }
        }
        gEmptied = true;
    }
    auto it = gPending.find(fmt);
    if (it != gPending.end())
        GlobalFree(it->second);
    gPending[fmt] = h;
    return h;
}

BOOL IsClipboardFormatAvailable(UINT fmt)
{
    if (gOpen && gPending.count(fmt))
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
    const QMimeData* m = ReadableMimeData();
    if (!m)
        return nullptr;
    QByteArray bytes;
    if (fmt == CF_TEXT || fmt == CF_OEMTEXT) {
        if (!m->hasText())
            return nullptr;
        std::string t = FromQString(m->text());
        bytes = QByteArray(t.c_str(), qsizetype(t.size() + 1));
    } else {
        if (!m->hasFormat(MimeOf(fmt)))
            return nullptr;
        bytes = m->data(MimeOf(fmt));
    }
    auto old = gReadCache.find(fmt);
    if (old != gReadCache.end()) {
        if (BlockBytes(old->second, false) == bytes)
            return old->second;
        GlobalFree(old->second);
        gReadCache.erase(old);
    }
    HGLOBAL b = GlobalAlloc(GMEM_MOVEABLE, size_t(bytes.size()));
    if (bytes.size())
        std::memcpy(GlobalLock(b), bytes.constData(), size_t(bytes.size()));
    GlobalUnlock(b);
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
        for (auto& kv : gPending)
            formats.push_back(kv.first);
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

TClipboard* Clipboard()
{
    static TClipboard c;
    return &c;
}
