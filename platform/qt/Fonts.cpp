// Fonts: faces of the design mapped to installed ones, heights in the system's two senses, and
// the metrics drawing and measuring rely on.
#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/CodePages.h"
#include "platform/qt/GdiObjects.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

namespace morvik::qtgdi {

// ---- Fonts ---------------------------------------------------------------------------------
// The dialog faces of the design are narrow; the condensed cut of DejaVu Sans comes closest to
// their widths where it is installed.
QString SansFace()
{
    static const QString face = QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans Condensed"))
                                    ? QStringLiteral("DejaVu Sans Condensed")
                                    : QStringLiteral("DejaVu Sans");
    return face;
}

QString FaceFor(const char* face)
{
    std::string f(face);
    if (f.empty() || f == "MS Sans Serif" || f == "MS Shell Dlg" || f == "MS Shell Dlg 2" ||
        f == "Tahoma" || f == "Arial" || f == "Verdana" || f == "System" || f == "Microsoft Sans Serif")
        return SansFace();
    if (f == "Times New Roman" || f == "Times" || f == "MS Serif")
        return QStringLiteral("DejaVu Serif");
    if (f == "Courier New" || f == "Courier" || f == "Fixedsys" || f == "Terminal" || f == "Lucida Console")
        return QStringLiteral("DejaVu Sans Mono");
    return QString::fromLatin1(face);
}

FontObj::FontObj(const LOGFONT& l) : GdiObj(OBJ_FONT), lf(l), metrics(QFont())
{
    EnsureToolkit();
    font.setFamily(FaceFor(lf.lfFaceName));
    font.setWeight(lf.lfWeight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    if ((lf.lfPitchAndFamily & 3) == FIXED_PITCH)
        font.setFixedPitch(true);
    int h = lf.lfHeight;
    if (h == 0)
        h = -13;
    if (h < 0) {
        font.setPixelSize(-h);
    } else {
        // A cell height: find the character height whose cell comes closest.
        QFont probe(font);
        probe.setPixelSize(100);
        QFontMetrics pm(probe);
        int cell100 = std::max(1, pm.ascent() + pm.descent());
        int px = std::max(1, int(std::lround(h * 100.0 / cell100)));
        font.setPixelSize(px);
        QFontMetrics m(font);
        while (px > 1 && m.ascent() + m.descent() > h) {
            font.setPixelSize(--px);
            m = QFontMetrics(font);
        }
    }
    metrics = QFontMetrics(font);
    const QFontMetrics& m = metrics;
    ascent = m.ascent();
    descent = m.descent();
    emHeight = font.pixelSize();
    aveWidth = m.averageCharWidth();
    maxWidth = std::max(m.maxWidth(), aveWidth);
}

int GlyphTable::ByteOf(char16_t c) const
{
    Byte b = 0;
    if (!CharToCodePage(c, codePage, b) || !own[b])
        return -1;
    return b;
}

const GlyphTable* FontObj::Glyphs()
{
    std::call_once(FGlyphsOnce, [this] {
        if (font.underline() || font.strikeOut())
            return;
        auto t = std::make_unique<GlyphTable>();
        t->raw = QRawFont::fromFont(font);
        if (!t->raw.isValid())
            return;
        t->codePage = CharsetToCodePage(lf.lfCharSet);
        for (int b = 0; b < 256; ++b) {
            const char32_t c = CodePageToChar(Byte(b), t->codePage);
            // Control codes and the soft hyphen (which shaping hides) are left to the toolkit.
            if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xAD)
                continue;
            const QList<quint32> glyph = t->raw.glyphIndexesForString(QString::fromUcs4(&c, 1));
            if (glyph.size() != 1 || glyph.front() == 0)
                continue;
            t->index[b] = glyph.front();
            t->advance[b] = t->raw.advancesForGlyphIndexes(glyph).front().x();
            t->own[b] = true;
        }
        FGlyphs = std::move(t);
    });
    return FGlyphs.get();
}

LOGFONT DefaultLogFont(int height, const char* face)
{
    LOGFONT lf;
    lf.lfHeight = height;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

FontObj* FontOfDC(DCObj* dc)
{
    if (auto* f = ObjAs<FontObj>(dc->st.font, OBJ_FONT))
        return f;
    return ObjAs<FontObj>(Stock(SYSTEM_FONT), OBJ_FONT);
}

namespace {

// The glyphs' advances, summed as they go, where the text is drawn glyph by glyph: At(i, sum) after
// each character. False, partway, where only shaping measures right.
template <class Each>
bool PlainAdvances(FontObj* f, const QString& s, Each At)
{
    const GlyphTable* t = f->Glyphs();
    if (!t)
        return false;
    qreal width = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s.at(i).unicode();
        const int b = t->ByteOf(c);
        if (b < 0 || (c == u'f' && i + 1 < s.size() && GlyphTable::Joins(s.at(i + 1).unicode())))
            return false;
        width += t->advance[b];
        At(i, width);
    }
    return true;
}

}  // namespace

int TextWidthPx(FontObj* f, const QString& s, int charExtra)
{
    // The glyphs' advances add up to what shaping measures wherever the glyphs are drawn alone.
    qreal width = 0;
    if (!s.isEmpty() && PlainAdvances(f, s, [&width](qsizetype, qreal w) { width = w; }))
        return qRound(width) + charExtra * int(s.size());
    return f->metrics.horizontalAdvance(s) + charExtra * int(s.size());
}

void TextEndsPx(FontObj* f, const QString& s, int charExtra, int* Ends)
{
    if (s.isEmpty())
        return;
    // Rounded as the whole is, so that the last end is the text's width.
    if (PlainAdvances(f, s, [&](qsizetype i, qreal w) { Ends[i] = qRound(w) + charExtra * int(i + 1); }))
        return;
    // Shaped: where the layout puts the caret after each character (tabs, ligatures and hidden
    // soft hyphens as drawing has them).
    QTextLayout layout(s, f->font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e9);
    layout.endLayout();
    int last = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        last = std::max(last, qRound(line.cursorToX(int(i + 1))));
        Ends[i] = last + charExtra * int(i + 1);
    }
}

}  // namespace morvik::qtgdi

namespace morvik::backend {

QFont FontOf(HFONT h)
{
    if (auto* f = ObjAs<FontObj>(h, OBJ_FONT))
        return f->font;
    return ObjAs<FontObj>(Stock(DEFAULT_GUI_FONT), OBJ_FONT)->font;
}

}  // namespace morvik::backend

HFONT CreateFontIndirect(const LOGFONT* lplf)
{
    if (!lplf)
        return nullptr;
    return H(Register(new FontObj(*lplf)));
}
