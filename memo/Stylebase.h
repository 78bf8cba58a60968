// The base the memo stands on until the window layer carries it: a component with no window. The
// memo asks it the questions its window-dependent paths hinge on; without a window every answer is
// "no", which is the memo's own no-window behaviour (one display line of width 0 per paragraph, no
// painting, no caret). The control re-parents this class onto the window control, whose answers
// then come from the real window.
#pragma once

#include <memory>

#include "platform/Classes.h"

class TFont;

class TStyleMemoBase : public TComponent {
public:
    explicit TStyleMemoBase(TComponent* AOwner);
    ~TStyleMemoBase() override;

    bool HandleAllocated() const { return false; }
    bool Focused() const { return false; }
    void Invalidate() {}
    // The memo's font; its style is what the style codes toggle from. The window control brings
    // a font of its own with the same accessor.
    TFont* Font() const { return FFont.get(); }

private:
    std::unique_ptr<TFont> FFont;
};
