// Drag and drop over the toolkit. A registered window hears the toolkit's drag events through a
// filter that turns them into drop-target calls; a drag started here runs the toolkit's own drag
// where the desktop has one (so it can end in another program) and the layer's loop where it has
// none (headless). Data crosses between programs in the desktop's types:
//   CF_TEXT, CF_UNICODETEXT      text/plain
//   CF_HDROP                     text/uri-list (local files)
//   CF_BITMAP (a GDI bitmap)     image/png
//   registered formats           the private clipboard type of their name; a name that is itself a
//                                type ("text/html") travels under that type too
// and any other type another program offers is seen here as a format registered under its name.
#include <QBuffer>
#include <QDrag>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "platform/DragInput.h"
#include "platform/Forms.h"
#include "platform/Ole.h"
#include "platform/qt/ClipboardMime.h"
#include "platform/qt/DragSurroundings.h"
#include "platform/qt/OleDrag.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace {

thread_local int tOleInit = 0;

constexpr DWORD kEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
// Types another program's drag may carry that are seen here as registered formats: more, or
// longer names, are left out rather than registered.
constexpr int kMaxForeignTypes = 64;
constexpr int kMaxTypeLength = 128;

// ---- Conversions -------------------------------------------------------------------------------
Qt::DropActions ActionsOf(DWORD effects)
{
    Qt::DropActions a;
    if (effects & DROPEFFECT_COPY)
        a |= Qt::CopyAction;
    if (effects & DROPEFFECT_MOVE)
        a |= Qt::MoveAction;
    if (effects & DROPEFFECT_LINK)
        a |= Qt::LinkAction;
    return a;
}

DWORD EffectsOf(Qt::DropActions a)
{
    DWORD e = 0;
    if (a & Qt::CopyAction)
        e |= DROPEFFECT_COPY;
    if (a & Qt::MoveAction)
        e |= DROPEFFECT_MOVE;
    if (a & Qt::LinkAction)
        e |= DROPEFFECT_LINK;
    return e;
}

// The one action the toolkit reports for an effect set.
Qt::DropAction ActionOf(DWORD effect)
{
    if (effect & DROPEFFECT_COPY)
        return Qt::CopyAction;
    if (effect & DROPEFFECT_MOVE)
        return Qt::MoveAction;
    if (effect & DROPEFFECT_LINK)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

DWORD KeysOf(Qt::MouseButtons b, Qt::KeyboardModifiers m)
{
    DWORD k = 0;
    if (b & Qt::LeftButton)
        k |= MK_LBUTTON;
    if (b & Qt::RightButton)
        k |= MK_RBUTTON;
    if (b & Qt::MiddleButton)
        k |= MK_MBUTTON;
    if (m & Qt::ShiftModifier)
        k |= MK_SHIFT;
    if (m & Qt::ControlModifier)
        k |= MK_CONTROL;
    if (m & Qt::AltModifier)
        k |= MK_ALT;
    return k;
}

// The layer's own view of buttons and keys (drags it runs itself).
DWORD LayerKeys() { return DWORD(KeyFlags(gButtons)) | ((gKeyState[VK_MENU] & 0x80) ? DWORD(MK_ALT) : 0u); }
Qt::MouseButtons LayerButtons()
{
    Qt::MouseButtons b;
    if (gButtons & 1)
        b |= Qt::LeftButton;
    if (gButtons & 2)
        b |= Qt::RightButton;
    if (gButtons & 4)
        b |= Qt::MiddleButton;
    return b;
}
Qt::KeyboardModifiers LayerModifiers()
{
    Qt::KeyboardModifiers m;
    if (gKeyState[VK_SHIFT] & 0x80)
        m |= Qt::ShiftModifier;
    if (gKeyState[VK_CONTROL] & 0x80)
        m |= Qt::ControlModifier;
    if (gKeyState[VK_MENU] & 0x80)
        m |= Qt::AltModifier;
    return m;
}

HGLOBAL BlockOf(const QByteArray& bytes, bool terminate)
{
    size_t n = size_t(bytes.size()) + (terminate ? 1 : 0);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, n);
    if (!h)
        return nullptr;
    if (!bytes.isEmpty())
        std::memcpy(GlobalLock(h), bytes.constData(), size_t(bytes.size()));
    else
        GlobalLock(h);
    GlobalUnlock(h);
    return h;
}

