// The toolkit-free part of drag and drop: interface identities, storage media and file-list blocks.
#include "platform/Ole.h"

#include <cstring>

const IID IID_IUnknown = {0x4D6F7200, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDropTarget = {0x4D6F7201, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDropSource = {0x4D6F7202, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDataObject = {0x4D6F7203, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IEnumFORMATETC = {0x4D6F7204, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

void ReleaseStgMedium(STGMEDIUM* m)
{
    if (!m)
        return;
    if (m->pUnkForRelease)
        m->pUnkForRelease->Release();
    else if (m->tymed == TYMED_HGLOBAL && m->hGlobal)
        GlobalFree(m->hGlobal);
    else if (m->tymed == TYMED_GDI && m->hBitmap)
        DeleteObject(m->hBitmap);
    m->tymed = TYMED_NULL;
    m->hGlobal = nullptr;
    m->pUnkForRelease = nullptr;
}

namespace {

std::u16string Utf8ToUtf16(const std::string& s)
{
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        char32_t c = 0xFFFD;
        size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) {
            ++i;
        } else {
            c = n == 1 ? b : b & (0x7F >> n);
            bool ok = true;
            for (size_t k = 1; k < n; ++k) {
                auto cb = static_cast<unsigned char>(s[i + k]);
                ok = ok && (cb >> 6) == 2;
                c = (c << 6) | (cb & 0x3F);
            }
            if (!ok)
                c = 0xFFFD;
            i += ok ? n : 1;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::string Utf16ToUtf8(const std::u16string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

}  // namespace

HGLOBAL CreateDropFiles(const std::vector<std::string>& Names)
{
    std::u16string chars;
    for (const std::string& n : Names) {
        chars += Utf8ToUtf16(n);
        chars += char16_t(0);
    }
    chars += char16_t(0);
    size_t bytes = chars.size() * sizeof(char16_t);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + bytes);
    auto* p = static_cast<char*>(GlobalLock(h));
    if (!p)
        return nullptr;
    DROPFILES head;
    head.fWide = TRUE;
    std::memcpy(p, &head, sizeof head);
    std::memcpy(p + sizeof head, chars.data(), bytes);
    GlobalUnlock(h);
    return h;
}

bool ReadDropFiles(const void* Block, std::size_t Size, std::vector<std::string>& Names)
{
    Names.clear();
    if (!Block || Size < sizeof(DROPFILES))
        return false;
    DROPFILES head;
    std::memcpy(&head, Block, sizeof head);
    if (head.pFiles < sizeof(DROPFILES) || head.pFiles > Size)
        return false;
    const auto* p = static_cast<const unsigned char*>(Block);
    size_t pos = head.pFiles;
    for (;;) {
        if (head.fWide) {
            std::u16string name;
            for (;;) {
                if (pos + 2 > Size) {
                    Names.clear();
                    return false;
                }
                char16_t c = char16_t(p[pos] | (p[pos + 1] << 8));
                pos += 2;
                if (c == 0)
                    break;
                name += c;
            }
            if (name.empty())
                return true;
            Names.push_back(Utf16ToUtf8(name));
        } else {
            const void* end = std::memchr(p + pos, 0, Size - pos);
            if (!end) {
                Names.clear();
                return false;
            }
            size_t len = size_t(static_cast<const unsigned char*>(end) - (p + pos));
            if (len == 0)
                return true;
            Names.emplace_back(reinterpret_cast<const char*>(p + pos), len);
            pos += len + 1;
        }
    }
}
