// Common dialogs and message boxes over the toolkit's dialogs. A modal hook (tests) answers
// instead of the user.
#include <QBoxLayout>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QKeyEvent>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>

#include <sys/stat.h>

#include "platform/Backend.h"
#include "platform/Dialogs.h"

using namespace morvik::backend;

namespace {

// "Text Files|*.txt|All Files|*.*" -> "Text Files (*.txt);;All Files (*)".
QStringList QtFilters(const std::string& filter)
{
    QStringList out;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        size_t bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = QString::fromStdString(parts[i + 1]);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        out << ToQString(parts[i]) + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

QWidget* DialogParent()
{
    TCustomForm* f = Screen ? Screen->ActiveForm() : nullptr;
    if (!f && Application)
        f = Application->MainForm();
    return f && f->HandleAllocated() ? HostWidget(f->Handle()) : nullptr;
}

bool FileExists(const std::string& name)
{
    struct stat st {};
    return stat(name.c_str(), &st) == 0;
}

}  // namespace

// ---- TOpenDialog -----------------------------------------------------------------------------------
TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFiles(new TStringList) {}
TOpenDialog::~TOpenDialog() = default;

std::string TOpenDialog::WithDefaultExt(const std::string& Name) const
{
    if (DefaultExt.empty() || Name.empty())
        return Name;
    size_t slash = Name.find_last_of("/\\");
    size_t dot = Name.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return Name;
    std::string ext = DefaultExt[0] == '.' ? DefaultExt.substr(1) : DefaultExt;
    return Name + "." + ext;
}

bool TOpenDialog::Execute()
{
    int answer = 0;
    if (CallModalHook(this, answer)) {
        if (answer == IDOK) {
            FileName = WithDefaultExt(FileName);
            FFiles->Clear();
            FFiles->Add(FileName);
        }
        return answer == IDOK;
    }
    EnsureToolkit();
    QFileDialog dlg(DialogParent(), ToQString(Title));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setAcceptMode(IsSave() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (IsSave()) {
        dlg.setFileMode(QFileDialog::AnyFile);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, !(Options & OpenOption(ofOverwritePrompt)));
    } else {
        dlg.setFileMode((Options & OpenOption(ofAllowMultiSelect)) ? QFileDialog::ExistingFiles
                                                                   : QFileDialog::ExistingFile);
    }
    QStringList filters = QtFilters(Filter);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        if (FilterIndex >= 1 && FilterIndex <= filters.size())
            dlg.selectNameFilter(filters[FilterIndex - 1]);
    }
    std::string dir = InitialDir.empty() ? std::string(".") : NativeFileName(InitialDir);
    dlg.setDirectory(QString::fromStdString(dir));
    if (!FileName.empty())
        dlg.selectFile(QString::fromStdString(NativeFileName(FileName)));
    if (!DefaultExt.empty())
        dlg.setDefaultSuffix(QString::fromStdString(DefaultExt[0] == '.' ? DefaultExt.substr(1) : DefaultExt));
    if (OnShow)
        OnShow(this);
    bool ok = dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty();
    if (OnClose)
        OnClose(this);
    if (!ok)
        return false;
    FFiles->Clear();
    for (const QString& f : dlg.selectedFiles())
        FFiles->Add(f.toStdString());
    FileName = FFiles->Get(0);
    int idx = filters.indexOf(dlg.selectedNameFilter());
    if (idx >= 0)
        FilterIndex = idx + 1;
    if (!IsSave() && (Options & OpenOption(ofFileMustExist)) && !FileExists(FileName))
        return false;
    return true;
}

