// Repainting a form of the standard controls beside the same form of the toolkit's own widgets, in
// one run: the whole 1280x900 form of 112 controls (edits, memos, lists, combo boxes, buttons,
// labels, panels) invalidated and brought to the screen, and a 16x16 rectangle of it. Each pair is
// named .../Layer and .../Toolkit; the layer should stay within 1.5 times the toolkit's time. Runs
// offscreen unless QT_QPA_PLATFORM says otherwise (xcb on a virtual display, say).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace {

const int kOffscreen = (setenv("QT_QPA_PLATFORM", "offscreen", 0), 0);

const int kFormWidth = 1280, kFormHeight = 900;
const int kColumns = 8, kRows = 14;  // 112 controls
const int kCellWidth = kFormWidth / kColumns, kCellHeight = kFormHeight / kRows;
const int kKinds = 7;

const char* const kWords[] = {"Gale warning", "NAVTEX", "ZCZC SA12", "Wind SW 8", "Visibility good", "NNNN"};

// Where the control of a cell goes, and its kind (0 edit, 1 memo, 2 list, 3 combo, 4 button, 5 label,
// 6 panel).
struct Cell {
    int Kind, X, Y, Width, Height;
};

Cell CellOf(int Index)
{
    const int kind = Index % kKinds;
    const int x = (Index % kColumns) * kCellWidth + 4, y = (Index / kColumns) * kCellHeight + 4;
    const int tall = kCellHeight - 8;
    const int heights[kKinds] = {22, tall, tall, 22, 26, 16, tall};
    return {kind, x, y, kCellWidth - 8, heights[kind]};
}

std::string LinesOf(int Index)
{
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += std::string(kWords[(Index + i) % 6]) + (i < 3 ? "\r\n" : "");
    return s;
}

struct TLayerForm {
    TLayerForm()
    {
        (void)kOffscreen;
        Application->Initialize();
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, kFormWidth, kFormHeight);
        Form->AfterConstruction();
        for (int i = 0; i < kColumns * kRows; ++i) {
            const Cell c = CellOf(i);
            TControl* control = nullptr;
            switch (c.Kind) {
            case 0: {
                auto* e = new TEdit(Form);
                e->SetText(kWords[i % 6]);
                control = e;
                break;
            }
            case 1: {
                auto* m = new TMemo(Form);
                m->SetParent(Form);
                m->SetText(LinesOf(i));
                control = m;
                break;
            }
            case 2: {
                auto* l = new TListBox(Form);
                l->SetParent(Form);
                for (int k = 0; k < 6; ++k)
                    l->Items()->Add(kWords[(i + k) % 6]);
                control = l;
                break;
            }
            case 3: {
                auto* b = new TComboBox(Form);
                b->SetParent(Form);
                for (int k = 0; k < 6; ++k)
                    b->Items()->Add(kWords[k]);
                b->SetItemIndex(i % 6);
                control = b;
                break;
            }
            case 4: {
                auto* b = new TButton(Form);
                b->SetCaption(kWords[i % 6]);
                control = b;
                break;
            }
            case 5: {
                auto* l = new TLabel(Form);
                l->SetCaption(kWords[i % 6]);
                control = l;
                break;
            }
            default: {
                auto* p = new TPanel(Form);
                p->SetCaption(kWords[i % 6]);
                control = p;
                break;
            }
            }
            control->SetParent(Form);
            control->SetBounds(c.X, c.Y, c.Width, c.Height);
        }
        Form->Show();
        Application->ProcessMessages();
    }
    ~TLayerForm() { delete Form; }
    TForm* Form;
};

// The toolkit is started before any widget is made.
struct TStarted {
    TStarted()
    {
        (void)kOffscreen;
        Application->Initialize();
    }
};

struct TToolkitForm : TStarted {
    TToolkitForm()
    {
        Top.resize(kFormWidth, kFormHeight);
        for (int i = 0; i < kColumns * kRows; ++i) {
            const Cell c = CellOf(i);
            QWidget* w = nullptr;
            switch (c.Kind) {
            case 0: w = new QLineEdit(QString::fromLatin1(kWords[i % 6]), &Top); break;
            case 1: w = new QPlainTextEdit(QString::fromLatin1(LinesOf(i).c_str()).replace("\r\n", "\n"), &Top); break;
            case 2: {
                auto* l = new QListWidget(&Top);
                for (int k = 0; k < 6; ++k)
                    l->addItem(QString::fromLatin1(kWords[(i + k) % 6]));
                w = l;
                break;
            }
            case 3: {
                auto* b = new QComboBox(&Top);
                for (int k = 0; k < 6; ++k)
                    b->addItem(QString::fromLatin1(kWords[k]));
                b->setCurrentIndex(i % 6);
                w = b;
                break;
            }
            case 4: w = new QPushButton(QString::fromLatin1(kWords[i % 6]), &Top); break;
            case 5: w = new QLabel(QString::fromLatin1(kWords[i % 6]), &Top); break;
            default: {
                auto* p = new QLabel(QString::fromLatin1(kWords[i % 6]), &Top);
                p->setFrameShape(QFrame::Panel);
                p->setFrameShadow(QFrame::Raised);
                p->setAlignment(Qt::AlignCenter);
                w = p;
                break;
            }
            }
            w->setGeometry(c.X, c.Y, c.Width, c.Height);
        }
        Top.show();
        QApplication::processEvents();
    }
    QWidget Top;
};

void WholeForm_Layer(benchmark::State& state)
{
    TLayerForm f;
    for (auto _ : state) {
        RedrawWindow(f.Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        QApplication::processEvents();
    }
}

void WholeForm_Toolkit(benchmark::State& state)
{
    TToolkitForm f;
    for (auto _ : state) {
        f.Top.update();
        QApplication::processEvents();
    }
}

// 16x16 pixels over each control in turn.
QRect SmallRect(int I)
{
    const Cell c = CellOf(I % (kColumns * kRows));
    return {c.X + 3, c.Y + 3, 16, 16};
}

void SmallRect_Layer(benchmark::State& state)
{
    TLayerForm f;
    int i = 0;
    for (auto _ : state) {
        const QRect q = SmallRect(i++);
        RECT r{q.left(), q.top(), q.left() + q.width(), q.top() + q.height()};
        RedrawWindow(f.Form->Handle(), &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        QApplication::processEvents();
    }
}

void SmallRect_Toolkit(benchmark::State& state)
{
    TToolkitForm f;
    int i = 0;
    for (auto _ : state) {
        f.Top.update(SmallRect(i++));
        QApplication::processEvents();
    }
}

}  // namespace

BENCHMARK(WholeForm_Layer)->Name("WholeForm/Layer")->Unit(benchmark::kMicrosecond);
BENCHMARK(WholeForm_Toolkit)->Name("WholeForm/Toolkit")->Unit(benchmark::kMicrosecond);
BENCHMARK(SmallRect_Layer)->Name("SmallRect/Layer")->Unit(benchmark::kMicrosecond);
BENCHMARK(SmallRect_Toolkit)->Name("SmallRect/Toolkit")->Unit(benchmark::kMicrosecond);
