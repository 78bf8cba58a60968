// Markup renderer: turns a short HTML-like text (bold, italic, fonts, colours, links, paragraphs,
// lists, rules, inline bitmaps) into a flat list of runs and breaks, lays them out in lines,
// draws them and finds the run under a point. Tags are matched literally against a fixed list;
// there is no nesting check and the text is 8-bit in the code page of the data's character set.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Graphics.h"
#include "platform/Guard.h"

class TExList;
class TExHTMLData;
class TExHTMLRender;

enum THTMLItemType : Byte {
    hitChar,       // a run of text
    hitSoftBreak,  // a line break made by word wrap
    hitBreak,      // a forced line break
    hitPara,       // a paragraph break
    hitBitmap,     // an inline bitmap; Text is its source name
    hitHR,         // a horizontal rule
    hitLI,         // a line break with a bullet
    hitUL          // only measured: the list indent unit
};
// Bit n set for type n.
using THTMLItemTypes = unsigned;
constexpr THTMLItemTypes HTMLItemType(THTMLItemType t) { return 1u << t; }

// Line alignment held by a break item.
enum THTMLAlign : Word { htaLeft = 0, htaCenter = 1, htaRight = 2 };

// One run (or break, bitmap, rule). Items are made by the parser and owned by their data.
class TExHTMLItem : public TObject {
public:
    explicit TExHTMLItem(TExHTMLData* AData) : Data(AData) {}

    TExHTMLData* Data;
    THTMLItemType ItemType = hitChar;
    std::string Text;
    TFontStyles FontStyle = 0;
    Integer FontSize = 0;
    TColor FontBgColor = clNone;  // clNone: transparent
    TColor FontColor = clWindowText;
    std::string LinkRef;
    std::string FontName;
    // Depth of enclosing font tags that set a colour; 0: the run has the default colours.
    Integer ColorSetCount = 0;
    // Measured size in pixels; for bitmaps and rules the width (and a bitmap's height) comes from
    // the markup. A break that starts a line holds the line's width (indent included) and height.
    Integer Width = 0;
    Integer Height = 0;
    // Left indent of the line a break starts.
    Integer Indent = 0;

    bool IsLink() const { return FFlags & 1; }
    void SetIsLink(bool Value) { SetFlag(1, Value); }
    bool IsSub() const { return FFlags & 2; }
    void SetIsSub(bool Value) { SetFlag(2, Value); }
    bool IsSuper() const { return FFlags & 4; }
    void SetIsSuper(bool Value) { SetFlag(4, Value); }

    // True for the kinds that start a line (the items of class TExHTMLBreakItem).
    bool IsBreak() const;

    virtual Integer GetWidth();
    // The height; Descent receives the part below the baseline.
    virtual Integer GetHeight(Integer& Descent);
    // Copies the font, colours, link, indent and flags; not the type, text or size.
    virtual void Assign(TExHTMLItem* Source);

private:
    friend class TExHTMLRender;
    void SetFlag(Byte Bit, bool Value) { FFlags = Value ? Byte(FFlags | Bit) : Byte(FFlags & ~Bit); }
    Byte FFlags = 0;
    // The run's own font height and descent as last measured, before any sub/superscript
    // enlargement of the line; drawing and hit-testing place the run from them alike.
    Integer FRunHeight = 0;
    Integer FRunDescent = 0;
};

// A break that starts a line.
class TExHTMLBreakItem : public TExHTMLItem {
public:
    using TExHTMLItem::TExHTMLItem;

    // Low 16 bits: the line's alignment; high 16 bits: the line's descent (signed), set by measuring.
    Cardinal BreakProps = 0;
    THTMLAlign Alignment() const { return THTMLAlign(BreakProps & 0xFFFF); }
    void SetAlignment(THTMLAlign Value) { BreakProps = (BreakProps & 0xFFFF0000u) | Value; }
    Integer LineDescent() const { return static_cast<std::int16_t>(BreakProps >> 16); }
    void SetLineDescent(Integer Value);

    Integer GetWidth() override;
    Integer GetHeight(Integer& Descent) override;
    // The base copy; from another break also its descent, the alignment reset to left.
    void Assign(TExHTMLItem* Source) override;
    // Copies the whole alignment word of Source when it is a break.
    void AssignBreakProps(TExHTMLItem* Source);
};

// The parsed result of one text: the items in order and the defaults they started from.
class TExHTMLData : public TObject {
public:
    TExHTMLData();
    ~TExHTMLData() override;

    TExHTMLRender* Render = nullptr;
    TColor LinkColor = clBlue;
    TColor DefaultColor = clWindowText;
    TFontStyles LinkStyle = FontStyle(fsUnderline);
    TFontStyles DefaultStyle = 0;
    Integer DefaultSize = 11;
    TFontCharset Charset = ANSI_CHARSET;
    std::string DefaultFont = "MS Sans Serif";
    TColor DefaultBgColor = clNone;
    TColor HighlightBgColor = 0;
    TColor HighlightColor = 0;
    // The selected link run (keyboard navigation); nil for none.
    TExHTMLItem* SelectedItem = nullptr;
    // Size of the laid-out text.
    TSize TextSize;

    // The items in order; the list does not own them (ClearArray frees them).
    TExList* Array() const { return FArray.get(); }
    Integer Count() const;
    TExHTMLItem* Item(Integer Index) const;

    void ClearArray();
    // Number of break items; 0 when there are fewer than two items.
    Integer LineCount() const;

private:
    std::unique_ptr<TExList> FArray;
};

