// Dragging controls within the program: the source keeps the mouse while the control under it is
// asked (CM_DRAG) whether it accepts, the drag image follows, and a release drops or cancels.
#include <cstdlib>
#include <memory>

#include "platform/Controls.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/ImgList.h"
#include "platform/MouseCapture.h"

// The drag's way to the source's protected steps.
struct TDragAccess {
    static void Start(TControl* c, TDragObject*& o) { c->DoStartDrag(o); }
    static void End(TControl* c, TObject* t, int x, int y) { c->DoEndDrag(t, x, y); }
};

namespace {

struct DragSession {
    TControl* source = nullptr;
    TDragObject* object = nullptr;
    std::unique_ptr<TDragObject> owned;
    bool pending = true;  // pressed, waiting for the mouse to move far enough
    TPoint start;
    int threshold = 0;
    TControl* target = nullptr;
    bool accepted = false;
    TCustomImageList* images = nullptr;
    HWND imageWindow = nullptr;
};
std::unique_ptr<DragSession> gDrag;

TPoint MousePos()
{
    POINT p;
    GetCursorPos(&p);
    return p;
}

// Where the drag image goes: the top-level window of the control under the mouse, in that
// window's coordinates.
HWND ImageWindow(TControl* c)
{
    TWinControl* w = c ? (dynamic_cast<TWinControl*>(c) ? static_cast<TWinControl*>(c) : c->Parent()) : nullptr;
    while (w && w->Parent())
        w = w->Parent();
    return w && w->HandleAllocated() ? w->Handle() : nullptr;
}

TPoint InWindow(HWND h, TPoint screen)
{
    RECT r;
    GetWindowRect(h, &r);
    return {screen.X - r.Left, screen.Y - r.Top};
}

LRESULT SendDrag(TControl* c, TDragMessage kind, TPoint pos)
{
    if (!c)
        return 0;
    TDragRec rec;
    rec.Pos = pos;
    rec.Source = gDrag->object;
    rec.Target = c;
    return c->Perform(CM_DRAG, WPARAM(kind), reinterpret_cast<LPARAM>(&rec));
}

void MoveTo(TPoint pos)
{
    DragSession& d = *gDrag;
    d.object->DragPos = pos;
    TControl* now = FindDragTarget(pos, false);
    if (now != d.target) {
        SendDrag(d.target, dmDragLeave, pos);
        if (!gDrag)
            return;
        d.target = now;
        d.object->DragTarget = now;
        // The handlers may free the source, and the session with it.
        const bool accepted = SendDrag(now, dmDragEnter, pos) != 0;
        if (!gDrag)
            return;
        d.accepted = accepted && d.target;
    } else {
        const bool accepted = SendDrag(now, dmDragMove, pos) != 0;
        if (!gDrag)
            return;
        d.accepted = accepted && d.target;
    }
    TPoint local = d.target ? d.target->ScreenToClient(pos) : pos;
    TCursor cursor = d.object->GetDragCursor(d.accepted, local.X, local.Y);
    // The drag object's own cursor, registered ones included (the tree's move and copy cursors).
    SetCursor(Screen->Cursors(cursor));
    if (d.images) {
        HWND w = ImageWindow(d.target ? d.target : d.source);
        if (w && w != d.imageWindow) {
            d.images->DragLock(w, InWindow(w, pos).X, InWindow(w, pos).Y);
            d.imageWindow = w;
        } else if (w) {
            TPoint p = InWindow(w, pos);
            d.images->DragMove(p.X, p.Y);
        }
    }
}

void Start()
{
    DragSession& d = *gDrag;
    d.pending = false;
    TDragObject* obj = nullptr;
    // The source may supply its own object; otherwise it drags itself. A start handler that raises
    // leaves no drag.
    TGuardPtr<TControl> source(d.source);
    try {
        TDragAccess::Start(d.source, obj);
    } catch (...) {
        gDrag.reset();
        if (source)
            source->SetMouseCapture(false);
        throw;
    }
    if (!gDrag)
        return;
    if (!obj) {
        d.owned = std::make_unique<TDragControlObject>(d.source);
        obj = d.owned.get();
    }
    d.object = obj;
    d.images = obj->GetDragImages();
    if (d.images) {
        HWND w = ImageWindow(d.source);
        TPoint p = InWindow(w, MousePos());
        if (!w || !d.images->BeginDrag(w, p.X, p.Y))
            d.images = nullptr;
        d.imageWindow = w;
    }
    MoveTo(MousePos());
}

void Finish(bool drop)
{
    if (!gDrag)
        return;
    std::unique_ptr<DragSession> d = std::move(gDrag);
    TControl* source = d->source;
    // A drop handler may free the source (a control dropped on itself, its form closed).
    TGuardPtr<TControl> sourceThere(source);
    if (d->images)
        d->images->EndDrag();
    TPoint pos = MousePos();
    TControl* target = nullptr;
    TGuardPtr<TControl> stillThere;
    if (!d->pending) {
        if (drop && d->accepted && d->target) {
            target = d->target;
            stillThere = target;
            d->object->Dropped = true;
            gDrag = std::move(d);
            SendDrag(target, dmDragDrop, pos);
            d = std::move(gDrag);
            if (!d)
                return;  // the drop's handlers ended the drag themselves
        } else if (d->target) {
            d->object->Cancelling = !drop;
            gDrag = std::move(d);
            SendDrag(gDrag->target, dmDragLeave, pos);
            d = std::move(gDrag);
            if (!d)
                return;
        }
    }
    if (sourceThere)
        source->SetMouseCapture(false);
    if (!d->pending) {
        TPoint at = stillThere ? target->ScreenToClient(pos) : TPoint{};
        // The source's end handler may free the drag object or the target, or raise: the object
        // hears the end all the same.
        TGuardPtr<TDragObject> object(d->object);
        try {
            if (sourceThere)
                TDragAccess::End(source, stillThere.Get(), at.X, at.Y);
        } catch (...) {
            if (object)
                object->Finished(stillThere.Get(), at.X, at.Y, target != nullptr);
            throw;
        }
        if (object)
            object->Finished(stillThere.Get(), at.X, at.Y, target != nullptr);
    }
}

}  // namespace

