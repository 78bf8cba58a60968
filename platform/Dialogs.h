// Common dialogs (open, save, font, colour) and message boxes.
#pragma once

#include <memory>
#include <string>

#include "platform/Forms.h"

enum TOpenOption {
    ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
    ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
    ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
    ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing
};
using TOpenOptions = unsigned;
constexpr TOpenOptions OpenOption(TOpenOption o) { return 1u << o; }

class TCommonDialog : public TComponent {
public:
    explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
    // Runs the dialog; true when the user confirmed.
    virtual bool Execute() = 0;
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;
    Int64 HelpContext = 0;
};

class TOpenDialog : public TCommonDialog {
public:
    explicit TOpenDialog(TComponent* AOwner);
    ~TOpenDialog() override;
    bool Execute() override;
    std::string Title;
    // "Text Files|*.txt|All Files|*.*": description and patterns (";"-separated) in pairs.
    std::string Filter;
    int FilterIndex = 1;
    std::string InitialDir;
    std::string FileName;
    std::string DefaultExt;
    TOpenOptions Options = OpenOption(ofHideReadOnly) | OpenOption(ofEnableSizing);
    TStrings* Files() const { return FFiles.get(); }

protected:
    virtual bool IsSave() const { return false; }
    // The file name with DefaultExt added when it has no extension.
    std::string WithDefaultExt(const std::string& Name) const;

private:
    std::unique_ptr<TStringList> FFiles;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}

protected:
    bool IsSave() const override { return true; }
};

enum TFontDialogOption { fdAnsiOnly, fdTrueTypeOnly, fdEffects, fdFixedPitchOnly, fdForceFontExist,
                         fdNoFaceSel, fdNoOEMFonts, fdNoSimulations, fdNoSizeSel, fdNoStyleSel,
                         fdNoVectorFonts, fdShowHelp, fdWysiwyg, fdLimitSize, fdScalableOnly, fdApplyButton };
using TFontDialogOptions = unsigned;
constexpr TFontDialogOptions FontDialogOption(TFontDialogOption o) { return 1u << o; }

class TFontDialog : public TCommonDialog {
public:
    explicit TFontDialog(TComponent* AOwner);
    ~TFontDialog() override;
    bool Execute() override;
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    TFontDialogOptions Options = FontDialogOption(fdEffects);

private:
    std::unique_ptr<TFont> FFont;
};

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = unsigned;
constexpr TColorDialogOptions ColorDialogOption(TColorDialogOption o) { return 1u << o; }

class TColorDialog : public TCommonDialog {
public:
    explicit TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    bool Execute() override;
    TColor Color = clBlack;
    TColorDialogOptions Options = 0;
    bool Ctl3D = true;
};

// What a message box shows; the modal hook receives one of these.
class TMessageBoxRequest : public TObject {
public:
    std::string Text;
    std::string Caption;
    UINT Flags = 0;
};

void ShowMessage(const std::string& Msg);