QByteArray BytesOf(HGLOBAL h)
{
    size_t n = GlobalSize(h);
    const char* p = static_cast<const char*>(GlobalLock(h));
    QByteArray out = p && n ? QByteArray(p, qsizetype(n)) : QByteArray();
    GlobalUnlock(h);
    return out;
}

// Text blocks end at their first zero, or at the block's end when a sender left the zero out.
QByteArray TextBytesOf(HGLOBAL h, bool wide)
{
    QByteArray b = BytesOf(h);
    qsizetype n = 0;
    if (wide) {
        while (n + 1 < b.size() && (b[n] != 0 || b[n + 1] != 0))
            n += 2;
    } else {
        while (n < b.size() && b[n] != 0)
            ++n;
    }
    return b.left(n);
}

// Reports an exception a handler let out of a drag callback: it must not unwind the toolkit.
template <class F>
void Guarded(F&& f)
{
    try {
        f();
    } catch (const std::exception&) {
        if (Application)
            Application->HandleException(nullptr);
    } catch (...) {
    }
}

// ---- Format enumerator ---------------------------------------------------------------------------
class FormatEnum final : public IEnumFORMATETC {
public:
    explicit FormatEnum(std::vector<FORMATETC> f, size_t at = 0) : FFormats(std::move(f)), FAt(at) {}
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        return QueryOneInterface<IEnumFORMATETC>(this, iid, IID_IEnumFORMATETC, out);
    }
    ULONG AddRef() override { return ++FRefs; }
    ULONG Release() override
    {
        ULONG r = --FRefs;
        if (r == 0)
            delete this;
        return r;
    }
    HRESULT Next(ULONG celt, FORMATETC* rgelt, ULONG* fetched) override
    {
        ULONG n = 0;
        while (n < celt && FAt < FFormats.size())
            rgelt[n++] = FFormats[FAt++];
        if (fetched)
            *fetched = n;
        return n == celt ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG celt) override
    {
        if (FFormats.size() - FAt < celt) {
            FAt = FFormats.size();
            return S_FALSE;
        }
        FAt += celt;
        return S_OK;
    }
    HRESULT Reset() override
    {
        FAt = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumFORMATETC** out) override
    {
        if (!out)
            return E_POINTER;
        *out = new FormatEnum(FFormats, FAt);
        return S_OK;
    }

private:
    ~FormatEnum() = default;
    std::vector<FORMATETC> FFormats;
    size_t FAt;
    ULONG FRefs = 1;
};

FORMATETC Format(UINT cf, DWORD tymed)
{
    FORMATETC f;
    f.cfFormat = CLIPFORMAT(cf);
    f.tymed = tymed;
    return f;
}

// ---- Our data for other programs -----------------------------------------------------------------
// Reads the data object only when a type is asked for; Freeze reads everything that is left and
// lets the data object go (another program may still ask after our drag call has returned).
class OleMimeData final : public QMimeData {
public:
    explicit OleMimeData(IDataObject* data) : FData(data)
    {
        FData->AddRef();
        std::vector<FORMATETC> offered;
        IEnumFORMATETC* e = nullptr;
        if (FData->EnumFormatEtc(DATADIR_GET, &e) == S_OK && e) {
            FORMATETC f;
            ULONG got = 0;
            // A damaged enumerator must not keep the drag from starting.
            for (int guard = 0; guard < 4096 && e->Next(1, &f, &got) == S_OK && got == 1; ++guard)
                offered.push_back(f);
            e->Release();
        }
        auto has = [&](UINT cf) {
            return std::any_of(offered.begin(), offered.end(), [&](const FORMATETC& f) { return f.cfFormat == cf; });
        };
        for (const FORMATETC& f : offered) {
            UINT cf = f.cfFormat;
            if ((cf == CF_UNICODETEXT || (cf == CF_TEXT && !has(CF_UNICODETEXT))) && (f.tymed & TYMED_HGLOBAL))
                Add("text/plain", Format(cf, TYMED_HGLOBAL));
            else if (cf == CF_HDROP && (f.tymed & TYMED_HGLOBAL))
                Add("text/uri-list", Format(cf, TYMED_HGLOBAL));
            else if (cf == CF_BITMAP && (f.tymed & TYMED_GDI))
                Add("image/png", Format(cf, TYMED_GDI));
            else if (cf >= 0xC000 && (f.tymed & TYMED_HGLOBAL)) {
                Add(morvik::qtclip::PrivateMimeType(cf), Format(cf, TYMED_HGLOBAL));
                char name[kMaxTypeLength + 1];
                if (GetClipboardFormatName(cf, name, sizeof name) > 0 && std::strchr(name, '/'))
                    Add(QString::fromUtf8(name), Format(cf, TYMED_HGLOBAL));
            }
        }
    }
    ~OleMimeData() override { Detach(); }