// Src names the image; the handler sets Image to a bitmap it keeps owning (or leaves it nil).
using TExHTMLImageNeededEvent = std::function<void(TObject* Sender, const std::string& Src, TBitmap*& Image)>;

// Parses, measures and draws marked-up texts for one control. The parsed result lives in the
// render's own data or in one the caller keeps (CreateData) and makes current again to redraw.
class TExHTMLRender : public TObject {
public:
    TExHTMLRender();
    ~TExHTMLRender() override;

    TExHTMLImageNeededEvent OnImageNeeded;

    // The current data; nil after the current data was destroyed.
    TExHTMLData* Data() const { return FData; }
    // A new data measured by this render; the caller owns it.
    TExHTMLData* CreateData();
    // Frees Data (the render's own data is only cleared). The render has no current data
    // afterwards when Data was current.
    void DestroyData(TExHTMLData* Data);
    // Makes Data current (nil: the render's own data).
    void SetData(TExHTMLData* Data);

    // Parses Text into the current data (the render's own when there is none) and measures it.
    // MaxWidth (pixels) counts only with AutoWrap. On a text it cannot take, raises Exception
    // "HTML engine error - the text is not valid HTML" and leaves the data empty. When a handler
    // of OnImageNeeded frees the render, it returns at once (the caller tells by its own guard).
    void PrepareText(const std::string& Text, Integer MaxWidth, bool AutoWrap);
    // The same into Data, which becomes current.
    void PrepareToData(const std::string& Text, Integer MaxWidth, bool AutoWrap, TExHTMLData* Data);

    // Measures every line of Data and stores its size in Data's TextSize.
    void CalcTokenSizes(TExHTMLData* Data);
    // Size of the current data's laid-out text; 0 x 0 when there is none.
    TSize GetTextSize() const;

    // Draws the current data into Rect of Canvas over what is there. Origin is the point of the
    // laid-out text shown at Rect's top-left corner (the scroll offset).
    void DrawText(TCanvas* Canvas, const TPoint& Origin, const TRect& Rect);
    // With UseColors, runs outside any coloured font tag take Color1 (text) and Color2
    // (background), and the selected link Color3 (text) and Color4 (background).
    void DrawTextEx(TCanvas* Canvas, const TPoint& Origin, const TRect& Rect, bool UseColors, TColor Color1,
                    TColor Color2, TColor Color3, TColor Color4);

    // The run, bitmap or rule drawn under Point (Point and Origin as for drawing, Point relative
    // to Rect's top-left corner); nil when none.
    TExHTMLItem* FindItemAt(const TPoint& Point, const TPoint& Origin, const TRect& Rect);
    // True over a link; HRef then receives its target, else it is emptied.
    bool IsCursorOverLink(const TPoint& Point, const TPoint& Origin, const TRect& Rect, std::string& HRef);
    // The item under Point becomes the selected item (nil when none).
    void SelectLinkAt(const TPoint& Point, const TPoint& Origin, const TRect& Rect);
    // The next link after the selected one (the first with none selected); the selection stays
    // when there is none.
    void SelectNextLink();
    // The link before the selected one; nothing when none is selected or there is none before.
    void SelectPrevLink();

protected:
    // Asks OnImageNeeded for the bitmap named Src; Image is nil when there is none.
    virtual void TriggerImageNeededEvent(const std::string& Src, TBitmap*& Image);

private:
    friend class TExHTMLItem;
    friend class TExHTMLBreakItem;
    friend class THTMLParser;
    struct TFontEntry;
    struct TLineGeometry;

    // Font of an item for measuring and drawing (link style, smaller size for sub/superscript).
    const TFontEntry& ItemFont(const TExHTMLItem& Item);
    // The data's default font.
    const TFontEntry& DefaultFont(const TExHTMLData& Data);
    const TFontEntry& Font(const std::string& Name, Integer Size, TFontStyles Style, TFontCharset Charset);
    // Width of Text[0, Len) in Item's font, plus one pixel as every run is measured.
    Integer RunWidth(const TExHTMLItem& Item, const std::string& Text, size_t Len);
    void MeasureLine(TExHTMLData& Data, Integer Index, Integer& Next);
    TSize TextSizeOf(const TExHTMLData& Data) const;
    // Where the line starting at break Head begins, for Available pixels of width.
    static Integer LineStart(const TExHTMLItem& Head, Integer Available);
    // The box of Item (in Rect coordinates) on a line laid out by Line; also its baseline.
    TRect ItemBox(const TExHTMLItem& Item, const TLineGeometry& Line, Integer& Baseline) const;
    void ReleaseFonts();

    static constexpr const char* EngineError = "HTML engine error - the text is not valid HTML";
    // Makes a text operation the only one running on this render: the image handler may not start
    // another or change the data while it runs.
    // The image handler may also free the render: the operation then ends at once, touching
    // nothing of it.
    struct TGuard {
        explicit TGuard(TExHTMLRender& R);
        ~TGuard();
        TGuardPtr<TExHTMLRender> Render;
    };
    TExHTMLData* FOwnData;
    TExHTMLData* FData;
    // Measuring context and the off-screen drawing buffer.
    HDC FMeasureDC = nullptr;
    HGDIOBJ FMeasureOldFont = nullptr;
    std::unique_ptr<TBitmap> FBuffer;
    struct TFontCache;
    std::unique_ptr<TFontCache> FFonts;
    // Set while a text is parsed or drawn: a handler of OnImageNeeded must not change the data then.
    int FBusy = 0;
};
