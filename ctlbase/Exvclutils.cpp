#include "ctlbase/Exvclutils.h"

#include "platform/Forms.h"

bool RectsIntersect(const TRect& R1, const TRect& R2)
{
    TRect common;
    return IntersectRect(common, R1, R2);
}

TForm* GetOwnerForm(TComponent* Component)
{
    for (TComponent* c = Component; c != nullptr; c = c->Owner())
        if (auto* form = dynamic_cast<TForm*>(c)) return form;
    return nullptr;
}