    IDataObject* Data() const { return FData; }
    void Freeze()
    {
        for (auto& t : FTypes)
            Read(t.first);
        Detach();
    }
    QStringList formats() const override
    {
        QStringList l;
        for (auto& t : FTypes)
            l << t.first;
        return l;
    }
    bool hasFormat(const QString& type) const override { return Find(type) != nullptr; }
    // Every type in full, for a program that stands in for another one.
    Input::TDragDataList All() const
    {
        Input::TDragDataList out;
        for (auto& t : FTypes) {
            QByteArray b = Read(t.first);
            out.push_back({t.first.toStdString(), std::string(b.constData(), size_t(b.size()))});
        }
        return out;
    }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override
    {
        if (!Find(type))
            return {};
        return Read(type);
    }

private:
    void Add(const QString& type, FORMATETC f)
    {
        if (!Find(type))
            FTypes.emplace_back(type, f);
    }
    const FORMATETC* Find(const QString& type) const
    {
        for (auto& t : FTypes)
            if (t.first == type)
                return &t.second;
        return nullptr;
    }
    void Detach()
    {
        if (FData)
            FData->Release();
        FData = nullptr;
    }
    QByteArray Read(const QString& type) const
    {
        auto c = FCache.find(type);
        if (c != FCache.end())
            return c->second;
        const FORMATETC* f = Find(type);
        QByteArray out;
        if (!f || !FData)
            return out;
        FORMATETC want = *f;
        STGMEDIUM m;
        HRESULT hr = E_FAIL;
        Guarded([&] { hr = FData->GetData(&want, &m); });
        if (hr != S_OK)
            return out;
        if (m.tymed == TYMED_HGLOBAL && m.hGlobal) {
            if (want.cfFormat == CF_TEXT)
                out = ToQString(TextBytesOf(m.hGlobal, false).toStdString()).toUtf8();
            else if (want.cfFormat == CF_UNICODETEXT) {
                QByteArray w = TextBytesOf(m.hGlobal, true);
                out = QString::fromUtf16(reinterpret_cast<const char16_t*>(w.constData()), w.size() / 2).toUtf8();
            } else if (want.cfFormat == CF_HDROP) {
                QByteArray b = BytesOf(m.hGlobal);
                std::vector<std::string> names;
                if (ReadDropFiles(b.constData(), size_t(b.size()), names))
                    for (const std::string& n : names)
                        out += QUrl::fromLocalFile(QString::fromStdString(n)).toEncoded() + "\r\n";
            } else {
                out = BytesOf(m.hGlobal);
            }
        } else if (m.tymed == TYMED_GDI && m.hBitmap) {
            if (QImage* img = BitmapImage(m.hBitmap)) {
                QBuffer buf(&out);
                buf.open(QIODevice::WriteOnly);
                img->save(&buf, "PNG");
            }
        }
        ReleaseStgMedium(&m);
        FCache[type] = out;
        return out;
    }

    IDataObject* FData;
    std::vector<std::pair<QString, FORMATETC>> FTypes;
    mutable std::map<QString, QByteArray> FCache;
};

