// Image lists: their images and masks, drawing with ImageList_DrawEx, and the drag image shown over
// every window while something is dragged.
#include <QPainter>

#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace {

// The one drag image of the program: what is shown, where (in its top-level window's client
// coordinates) and over which window.
struct DragSprite {
    WindowRec* top = nullptr;
    QImage image;
    QPoint pos;
    bool shown = false;
};
DragSprite gDrag;

}  // namespace

namespace morvik::qtwin {

bool DragImageShownOver(WindowRec* top)
{
    return gDrag.shown && gDrag.top == top && gWindows.count(top) && !gDrag.image.isNull();
}

void PaintDragImage(WindowRec* top, QPainter& p)
{
    if (DragImageShownOver(top))
        p.drawImage(gDrag.pos, gDrag.image);
}

}  // namespace morvik::qtwin
