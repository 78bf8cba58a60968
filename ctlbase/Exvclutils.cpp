#include "ctlbase/Exvclutils.h"

bool RectsIntersect(const TRect& R1, const TRect& R2)
{
    TRect common;
    return IntersectRect(common, R1, R2);
}
