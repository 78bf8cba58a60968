// Fonts: faces of the design mapped to installed ones, heights in the system's two senses, and
// the metrics drawing and measuring rely on.
#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>

#include <cmath>
#include <cstring>

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

int TextWidthPx(FontObj* f, const QString& s, int charExtra)
{
    return f->metrics.horizontalAdvance(s) + charExtra * int(s.size());
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