// ---- TFontDialog ------------------------------------------------------------------------------------
namespace {

QString StyleNameFor(const QFont& font)
{
    // Judged by the style's name: the database's own weight and slant queries do not tell the
    // styles of a face that fontconfig also lists under a second family name apart.
    bool wantBold = font.weight() >= QFont::DemiBold;
    QString best;
    int bestScore = 0;
    for (const QString& style : QFontDatabase::styles(font.family())) {
        QString s = style.toLower();
        bool bold = s.contains(QLatin1String("bold")) || s.contains(QLatin1String("black")) ||
                    s.contains(QLatin1String("heavy"));
        bool italic = s.contains(QLatin1String("italic")) || s.contains(QLatin1String("oblique"));
        // Matching weight and slant first, then the plainest name (no width or extra weight).
        int score = (bold == wantBold ? 2000 : 0) + (italic == font.italic() ? 1000 : 0) - int(style.size());
        if (best.isEmpty() || score > bestScore) {
            bestScore = score;
            best = style;
        }
    }
    return best;
}

// Enter pressed in the embedded chooser (which has no buttons of its own) accepts the dialog.
class EnterAccepts : public QObject {
public:
    explicit EnterAccepts(QDialog* dialog) : FDialog(dialog) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress) {
            int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                FDialog->accept();
                return true;
            }
        }
        return false;
    }

private:
    QDialog* FDialog;
};

}  // namespace

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFont(new TFont) {}
TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute()
{
    int answer = 0;
    if (CallModalHook(this, answer))
        return answer == IDOK;
    EnsureToolkit();
    LOGFONT lf = FFont->LogFont();
    HFONT h = CreateFontIndirect(&lf);
    QFont initial = FontOf(h);
    DeleteObject(h);
    // The face the font resolves to here, so that the list opens on it.
    initial.setPointSize(std::max(1, FFont->Size()));
    bool effects = (Options & FontDialogOption(fdEffects)) != 0;

    QDialog dlg(DialogParent());
    dlg.setWindowTitle(QStringLiteral("Font"));
    auto* layout = new QVBoxLayout(&dlg);
    // The chooser picks a style by name; name the one of the face whose weight and slant are the
    // font's, or it falls back on the face's last style (often bold italic).
    initial.setStyleName(StyleNameFor(initial));
    auto* fonts = new QFontDialog(&dlg);
    fonts->setOptions(QFontDialog::DontUseNativeDialog | QFontDialog::NoButtons);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setSizeGripEnabled(false);
    fonts->setCurrentFont(initial);
    // The face the chooser shows for the font's name: a name that only stands for it (a face this
    // system lacks) is kept unless the user picks another face.
    const QString shownFamily = fonts->currentFont().family();
    layout->addWidget(fonts);
    // The embedded chooser is a dialog of its own: Escape and Enter in it answer the outer dialog
    // instead of hiding the chooser and leaving an empty frame.
    QObject::connect(fonts, &QDialog::rejected, &dlg, &QDialog::reject);
    QObject::connect(fonts, &QDialog::accepted, &dlg, &QDialog::accept);
    EnterAccepts enter(&dlg);
    fonts->installEventFilter(&enter);
    // With the effects the text colour is chosen too, from the sixteen basic colours.
    QComboBox* colours = nullptr;
    if (effects) {
        static const struct {
            const char* name;
            TColor color;
        } basic[] = {{"Black", clBlack},   {"Maroon", clMaroon}, {"Green", clGreen}, {"Olive", clOlive},
                     {"Navy", clNavy},     {"Purple", clPurple}, {"Teal", clTeal},   {"Gray", clGray},
                     {"Silver", clSilver}, {"Red", clRed},       {"Lime", clLime},   {"Yellow", clYellow},
                     {"Blue", clBlue},     {"Fuchsia", clFuchsia}, {"Aqua", clAqua}, {"White", clWhite}};
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("Colour:"), &dlg));
        colours = new QComboBox(&dlg);
        COLORREF current = ColorToRGB(FFont->Color());
        for (const auto& b : basic) {
            QPixmap swatch(16, 12);
            COLORREF c = ColorToRGB(b.color);
            swatch.fill(QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
            colours->addItem(QIcon(swatch), QString::fromLatin1(b.name), QVariant::fromValue(uint(b.color)));
            if (c == current)
                colours->setCurrentIndex(colours->count() - 1);
        }
        if (colours->findData(QVariant::fromValue(uint(current))) < 0) {
            QPixmap swatch(16, 12);
            swatch.fill(QColor(GetRValue(current), GetGValue(current), GetBValue(current)));
            colours->addItem(QIcon(swatch), QStringLiteral("Custom"), QVariant::fromValue(uint(FFont->Color())));
            colours->setCurrentIndex(colours->count() - 1);
        }
        row->addWidget(colours, 1);
        layout->addLayout(row);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    if (OnShow)
        OnShow(this);
    bool ok = dlg.exec() == QDialog::Accepted;
    QFont chosen = fonts->currentFont();
    if (OnClose)
        OnClose(this);
    if (!ok)
        return false;
    if (colours)
        FFont->SetColor(TColor(colours->currentData().toUInt()));
    if (chosen.family() != shownFamily)
        FFont->SetName(chosen.family().toStdString());
    if (chosen.pointSize() > 0)
        FFont->SetSize(chosen.pointSize());
    else
        FFont->SetHeight(-chosen.pixelSize());
    TFontStyles st = 0;
    if (chosen.bold())
        st |= FontStyle(fsBold);
    if (chosen.italic())
        st |= FontStyle(fsItalic);
    if ((Options & FontDialogOption(fdEffects)) && chosen.underline())
        st |= FontStyle(fsUnderline);
    if ((Options & FontDialogOption(fdEffects)) && chosen.strikeOut())
        st |= FontStyle(fsStrikeOut);
    FFont->SetStyle(st);
    return true;
}

