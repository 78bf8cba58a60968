#include "tests/support/ModalHook.h"

namespace {
class TFunctionAnswerer : public TModalAnswerer {
public:
    TModalHook Hook;
    bool ModalStarting(TObject* Dialog, int& Result) override
    {
        TModalHook hook = Hook;  // the hook may replace or clear itself
        return hook(Dialog, Result);
    }
};
TFunctionAnswerer gAnswerer;
}  // namespace

void SetModalHook(TModalHook Hook)
{
    gAnswerer.Hook = std::move(Hook);
    SetModalAnswerer(gAnswerer.Hook ? &gAnswerer : nullptr);
}

bool ModalHookActive() { return ModalAnswerer() == &gAnswerer && gAnswerer.Hook; }
