// TExTreeDragObject: the drag object a tree makes for its own drags when OnStartDrag supplies
// none; it shows the tree unit's drag cursors and frees itself when the drag is finished.
#pragma once

#include "platform/Controls.h"

class TExTreeDragObject : public TDragControlObject {
public:
    using TDragControlObject::TDragControlObject;
    // Over a tree: 20001 refused, 20002 accepted, 20003 accepted with Ctrl held.
    TCursor GetDragCursor(bool Accepted, int X, int Y) override;
    void Finished(TObject* Target, int X, int Y, bool Accepted) override;
};