// ---- Another program's data seen here -------------------------------------------------------------
class MimeDataObject final : public IDataObject {
public:
    explicit MimeDataObject(const QMimeData* mime) : FMime(const_cast<QMimeData*>(mime))
    {
        if (mime->hasText()) {
            FFormats.push_back({Format(CF_TEXT, TYMED_HGLOBAL), {}});
            FFormats.push_back({Format(CF_UNICODETEXT, TYMED_HGLOBAL), {}});
        }
        if (mime->hasUrls()) {
            bool local = false;
            for (const QUrl& u : mime->urls())
                local = local || u.isLocalFile();
            if (local)
                FFormats.push_back({Format(CF_HDROP, TYMED_HGLOBAL), {}});
        }
        const QStringList types = mime->formats();
        if (mime->hasImage() ||
            std::any_of(types.begin(), types.end(), [](const QString& t) { return t.startsWith("image/"); }))
            FFormats.push_back({Format(CF_BITMAP, TYMED_GDI), {}});
        int named = 0;
        for (const QString& t : types) {
            UINT cf = morvik::qtclip::FormatOfPrivateMimeType(t);
            if (!cf && named < kMaxForeignTypes && t.size() <= kMaxTypeLength && !t.startsWith("application/x-qt")) {
                ++named;
                cf = RegisterClipboardFormat(t.toUtf8().constData());
            }
            if (cf && std::none_of(FFormats.begin(), FFormats.end(), [&](auto& f) { return f.first.cfFormat == cf; }))
                FFormats.push_back({Format(cf, TYMED_HGLOBAL), t});
        }
    }
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        return QueryOneInterface<IDataObject>(this, iid, IID_IDataObject, out);
    }
    ULONG AddRef() override { return ++FRefs; }
    ULONG Release() override
    {
        ULONG r = --FRefs;
        if (r == 0)
            delete this;
        return r;
    }
    HRESULT GetData(FORMATETC* f, STGMEDIUM* m) override
    {
        if (!f || !m)
            return E_INVALIDARG;
        *m = STGMEDIUM();
        const auto* e = Match(f);
        if (!e)
            return DV_E_FORMATETC;
        if (!FMime)
            return E_UNEXPECTED;  // the drag is over
        UINT cf = f->cfFormat;
        if (cf == CF_BITMAP) {
            QImage img = qvariant_cast<QImage>(FMime->imageData());
            for (const QString& t : FMime->formats())
                if (img.isNull() && t.startsWith("image/"))
                    img = QImage::fromData(FMime->data(t));
            if (img.isNull())
                return DV_E_FORMATETC;
            HBITMAP b = CreateBitmap(img.width(), img.height(), 1, 32, nullptr);
            *BitmapImage(b) = img.convertToFormat(QImage::Format_RGB32);
            m->tymed = TYMED_GDI;
            m->hBitmap = b;
            return S_OK;
        }
        HGLOBAL h = nullptr;
        if (cf == CF_TEXT) {
            // Dropped text keeps what the code page holds, as typed and pasted text does.
            h = BlockOf(QByteArray::fromStdString(UserTextToCodePage(FMime->text(), 1252)), true);
        } else if (cf == CF_UNICODETEXT) {
            QString t = FMime->text();
            h = BlockOf(QByteArray(reinterpret_cast<const char*>(t.utf16()), t.size() * 2) + QByteArray(2, 0), false);
        } else if (cf == CF_HDROP) {
            std::vector<std::string> names;
            for (const QUrl& u : FMime->urls())
                if (u.isLocalFile())
                    names.push_back(u.toLocalFile().toStdString());
            h = CreateDropFiles(names);
        } else {
            h = BlockOf(FMime->data(e->second), false);
        }
        if (!h)
            return E_OUTOFMEMORY;
        m->tymed = TYMED_HGLOBAL;
        m->hGlobal = h;
        return S_OK;
    }
    HRESULT GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT QueryGetData(FORMATETC* f) override { return f && Match(f) ? S_OK : DV_E_FORMATETC; }
    HRESULT GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        if (out)
            out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD dir, IEnumFORMATETC** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (dir != DATADIR_GET)
            return E_NOTIMPL;
        std::vector<FORMATETC> l;
        for (auto& f : FFormats)
            l.push_back(f.first);
        *out = new FormatEnum(std::move(l));
        return S_OK;
    }
    HRESULT DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT EnumDAdvise(IEnumSTATDATA** out) override
    {
        if (out)
            *out = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    ~MimeDataObject() = default;
    const std::pair<FORMATETC, QString>* Match(const FORMATETC* f) const
    {
        if (f->dwAspect != DVASPECT_CONTENT)
            return nullptr;
        for (auto& e : FFormats)
            if (e.first.cfFormat == f->cfFormat && (e.first.tymed & f->tymed))
                return &e;
        return nullptr;
    }
    QPointer<QMimeData> FMime;
    std::vector<std::pair<FORMATETC, QString>> FFormats;
    ULONG FRefs = 1;
};

// The data object a drop target is given for the toolkit's drag data: our own data object when
// the drag started here, else a view of the other program's data. The caller owns one reference.
IDataObject* DataObjectOf(const QMimeData* mime)
{
    if (auto* own = dynamic_cast<const OleMimeData*>(mime); own && own->Data()) {
        own->Data()->AddRef();
        return own->Data();
    }
    return new MimeDataObject(mime);
}

