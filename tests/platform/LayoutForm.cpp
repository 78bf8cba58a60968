#include "tests/platform/LayoutForm.h"

TTextStandIn::TTextStandIn(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
}

void TTextStandIn::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    Params.Style |= WS_VSCROLL;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TTextStandIn::Paint()
{
    ++PaintCount;
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    c->SetFont(Font());
    int y = 2;
    for (const char* line : {"ZCZC JA12", "SECURITE", "NAVAREA I 123/26", "NNNN"}) {
        c->TextOut(4, y, line);
        y += c->TextHeight(line);
    }
}

TMenuItem* AddItem(TComponent* Owner, TMenuItem* Parent, const std::string& Caption)
{
    auto* item = new TMenuItem(Owner);
    item->SetCaption(Caption);
    Parent->Add(item);
    return item;
}

void MakeDotGlyph(TBitmap* Glyph, TColor On)
{
    const int s = 12;
    Glyph->SetSize(4 * s, s);
    TCanvas* c = Glyph->Canvas();
    c->Brush()->SetColor(clOlive);  // the transparent colour (bottom-left pixel)
    c->FillRect(Rect(0, 0, 4 * s, s));
    const TColor faces[4] = {clGray, clSilver, On, On};
    for (int i = 0; i < 4; ++i) {
        c->Brush()->SetColor(faces[i]);
        c->Pen()->SetColor(clBlack);
        c->Ellipse(i * s + 2, 2, i * s + s - 1, s - 1);
    }
}

