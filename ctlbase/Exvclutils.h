// Geometry and small queries the library's controls share.
#pragma once

#include "platform/Types.h"

// True when the two rectangles overlap (share at least one pixel).
bool RectsIntersect(const TRect& R1, const TRect& R2);

class TComponent;
class TForm;
// Component itself when it is a form, else the first form up its chain of owners; nil when none.
TForm* GetOwnerForm(TComponent* Component);