// ---- TColorDialog -----------------------------------------------------------------------------------
bool TColorDialog::Execute()
{
    int answer = 0;
    if (CallModalHook(this, answer))
        return answer == IDOK;
    EnsureToolkit();
    COLORREF c = ColorToRGB(Color);
    if (OnShow)
        OnShow(this);
    QColor chosen = QColorDialog::getColor(QColor(GetRValue(c), GetGValue(c), GetBValue(c)), DialogParent(),
                                           QString(), QColorDialog::DontUseNativeDialog);
    if (OnClose)
        OnClose(this);
    if (!chosen.isValid())
        return false;
    Color = TColor(RGB(chosen.red(), chosen.green(), chosen.blue()));
    return true;
}

// ---- Message boxes ----------------------------------------------------------------------------------
int MessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    TMessageBoxRequest req;
    req.Text = lpText ? lpText : "";
    req.Caption = lpCaption ? lpCaption : "Error";
    req.Flags = uType;
    int answer = 0;
    if (CallModalHook(&req, answer))
        return answer;
    EnsureToolkit();
    QWidget* parent = HostWidget(hWnd);
    if (!parent)
        parent = DialogParent();
    QMessageBox box(parent);
    box.setWindowTitle(ToQString(req.Caption));
    box.setText(ToQString(req.Text));
    switch (uType & MB_ICONMASK) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct B {
        QMessageBox::StandardButton qt;
        int id;
    };
    std::vector<B> buttons;
    switch (uType & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_ABORTRETRYIGNORE:
        buttons = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO: buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    case MB_RETRYCANCEL: buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}; break;
    default: buttons = {{QMessageBox::Ok, IDOK}}; break;
    }
    QMessageBox::StandardButtons set;
    for (const B& b : buttons)
        set |= b.qt;
    box.setStandardButtons(set);
    size_t def = (uType & MB_DEFMASK) >> 8;
    if (def < buttons.size())
        box.setDefaultButton(buttons[def].qt);
    if (uType & MB_TOPMOST)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    int r = box.exec();
    for (const B& b : buttons)
        if (r == b.qt)
            return b.id;
    // Closed without a button: the cancel answer where there is one, else the only one.
    for (const B& b : buttons)
        if (b.id == IDCANCEL)
            return IDCANCEL;
    return buttons.size() == 1 ? buttons[0].id : IDCANCEL;
}

void ShowMessage(const std::string& Msg)
{
    std::string title = Application ? Application->Title() : std::string();
    ::MessageBox(nullptr, Msg.c_str(), title.c_str(), MB_OK);
}