// ---- Registered windows --------------------------------------------------------------------------
class DropFilter;
struct Site {
    IDropTarget* Target = nullptr;
    DropFilter* Filter = nullptr;
};
std::map<HWND, Site>& Sites()
{
    static std::map<HWND, Site> sites;
    return sites;
}

// Turns the toolkit's drag events for one window into calls of its drop target.
class DropFilter final : public QObject {
public:
    DropFilter(HWND wnd, QWidget* widget) : QObject(widget), FWnd(wnd) {}
    ~DropFilter() override { Retire(); }
    // The effect the target answered last, as it answered it.
    DWORD LastEffect() const { return FEffect; }
    // Leaves a drag in progress and releases the target. A filter whose target is being called (a
    // handler revoked the window, or freed its control) goes only once that call has returned.
    void Revoke()
    {
        if (FBusy == 0) {
            delete this;
            return;
        }
        Retire();
        if (auto* w = qobject_cast<QWidget*>(parent()))
            w->removeEventFilter(this);
        deleteLater();
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        struct TBusy {
            int& Count;
            explicit TBusy(int& C) : Count(C) { ++Count; }
            ~TBusy() { --Count; }
        } busy(FBusy);
        switch (e->type()) {
        case QEvent::DragEnter: {
            auto* de = static_cast<QDragEnterEvent*>(e);
            Enter(de);
            de->setDropAction(ActionOf(FEffect));
            de->accept();  // refused or not, moves keep coming
            return true;
        }
        case QEvent::DragMove: {
            auto* me = static_cast<QDragMoveEvent*>(e);
            DWORD keys = KeysOf(me->buttons(), me->modifiers());
            POINTL pt = ScreenOf(me->position().toPoint());
            if (!FData) {
                Enter(me);
            } else if (!(FFresh && pt.x == FPoint.x && pt.y == FPoint.y && keys == FKeys)) {
                // The toolkit follows every entry with a move to the same point: one call is enough.
                IDropTarget* t = Target();
                FEffect = EffectsOf(me->possibleActions());
                if (t)
                    Guarded([&] { t->DragOver(keys, pt, &FEffect); });
                else
                    FEffect = DROPEFFECT_NONE;
            }
            FFresh = false;
            Answer(me);
            return true;
        }
        case QEvent::DragLeave:
            EndVisit(true);
            return true;
        case QEvent::Drop: {
            auto* de = static_cast<QDropEvent*>(e);
            if (!FData)
                Enter(de);
            DWORD keys = KeysOf(de->buttons(), de->modifiers());
            POINTL pt = ScreenOf(de->position().toPoint());
            FEffect = EffectsOf(de->possibleActions());
            IDataObject* data = FData;
            FData = nullptr;
            if (IDropTarget* t = Target())
                Guarded([&] { t->Drop(data, keys, pt, &FEffect); });
            else
                FEffect = DROPEFFECT_NONE;
            data->Release();
            Answer(de);
            return true;
        }
        default:
            return false;
        }
    }

private:
    void Retire()
    {
        EndVisit(true);
        auto it = Sites().find(FWnd);
        if (it != Sites().end() && it->second.Filter == this) {
            IDropTarget* t = it->second.Target;
            Sites().erase(it);
            t->Release();
        }
    }
    IDropTarget* Target() const
    {
        auto it = Sites().find(FWnd);
        return it == Sites().end() || it->second.Filter != this ? nullptr : it->second.Target;
    }
    POINTL ScreenOf(QPoint local) const
    {
        WindowRec* w = Rec(FWnd);
        TPoint o = w ? ImageScreenOrigin(w) : TPoint{};
        return POINTL{o.X + local.x(), o.Y + local.y()};
    }
    void Enter(QDropEvent* e)
    {
        EndVisit(true);
        FData = DataObjectOf(e->mimeData());
        FKeys = KeysOf(e->buttons(), e->modifiers());
        FPoint = ScreenOf(e->position().toPoint());
        FEffect = EffectsOf(e->possibleActions());
        FFresh = true;
        if (IDropTarget* t = Target())
            Guarded([&] { t->DragEnter(FData, FKeys, FPoint, &FEffect); });
        else
            FEffect = DROPEFFECT_NONE;
    }
    void EndVisit(bool tell)
    {
        if (!FData)
            return;
        IDataObject* data = FData;
        FData = nullptr;
        if (IDropTarget* t = tell ? Target() : nullptr)
            Guarded([&] { t->DragLeave(); });
        data->Release();
    }
    void Answer(QDropEvent* e) const
    {
        if (FEffect & kEffects) {
            e->setDropAction(ActionOf(FEffect));
            e->accept();
        } else {
            e->setDropAction(Qt::IgnoreAction);
            e->ignore();
        }
    }