void morvik::controls::ForgetDragControl(TControl* Control)
{
    if (!gDrag)
        return;
    if (gDrag->target == Control) {
        gDrag->target = nullptr;
        gDrag->accepted = false;
        if (gDrag->object)
            gDrag->object->DragTarget = nullptr;
    }
    if (gDrag->source != Control)
        return;
    std::unique_ptr<DragSession> gone = std::move(gDrag);
    if (gone->pending)
        return;
    if (gone->images)
        gone->images->EndDrag();
    if (TControl* target = gone->target) {
        gone->object->Cancelling = true;
        TDragRec rec;
        rec.Pos = MousePos();
        rec.Source = gone->object;
        rec.Target = target;
        target->Perform(CM_DRAG, WPARAM(dmDragLeave), reinterpret_cast<LPARAM>(&rec));
    }
    // An object the source made is told, so that it may free itself; the layer's own goes with the
    // session.
    if (!gone->owned && gone->object)
        gone->object->Finished(nullptr, 0, 0, false);
}

// ---- Messages of the drag ----------------------------------------------------------------------
bool DragFilter(TControl* c, TMessage& m)
{
    if (!gDrag) {
        if (m.Msg == WM_LBUTTONDOWN && c->DragMode == dmAutomatic && c->Enabled())
            c->BeginDrag(false);
        return false;
    }
    if (m.Msg == WM_KEYDOWN && m.WParam == VK_ESCAPE && !gDrag->pending) {
        Finish(false);
        return true;
    }
    if (c != gDrag->source)
        return false;
    switch (m.Msg) {
    case WM_MOUSEMOVE: {
        TPoint pos = MousePos();
        if (gDrag->pending) {
            if (std::abs(pos.X - gDrag->start.X) < gDrag->threshold && std::abs(pos.Y - gDrag->start.Y) < gDrag->threshold)
                return false;
            Start();
            return true;
        }
        MoveTo(pos);
        return true;
    }
    case WM_LBUTTONUP:
        if (gDrag->pending) {
            // Released before it became a drag: an ordinary click.
            gDrag.reset();
            return false;
        }
        Finish(true);
        return true;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
        if (!gDrag->pending && m.Msg == WM_CAPTURECHANGED)
            return false;  // the source's own capture changing hands inside the drag
        Finish(false);
        return false;
    default: return false;
    }
}

TCursor TDragObject::GetDragCursor(bool Accepted, int, int) { return Accepted ? crDrag : crNoDrop; }

void TDragObject::HideDragImage()
{
    if (TCustomImageList* images = GetDragImages())
        images->HideDragImage();
}

void TDragObject::ShowDragImage()
{
    if (TCustomImageList* images = GetDragImages())
        images->ShowDragImage();
}

TCursor TDragControlObject::GetDragCursor(bool Accepted, int, int) { return Accepted ? Control->DragCursor : crNoDrop; }

TCustomImageList* TDragControlObject::GetDragImages() { return Control->GetDragImages(); }

// ---- The control's side --------------------------------------------------------------------------
void TControl::BeginDrag(bool Immediate, int Threshold)
{
    if (gDrag)
        return;
    gDrag = std::make_unique<DragSession>();
    gDrag->source = this;
    gDrag->start = MousePos();
    gDrag->threshold = Threshold >= 0 ? Threshold : GetSystemMetrics(SM_CXDRAG);
    SetMouseCapture(true);
    if (Immediate)
        Start();
}

void TControl::EndDrag(bool Drop)
{
    if (gDrag && gDrag->source == this)
        Finish(Drop);
}

bool TControl::Dragging() const { return gDrag && gDrag->source == this && !gDrag->pending; }

void TControl::DoStartDrag(TDragObject*& DragObject)
{
    if (OnStartDrag)
        OnStartDrag(this, DragObject);
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    // A control with no OnDragOver takes nothing.
    Accept = false;
    if (OnDragOver) {
        Accept = true;
        OnDragOver(this, Source, X, Y, State, Accept);
    }
}

void TControl::DragDrop(TObject* Source, int X, int Y)
{
    if (OnDragDrop)
        OnDragDrop(this, Source, X, Y);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y)
{
    if (OnEndDrag)
        OnEndDrag(this, Target, X, Y);
}

void TControl::CMDrag(TMessage& Message)
{
    auto* rec = reinterpret_cast<TDragRec*>(Message.LParam);
    if (!rec || !rec->Source)
        return;
    // A control dragging itself is the source the events see.
    TObject* source = rec->Source;
    if (auto* co = dynamic_cast<TDragControlObject*>(rec->Source))
        source = co->Control;
    TPoint p = ScreenToClient(rec->Pos);
    switch (TDragMessage(Message.WParam)) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
        bool accept = false;
        TDragState state = Message.WParam == dmDragEnter ? dsDragEnter : Message.WParam == dmDragLeave ? dsDragLeave : dsDragMove;
        DragOver(source, p.X, p.Y, state, accept);
        Message.Result = accept ? 1 : 0;
        break;
    }
    case dmDragDrop: DragDrop(source, p.X, p.Y); break;
    default: break;
    }
}
