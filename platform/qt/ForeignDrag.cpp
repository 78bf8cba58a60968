// Synthetic drags: another program dragging data over our windows, another program's window beside
// ours when one of our drags ends outside them, and input given to the layer's drag loop while it
// runs. Drags from other programs reach our windows as the toolkit's own drag events.
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPointer>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>

#include "platform/DragInput.h"
#include "platform/Ole.h"
#include "platform/qt/DragSurroundings.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace {

// What tests and tools script around the drag loop.
class TScriptedSurroundings final : public TDragSurroundings {
public:
    Input::TForeignDropSite Site;
    std::deque<std::function<void()>> Steps;

    bool HasForeignSite() override { return static_cast<bool>(Site); }
    DWORD ForeignSite(const Input::TDragDataList& Data, DWORD Allowed, bool Drop) override
    {
        return Site(Data, Allowed, Drop);
    }
    bool HasSteps() override { return !Steps.empty(); }
    void RunNextStep() override
    {
        auto step = std::move(Steps.front());
        Steps.pop_front();
        step();
    }
    void DragEnded() override { Steps.clear(); }
};
TScriptedSurroundings gScript;

struct ForeignDrag {
    std::unique_ptr<QMimeData> Mime;
    DWORD Allowed = 0;
    QPointer<QWidget> Over;
    HWND OverWnd = nullptr;
};
ForeignDrag gForeign;

Qt::MouseButtons ButtonsOf(TShiftState s)
{
    Qt::MouseButtons b;
    if (s & ssLeft)
        b |= Qt::LeftButton;
    if (s & ssRight)
        b |= Qt::RightButton;
    if (s & ssMiddle)
        b |= Qt::MiddleButton;
    return b;
}
Qt::KeyboardModifiers ModifiersOf(TShiftState s)
{
    Qt::KeyboardModifiers m;
    if (s & ssShift)
        m |= Qt::ShiftModifier;
    if (s & ssCtrl)
        m |= Qt::ControlModifier;
    if (s & ssAlt)
        m |= Qt::AltModifier;
    return m;
}

TPoint ScreenPointOf(TControl* target, int x, int y)
{
    TWinControl* wc = dynamic_cast<TWinControl*>(target);
    if (!wc) {
        wc = target->Parent();
        x += target->Left();
        y += target->Top();
    }
    WindowRec* w = wc ? Rec(wc->Handle()) : nullptr;
    TPoint o = w ? ClientScreenOrigin(w) : TPoint{};
    return {o.X + x, o.Y + y};
}

// As the toolkit delivers a drag position: a leave for the window left, an entry and a move for
// the window entered, a move otherwise. Answers what the other program is told.
DWORD ForeignMove(TControl* target, int x, int y, TShiftState shift)
{
    if (!gForeign.Mime)
        return DROPEFFECT_NONE;
    TPoint screen = ScreenPointOf(target, x, y);
    HWND h = DropSiteAt(screen);
    QWidget* w = h ? DropSiteWidget(h) : nullptr;
    if (gForeign.Over && gForeign.Over != w) {
        QDragLeaveEvent le;
        QCoreApplication::sendEvent(gForeign.Over, &le);
        gForeign.Over = nullptr;
    }
    if (!w)
        return DROPEFFECT_NONE;
    QPoint p = DropSitePoint(h, screen);
    if (gForeign.Over != w) {
        QDragEnterEvent ee(p, DropActionsOf(gForeign.Allowed), gForeign.Mime.get(), ButtonsOf(shift), ModifiersOf(shift));
        QCoreApplication::sendEvent(w, &ee);
        gForeign.Over = w;
        gForeign.OverWnd = h;
    }
    QDragMoveEvent me(p, DropActionsOf(gForeign.Allowed), gForeign.Mime.get(), ButtonsOf(shift), ModifiersOf(shift));
    QCoreApplication::sendEvent(w, &me);
    return me.isAccepted() ? DropEffectsOf(me.dropAction()) : DROPEFFECT_NONE;
}

}  // namespace

namespace Input {

DWORD ForeignDragEnter(TControl* Target, int X, int Y, const TDragDataList& Data, DWORD Effects, TShiftState Shift)
{
    EnsureToolkit();
    ForeignDragLeave();
    gForeign.Mime = std::make_unique<QMimeData>();
    for (const TDragData& d : Data)
        gForeign.Mime->setData(QString::fromStdString(d.Type), QByteArray::fromStdString(d.Bytes));
    gForeign.Allowed = Effects;
    return ForeignMove(Target, X, Y, Shift);
}

DWORD ForeignDragMove(TControl* Target, int X, int Y, TShiftState Shift) { return ForeignMove(Target, X, Y, Shift); }

void ForeignDragLeave()
{
    if (gForeign.Over) {
        QDragLeaveEvent le;
        QCoreApplication::sendEvent(gForeign.Over, &le);
    }
    gForeign = ForeignDrag{};
}

DWORD ForeignDrop(TControl* Target, int X, int Y, TShiftState Shift)
{
    if (!gForeign.Mime)
        return DROPEFFECT_NONE;
    DWORD answer = ForeignMove(Target, X, Y, Shift | ssLeft);
    DWORD taken = DROPEFFECT_NONE;
    if (gForeign.Over && (answer & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK))) {
        QPoint p = DropSitePoint(gForeign.OverWnd, ScreenPointOf(Target, X, Y));
        QDropEvent de(QPointF(p), DropActionsOf(gForeign.Allowed), gForeign.Mime.get(), ButtonsOf(Shift), ModifiersOf(Shift));
        QCoreApplication::sendEvent(gForeign.Over, &de);
        taken = de.isAccepted() ? DropEffectsOf(de.dropAction()) : DROPEFFECT_NONE;
        gForeign.Over = nullptr;
    }
    ForeignDragLeave();
    return taken;
}

void SetForeignDropSite(TForeignDropSite Site)
{
    gScript.Site = std::move(Site);
    SetDragSurroundings(&gScript);
}

void DuringDrag(std::function<void()> Step)
{
    gScript.Steps.push_back(std::move(Step));
    SetDragSurroundings(&gScript);
}

int PendingDragSteps() { return int(gScript.Steps.size()); }

}  // namespace Input