    HWND FWnd;
    IDataObject* FData = nullptr;  // while a drag is over the window
    DWORD FKeys = 0;
    POINTL FPoint;
    DWORD FEffect = DROPEFFECT_NONE;
    bool FFresh = false;
    int FBusy = 0;  // event calls of this filter running
};

// The registered window a screen point belongs to (a child that is not registered passes the drag
// to its nearest registered parent), and its widget.
HWND SiteAt(TPoint screen)
{
    HWND h = WindowFromPoint(screen);
    while (h && !Sites().count(h))
        h = GetParent(h);
    return h;
}

QWidget* SiteWidget(HWND h)
{
    WindowRec* w = Rec(h);
    return w ? w->widget : nullptr;
}

QPoint LocalOf(HWND h, TPoint screen)
{
    WindowRec* w = Rec(h);
    TPoint o = w ? ImageScreenOrigin(w) : TPoint{};
    return QPoint(screen.X - o.X, screen.Y - o.Y);
}

DWORD SiteEffect(HWND h)
{
    auto it = Sites().find(h);
    return it == Sites().end() ? DROPEFFECT_NONE : it->second.Filter->LastEffect();
}

// ---- The layer's drag loop -----------------------------------------------------------------------
TDragSurroundings* gSurroundings = nullptr;

struct LayerDrag {
    IDataObject* Data;
    IDropSource* Source;
    DWORD Allowed;
    OleMimeData* Mime;
    TPoint Pos;
    bool Changed = true;
    bool Escape = false;
    HWND Over = nullptr;
    bool OverForeign = false;
    DWORD Effect = DROPEFFECT_NONE;
};
LayerDrag* gLayerDrag = nullptr;

// Answers, for a drop, the effect the window took (the window may have gone by then).
DWORD SendDragEvent(HWND h, QEvent::Type type, LayerDrag& d)
{
    QWidget* w = SiteWidget(h);
    if (!w)
        return DROPEFFECT_NONE;
    QPoint p = LocalOf(h, d.Pos);
    if (type == QEvent::DragLeave) {
        QDragLeaveEvent e;
        QCoreApplication::sendEvent(w, &e);
    } else if (type == QEvent::DragEnter) {
        QDragEnterEvent e(p, ActionsOf(d.Allowed), d.Mime, LayerButtons(), LayerModifiers());
        QCoreApplication::sendEvent(w, &e);
    } else if (type == QEvent::DragMove) {
        QDragMoveEvent e(p, ActionsOf(d.Allowed), d.Mime, LayerButtons(), LayerModifiers());
        QCoreApplication::sendEvent(w, &e);
    } else {
        QDropEvent e(QPointF(p), ActionsOf(d.Allowed), d.Mime, LayerButtons(), LayerModifiers());
        QCoreApplication::sendEvent(w, &e);
        return e.isAccepted() ? EffectsOf(e.dropAction()) : DROPEFFECT_NONE;
    }
    return DROPEFFECT_NONE;
}

void LeaveTarget(LayerDrag& d)
{
    if (d.Over && Sites().count(d.Over))
        SendDragEvent(d.Over, QEvent::DragLeave, d);
    d.Over = nullptr;
    d.OverForeign = false;
    d.Effect = DROPEFFECT_NONE;
}

void MoveTo(LayerDrag& d)
{
    HWND under = SiteAt(d.Pos);
    bool foreign = !under && !WindowFromPoint(d.Pos) && gSurroundings && gSurroundings->HasForeignSite();
    if (d.Over && !Sites().count(d.Over))
        d.Over = nullptr;  // the window went away under the drag
    if (under != d.Over || foreign != d.OverForeign) {
        LeaveTarget(d);
        d.Over = under;
        d.OverForeign = foreign;
        if (under)
            SendDragEvent(under, QEvent::DragEnter, d);
    } else if (under) {
        SendDragEvent(under, QEvent::DragMove, d);
    }
    if (d.Over)
        d.Effect = SiteEffect(d.Over);
    else if (d.OverForeign)
        d.Effect = gSurroundings->ForeignSite(d.Mime->All(), d.Allowed, false);
    else
        d.Effect = DROPEFFECT_NONE;
}

