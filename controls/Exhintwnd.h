// TExHintWindow: the library's hint window. It draws in a font of its own and, with IsHTML, takes
// its text as markup laid out by the markup renderer, whose links can be clicked.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/HintWindow.h"

class TExHTMLRender;

using TExHTMLLinkClickEvent = std::function<void(TObject* Sender, const std::string& HRef)>;

class TExHintWindow : public THintWindow {
public:
    explicit TExHintWindow(TComponent* AOwner);
    ~TExHintWindow() override;

    // Font() is the hint's font; SetFont copies the one given.
    bool IsHTML() const { return FIsHTML; }
    void SetIsHTML(bool Value) { FIsHTML = Value; }
    TExHTMLLinkClickEvent OnLinkClick;

    TRect CalcHintRect(Integer MaxWidth, const std::string& AHint, void* AData) override;

    TExHTMLRender* Render() const { return FRender.get(); }

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(CM_TEXTCHANGED, CMTextChanged)
    END_MESSAGE_MAP(THintWindow)

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // The window takes the size its text needs.
    virtual void CMTextChanged(TMessage& Message);
    virtual void TriggerLinkClickEvent(const std::string& HRef);

private:
    // The renderer starts every text from the hint's font and colours.
    void SetRenderDefaults();
    bool FIsHTML = false;
    std::unique_ptr<TExHTMLRender> FRender;
};