TLayoutForm::TLayoutForm(TComponent* AOwner) : TForm(AOwner)
{
    SetName("RxForm");
    SetCaption("Morvik");
    SetBounds(247, 111, 532, 427);
    KeyPreview = true;

    MainMenu1 = new TMainMenu(this);
    File1 = AddItem(this, MainMenu1->Items(), "&File");
    ClearBuffer1 = AddItem(this, File1, "Clear Buffer");
    N12 = AddItem(this, File1, "-");
    DecodeFromFile1 = AddItem(this, File1, "Decode From File");
    DecodeFromFile1->SetVisible(false);
    Exit1 = AddItem(this, File1, "Exit");
    Setup1 = AddItem(this, MainMenu1->Items(), "&Setup");
    Setup1->OnClick = [this](TObject*) { ++Setup1Opened; };
    EnglishCharset1 = AddItem(this, Setup1, "English  Charset");
    RussianCharset1 = AddItem(this, Setup1, "Russian Charset");
    SwedishCharset1 = AddItem(this, Setup1, "Swedish Charset");
    for (TMenuItem* i : {EnglishCharset1, RussianCharset1, SwedishCharset1}) {
        i->SetGroupIndex(1);
        i->SetRadioItem(true);
    }
    EnglishCharset1->SetChecked(true);
    AddItem(this, Setup1, "-");
    UnshiftOnSpace1 = AddItem(this, Setup1, "Unshift On Space");
    UnshiftOnSpace1->SetGroupIndex(1);
    View1 = AddItem(this, Setup1, "View");
    View1->OnClick = [this](TObject*) { ++View1Opened; };
    ViewOscWindowMenu = AddItem(this, View1, "Oscillogramm Window");
    ViewOscWindowMenu->SetChecked(true);
    Speed1 = AddItem(this, MainMenu1->Items(), "S&peed");
    N45Baud1 = AddItem(this, Speed1, "45   Baud");
    N50Baud1 = AddItem(this, Speed1, "50   Baud");
    N75Baud1 = AddItem(this, Speed1, "75   Baud");
    N100Baud1 = AddItem(this, Speed1, "100 Baud");
    for (TMenuItem* i : {N45Baud1, N50Baud1, N75Baud1, N100Baud1}) {
        i->SetGroupIndex(2);
        i->SetRadioItem(true);
        i->OnClick = [](TObject* s) { static_cast<TMenuItem*>(s)->SetChecked(true); };
    }
    N50Baud1->SetChecked(true);
    Help1 = AddItem(this, MainMenu1->Items(), "&Help");
    About1 = AddItem(this, Help1, "About");
    SetMenu(MainMenu1);

    // Controls in the design's order, each with its design position, so that alignment sorts them.
    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetBounds(0, 0, 524, 25);
    Panel1->SetAlign(alTop);
    Panel1->SetShowHint(true);

    auto speed = [this](TSpeedButton*& b, int left, const std::string& caption, const std::string& hint, int group) {
        b = new TSpeedButton(this);
        b->SetParent(Panel1);
        b->SetBounds(left, 1, 45, 23);
        b->SetCaption(caption);
        b->SetHint(hint);
        b->SetGroupIndex(group);
        b->SetAllowAllUp(true);
    };
    speed(OnTopButton, 0, "OnTop", "Always On Top On/Off", 1);
    OnTopButton->Font()->SetStyle(FontStyle(fsBold));
    OnTopButton->OnClick = [this](TObject*) {
        ++OnTopClicks;
        SetFormStyle(OnTopButton->Down() ? fsStayOnTop : fsNormal);
    };
    speed(ReverseButton, 45, "Normal", "Normal/Reverse Tone Switch", 2);

    auto updown = [this](TEdit*& e, TUpDown*& u, int left, const std::string& hint, int lo, int hi, int pos) {
        e = new TEdit(this);
        e->SetParent(Panel1);
        e->SetBounds(left, 2, 25, 21);
        e->SetReadOnly(true);
        e->SetHint(hint);
        u = new TUpDown(this);
        u->SetParent(Panel1);
        u->SetBounds(left + 25, 2, 15, 21);
        u->SetMin(SmallInt(lo));
        u->SetMax(SmallInt(hi));
        u->SetPosition(SmallInt(pos));
        u->ArrowKeys = false;
        u->Wrap = false;
        u->SetAssociate(e);
    };
    updown(AfcEdit, AfcUpDown, 100, "AFC Speed", 0, 99, 10);
    speed(AfcButton, 140, "A&FC", "Auto Frequency Control On/Off (Alt-F)", 3);
    MakeDotGlyph(AfcButton->Glyph(), clLime);
    AfcButton->SetNumGlyphs(4);
    AfcButton->SetDown(true);
    updown(SquelchEdit, SquelchUpDown, 240, "Squelch Threshold", 1, 99, 50);
    SquelchUpDown->OnClick = [this](TObject*, TUDBtnType b) {
        ++SquelchClicks;
        LastSquelchButton = b;
    };
    speed(SquelchButton, 280, "SQL", "Squelch On/Off", 7);
    MakeDotGlyph(SquelchButton->Glyph(), clRed);
    SquelchButton->SetNumGlyphs(4);

    Bevel1 = new TBevel(this);
    Bevel1->SetParent(this);
    Bevel1->SetBounds(0, 25, 524, 2);
    Bevel1->SetShape(bsTopLine);
    Bevel1->SetAlign(alTop);

    FFTBox = new TPaintBox(this);
    FFTBox->SetParent(this);
    FFTBox->SetBounds(0, 27, 524, 50);
    FFTBox->SetAlign(alTop);
    FFTBox->OnPaint = [this](TObject*) {
        TCanvas* c = FFTBox->Canvas();
        c->Brush()->SetColor(clWhite);
        c->Pen()->SetColor(clWhite);
        c->Rectangle(0, 0, FFTBox->Width() - 1, FFTBox->Height() - 1);
        c->Pen()->SetColor(clGreen);
        c->MoveTo(0, FFTBox->Height() - 2);
        for (int x = 1; x < FFTBox->Width(); ++x)
            c->LineTo(x, FFTBox->Height() - 2 - ((x * 7) % 37) * ((x / 40) % 2));
        c->Pen()->SetColor(clRed);
        c->MoveTo(250, FFTBox->Height() - 1);
        c->LineTo(250, 0);
    };

    Splitter1 = new TSplitter(this);
    Splitter1->SetParent(this);
    Splitter1->SetBounds(0, 77, 524, 4);
    Splitter1->SetAlign(alTop);
    Splitter1->SetMinSize(20);

    RxMemo = new TTextStandIn(this);
    RxMemo->SetParent(this);
    RxMemo->SetBounds(0, 81, 524, 80);
    RxMemo->SetAlign(alTop);
    RxMemo->Font()->SetHeight(-13);
    RxMemo->Font()->SetStyle(FontStyle(fsBold));

    Splitter2 = new TSplitter(this);
    Splitter2->SetParent(this);
    Splitter2->SetBounds(0, 161, 524, 2);
    Splitter2->SetAlign(alTop);
    Splitter2->SetMinSize(5);

    Panel2 = new TPanel(this);
    Panel2->SetParent(this);
    Panel2->SetBounds(0, 163, 524, 140);
    Panel2->SetBevelOuter(bvNone);
    Panel2->SetAlign(alClient);

    TreeView1 = new TPanel(Panel2);
    TreeView1->SetParent(Panel2);
    TreeView1->SetBounds(0, 0, 125, 140);
    TreeView1->SetAlign(alLeft);
    TreeView1->SetBevelOuter(bvLowered);
    TreeView1->SetColor(clWindow);
    TreeView1->SetCaption("messages");

    Splitter4 = new TSplitter(this);
    Splitter4->SetParent(Panel2);
    Splitter4->SetBounds(125, 0, 3, 140);
    Splitter4->SetAlign(alLeft);

    MessageMemo = new TTextStandIn(this);
    MessageMemo->SetParent(Panel2);
    MessageMemo->SetBounds(128, 0, 396, 140);
    MessageMemo->SetAlign(alClient);

    Splitter3 = new TSplitter(this);
    Splitter3->SetParent(this);
    Splitter3->SetBounds(0, 303, 524, 4);
    Splitter3->SetAlign(alBottom);
    Splitter3->SetMinSize(5);
    Splitter3->OnMoved = [this](TObject*) { ++Splitter3Moves; };

    PaintBox1 = new TPaintBox(this);
    PaintBox1->SetParent(this);
    PaintBox1->SetBounds(0, 307, 524, 50);
    PaintBox1->SetAlign(alBottom);
    PaintBox1->SetColor(clGreen);
    PaintBox1->OnPaint = [this](TObject*) {
        TCanvas* c = PaintBox1->Canvas();
        c->Brush()->SetColor(clWhite);
        c->FillRect(PaintBox1->ClientRect());
        c->Pen()->SetColor(clRed);
        int h = PaintBox1->Height() / 2;
        c->MoveTo(1, h);
        c->LineTo(PaintBox1->Width() - 1, h);
        c->Pen()->SetColor(clGreen);
        c->MoveTo(0, h);
        for (int x = 1; x < PaintBox1->Width() - 1; ++x)
            c->LineTo(x, h - ((x % 24) < 12 ? 15 : -15));
    };

    StatusBar1 = new TStatusBar(this);
    StatusBar1->SetParent(this);
    StatusBar1->SetBounds(0, 357, 524, 20);
    StatusBar1->SetAlign(alBottom);
    StatusBar1->SetHint("Mode / Speed / Tx Frequency / Tx Shift / Capture / Rx Frequency / Rx Shift / "
                        "Unshift On Space / Free buffers");
    const int widths[9] = {50, 50, 50, 50, 30, 30, 50, 100, 50};
    const char* texts[9] = {"RTTY", "45 Baud", "1700 Hz", "170 Hz", "", "", "FrB: 15", "", ""};
    for (int i = 0; i < 9; ++i) {
        TStatusPanel* p = StatusBar1->Panels()->Add();
        p->SetWidth(widths[i]);
        p->SetText(texts[i]);
        p->SetAlignment(i == 8 ? taLeftJustify : taCenter);
    }

    Timer1 = new TTimer(this);
    Timer1->SetInterval(100);
    Timer1->SetEnabled(false);
}