HRESULT DropHere(LayerDrag& d, DWORD* effect)
{
    if (d.Over && Sites().count(d.Over) && (d.Effect & kEffects)) {
        const DWORD taken = SendDragEvent(d.Over, QEvent::Drop, d);
        // A handler may have revoked the window, or freed it, while it took the drop.
        *effect = Sites().count(d.Over) ? SiteEffect(d.Over) : taken;
        d.Over = nullptr;
        return DRAGDROP_S_DROP;
    }
    if (d.OverForeign && (d.Effect & kEffects) && gSurroundings && gSurroundings->HasForeignSite()) {
        *effect = gSurroundings->ForeignSite(d.Mime->All(), d.Allowed, true);
        return DRAGDROP_S_DROP;
    }
    LeaveTarget(d);
    return DRAGDROP_S_CANCEL;
}

void ShowDefaultCursor(DWORD effect)
{
    static HCURSOR no = LoadCursor(nullptr, IDC_NO);
    static HCURSOR drag = LoadCursor(HInstance, "DRAG");
    SetCursor((effect & kEffects) ? (drag ? drag : LoadCursor(nullptr, IDC_ARROW)) : no);
}

HRESULT LayerDragLoop(IDataObject* data, IDropSource* source, DWORD allowed, DWORD* effect)
{
    LayerDrag d{data, source, allowed, new OleMimeData(data), gCursorPos};
    LayerDrag* outer = gLayerDrag;
    gLayerDrag = &d;
    unsigned tick = StartTimer(50, [] {});  // the loop looks again at least this often
    bool scripted = gSurroundings && gSurroundings->HasSteps();
    QElapsedTimer quiet;
    quiet.start();
    HRESULT result = DRAGDROP_S_CANCEL;
    for (;;) {
        bool changed = d.Changed;
        d.Changed = false;
        if (changed)
            quiet.restart();
        HRESULT hr = E_UNEXPECTED;
        Guarded([&] { hr = source->QueryContinueDrag(d.Escape ? TRUE : FALSE, LayerKeys()); });
        d.Escape = false;
        if (hr == DRAGDROP_S_DROP) {
            result = DropHere(d, effect);
            break;
        }
        if (hr != S_OK) {
            LeaveTarget(d);
            result = hr == DRAGDROP_S_CANCEL ? DRAGDROP_S_CANCEL : hr;
            break;
        }
        if (changed) {
            MoveTo(d);
            HRESULT fb = S_OK;
            Guarded([&] { fb = source->GiveFeedback(d.Effect); });
            if (fb == DRAGDROP_S_USEDEFAULTCURSORS)
                ShowDefaultCursor(d.Effect);
        }
        if (gSurroundings && gSurroundings->HasSteps()) {
            gSurroundings->RunNextStep();
            continue;
        }
        if (scripted && quiet.elapsed() > 3000) {
            LeaveTarget(d);
            break;
        }
        WaitForEvents();
    }
    StopTimer(tick);
    gLayerDrag = outer;
    if (!outer && gSurroundings)
        gSurroundings->DragEnded();
    delete d.Mime;
    return result;
}

// ---- The toolkit's drag --------------------------------------------------------------------------
HRESULT ToolkitDrag(IDataObject* data, IDropSource* source, DWORD allowed, DWORD* effect)
{
    HRESULT first = E_UNEXPECTED;
    DWORD keys = KeysOf(QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers());
    Guarded([&] { first = source->QueryContinueDrag(FALSE, keys); });
    if (first != S_OK)
        return first == DRAGDROP_S_DROP ? DRAGDROP_S_CANCEL : first;
    QObject* owner = gCapture && gCapture->widget ? static_cast<QObject*>(gCapture->widget)
                     : gActive && gActive->widget ? static_cast<QObject*>(gActive->widget)
                                                  : static_cast<QObject*>(qApp);
    auto* drag = new QDrag(owner);  // the toolkit deletes it when the drag is over
    auto* mime = new OleMimeData(data);
    QPointer<OleMimeData> alive(mime);
    drag->setMimeData(mime);
    bool cancelled = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        HRESULT hr = S_OK;
        DWORD k = KeysOf(QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers());
        Guarded([&] { hr = source->QueryContinueDrag(FALSE, k); });
        if (hr == DRAGDROP_S_CANCEL || FAILED(hr)) {
            cancelled = true;
            QDrag::cancel();
        }
    });
    auto feedback = QObject::connect(drag, &QDrag::actionChanged, [&](Qt::DropAction a) {
        Guarded([&] { source->GiveFeedback(EffectsOf(a)); });
    });
    poll.start(30);
    Qt::DropAction done = drag->exec(ActionsOf(allowed), ActionOf(allowed));
    poll.stop();
    QObject::disconnect(feedback);
    if (alive)
        alive->Freeze();
    // The toolkit took the button's release: the layer learns of it here.
    Qt::MouseButtons held = QGuiApplication::mouseButtons();
    gButtons = (held & Qt::LeftButton ? 1u : 0u) | (held & Qt::RightButton ? 2u : 0u) | (held & Qt::MiddleButton ? 4u : 0u);
    if (cancelled || done == Qt::IgnoreAction)
        return DRAGDROP_S_CANCEL;
    *effect = EffectsOf(done);
    return DRAGDROP_S_DROP;
}

bool LayerRunsDrags()
{
    QString p = QGuiApplication::platformName();
    return p == "offscreen" || p == "minimal";
}

}  // namespace

// ---- Public entry points -------------------------------------------------------------------------
HRESULT OleInitialize(void*) { return tOleInit++ == 0 ? S_OK : S_FALSE; }

void OleUninitialize()
{
    if (tOleInit > 0)
        --tOleInit;
}

HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* target)
{
    if (tOleInit == 0)
        return CO_E_NOTINITIALIZED;
    if (!target)
        return E_INVALIDARG;
    WindowRec* w = Rec(hwnd);
    if (!w || !w->widget)
        return DRAGDROP_E_INVALIDHWND;
    if (Sites().count(hwnd))
        return DRAGDROP_E_ALREADYREGISTERED;
    target->AddRef();
    auto* filter = new DropFilter(hwnd, w->widget);
    Sites()[hwnd] = Site{target, filter};
    w->widget->setAcceptDrops(true);
    w->widget->installEventFilter(filter);
    return S_OK;
}

HRESULT RevokeDragDrop(HWND hwnd)
{
    auto it = Sites().find(hwnd);
    if (it == Sites().end())
        return IsWindow(hwnd) ? DRAGDROP_E_NOTREGISTERED : DRAGDROP_E_INVALIDHWND;
    if (WindowRec* w = Rec(hwnd); w && w->widget)
        w->widget->setAcceptDrops(false);
    it->second.Filter->Revoke();
    return S_OK;
}

HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD allowed, DWORD* effect)
{
    if (!data || !source || !effect)
        return E_INVALIDARG;
    *effect = DROPEFFECT_NONE;
    EnsureToolkit();
    data->AddRef();
    source->AddRef();
    HRESULT hr = LayerRunsDrags() ? LayerDragLoop(data, source, allowed, effect)
                                  : ToolkitDrag(data, source, allowed, effect);
    source->Release();
    data->Release();
    return hr;
}

namespace morvik::qtwin {

bool TrackLayerDrag(UINT kind, int button, TPoint screenPt)
{
    if (!gLayerDrag)
        return false;
    if (kind == WM_LBUTTONDOWN)
        gButtons |= UINT(button);
    else if (kind == WM_LBUTTONUP)
        gButtons &= ~UINT(button);
    gLayerDrag->Pos = screenPt;
    gLayerDrag->Changed = true;
    return true;
}

void SetDragSurroundings(TDragSurroundings* Surroundings) { gSurroundings = Surroundings; }

HWND DropSiteAt(TPoint Screen) { return SiteAt(Screen); }
QWidget* DropSiteWidget(HWND Window) { return SiteWidget(Window); }
QPoint DropSitePoint(HWND Window, TPoint Screen) { return LocalOf(Window, Screen); }
Qt::DropActions DropActionsOf(DWORD Effects) { return ActionsOf(Effects); }
DWORD DropEffectsOf(Qt::DropActions Actions) { return EffectsOf(Actions); }

void ForgetDropTarget(HWND wnd)
{
    auto it = Sites().find(wnd);
    if (it != Sites().end())
        it->second.Filter->Revoke();  // releases the target
}

bool TrackLayerDragKey(bool down, Word vk)
{
    if (!gLayerDrag)
        return false;
    if (down && vk == VK_ESCAPE)
        gLayerDrag->Escape = true;
    gLayerDrag->Changed = true;
    return true;
}

}  // namespace morvik::qtwin
