#include "app/table.h"

#include <QIcon>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include "engine/globals.h"

namespace {

QFont FormFont(int pixelHeight, bool bold) {
    return MakeFont(QStringLiteral("MS Sans Serif"), pixelHeight, bold);
}

void SetTextColour(QWidget* w, TColor colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, ToQColor(colour));
    pal.setColor(QPalette::ButtonText, ToQColor(colour));
    pal.setColor(QPalette::Text, ToQColor(colour));
    w->setPalette(pal);
}

TLabel* MakeLabel(QWidget* parent, int left, int top, const QString& caption, TColor colour,
                  int pixelHeight, bool bold) {
    auto* label = new TLabel(caption, parent);
    label->setFont(FormFont(pixelHeight, bold));
    SetTextColour(label, colour);
    label->setMargin(0);
    label->setContentsMargins(0, 0, 0, 0);
    label->move(left, top);
    label->adjustSize();  // labels size themselves to their caption
    return label;
}

TRichEdit* MakeRichEdit(QWidget* parent, int left, int top, int width, int height,
                        const QString& line, bool readOnly) {
    auto* edit = new TRichEdit(parent);
    edit->setGeometry(left, top, width, height);
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, ToQColor(clYellow));
    edit->setPalette(pal);
    edit->setAutoFillBackground(true);
    edit->setReadOnly(readOnly);
    edit->setAcceptRichText(true);
    edit->setPlainText(line);
    return edit;
}

}  // namespace

// The resources are in a static library: their registration has to be asked for, from the
// global namespace.
static QIcon ApplicationIcon() {
    Q_INIT_RESOURCE(resources);
    return QIcon(QStringLiteral(":/table-tracante.png"));
}

Ttable::Ttable(QWidget* parent)
    : QWidget(parent),
      canvasImage_(kLayoutWidth, kLayoutHeight, QImage::Format_RGB32),
      canvas_(&canvasImage_) {
    ResetProgramState();
    table = this;
    canvasImage_.fill(ToQColor(clBtnFace));
    CreateControls();
    CreateBitmaps();
}

Ttable::~Ttable() {
    Destruction(this);
}

void Ttable::CreateControls() {
    setWindowTitle(QStringLiteral("Table traçante"));
    setWindowIcon(ApplicationIcon());
    move(233, 184);
    resize(536, 348);
    setFont(FormFont(11, false));
    setAttribute(Qt::WA_OpaquePaintEvent);

    FOND = new TImage(this);
    FOND->setGeometry(344, 16, 449, 529);

    Label1 =
        MakeLabel(this, 400, 0, QStringLiteral("Asservissement de Position d'une Table Traçante"),
                  clMaroon, 13, true);
    Label2 = MakeLabel(this, 16, 8, QStringLiteral("Ardanel"), clMaroon, 11, false);

    ListBox1 = new TListBox(this);
    ListBox1->setGeometry(96, 464, 225, 49);
    ListBox1->setFont(FormFont(11, false));
    SetTextColour(ListBox1, clGreen);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setUniformItemSizes(true);
    for (const char* item :
         {"Présentation ", "Réponse indicielle en Boucle Ouverte",
          "Rép. Ind. en Boucle Fermée (G:faible)", "Rép. Ind. en Boucle Fermée (G:grand) ",
          "Instabilité en B. Fermée si G très grand", "Réponse trapézoïdale en B. Fermée",
          "Non linéarité du moteur"}) {
        auto* entry = new QListWidgetItem(QString::fromUtf8(item), ListBox1);
        entry->setSizeHint(QSize(0, 13));
    }

    Label3 = MakeLabel(this, 24, 472, QStringLiteral("MENU :"), clGreen, 13, true);

    Button1 = new TButton(QStringLiteral("Démarrer l'Animation"), this);
    Button1->setGeometry(200, 528, 115, 25);
    Button1->setFont(FormFont(11, false));
    SetTextColour(Button1, clRed);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });

    Label4 = MakeLabel(this, 8, 488, QStringLiteral("(sélectionner)"), clGreen, 11, true);
    Label5 = MakeLabel(this, 112, 8, QStringLiteral("Version 2.2"), clMaroon, 11, false);

    RichEdit1 = MakeRichEdit(this, 136, 40, 185, 73, QStringLiteral("RichEdit1"), true);
    RichEdit2 = MakeRichEdit(this, 336, 376, 449, 177, QStringLiteral("RichEdit2"), false);

    ScrollBar1 = new TScrollBar(Qt::Horizontal, this);
    ScrollBar1->setGeometry(16, 536, 121, 16);
    ScrollBar1->setRange(20, 200);
    ScrollBar1->setValue(60);
    ScrollBar1->setPageStep(10);
    ScrollBar1->setSingleStep(1);

    Label6 = MakeLabel(this, 16, 520, QStringLiteral("+  Réglage vitesse  -"), clMaroon, 11, true);

    setTabOrder(ListBox1, Button1);
    setTabOrder(Button1, RichEdit1);
    setTabOrder(RichEdit1, RichEdit2);
    setTabOrder(RichEdit2, ScrollBar1);

    Timer1 = new TTimer(this);
    Timer1->SetInterval(20);
    Timer1->OnTimer = [this](QObject* sender) { Timer1Timer(sender); };
    Timer1->SetEnabled(true);
}

void Ttable::CreateBitmaps() {
    // The pen carriage: a blue square on a red point, on the table bed's colour.
    PenSprite = std::make_unique<TBitmap>();
    PenSprite->SetWidth(20);
    PenSprite->SetHeight(40);
    {
        TCanvas& c = *PenSprite->Canvas();
        c.Pen.Width = 1;
        c.Pen.Color = clBtnFace;
        c.Brush.Color = clBtnFace;
        c.Rectangle(0, 0, 20, 40);
        c.Brush.Color = clRed;
        c.Polygon({{1, 21}, {20, 21}, {10, 41}});
        c.Brush.Color = clBlue;
        c.Rectangle(1, 1, 20, 20);
    }

    TableBitmap = std::make_unique<TBitmap>();
    TableBitmap->SetWidth(397);
    TableBitmap->SetHeight(500);

    TableMask = std::make_unique<TBitmap>();
    TableMask->SetWidth(400);
    TableMask->SetHeight(500);

    // The background picture: 449 x 581, uniform grey.
    BackgroundBitmap = std::make_unique<TBitmap>();
    BackgroundBitmap->SetSize(449, 581);
    BackgroundBitmap->Image().fill(QColor(215, 215, 215));

    LeftPulley = std::make_unique<TBitmap>();
    LeftPulley->SetWidth(30);
    LeftPulley->SetHeight(30);
    {
        TCanvas& c = *LeftPulley->Canvas();
        c.Pen.Width = 1;
        c.Pen.Color = clBtnFace;
        c.Brush.Color = clBtnFace;
        c.Rectangle(0, 0, 30, 30);
        c.Brush.Color = clRed;
        c.Ellipse(0, 0, 30, 30);
        c.Pen.Width = 2;
        c.Pen.Color = clBlue;
        c.MoveTo(15, 0);
        c.LineTo(30, 0);
        c.MoveTo(15, 30);
        c.LineTo(30, 30);
    }

    RightPulley = std::make_unique<TBitmap>();
    RightPulley->SetWidth(30);
    RightPulley->SetHeight(30);
    {
        TCanvas& c = *RightPulley->Canvas();
        c.Pen.Width = 1;
        c.Pen.Color = clBtnFace;
        c.Brush.Color = clBtnFace;
        c.Rectangle(0, 0, 30, 30);
        c.Brush.Color = clRed;
        c.Ellipse(0, 0, 30, 30);
        c.Pen.Width = 2;
        c.Pen.Color = clBlue;
        c.MoveTo(15, 0);
        c.LineTo(0, 0);
        c.MoveTo(15, 30);
        c.LineTo(0, 30);
    }
}

void Ttable::Destruction(QObject* /*Sender*/) {
    if (destroyed_) return;
    destroyed_ = true;
    // No tick may reach the bitmaps once they are gone.
    if (Timer1 != nullptr) Timer1->SetEnabled(false);
    // The bitmaps are this window's only while it is the program's window: a window built after
    // it has made its own (and a window recorded off screen has its own swapped in).
    if (table != this) return;
    PenSprite.reset();
    TableBitmap.reset();
    TableMask.reset();
    BackgroundBitmap.reset();
    LeftPulley.reset();
    RightPulley.reset();
    table = nullptr;
}

void Ttable::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    PaintPicture(p, event->rect(), canvas_, Color);
}

void Ttable::SetZoom(double zoom) {
    canvas_.SetZoom(zoom);
    FOND->Canvas()->SetZoom(zoom);
    update();
    FOND->update();
}

void Ttable::RestoreCanvas(const QImage& picture) {
    canvasImage_ = picture;
    canvas_.SetImage(&canvasImage_);
    update();
}

QImage Ttable::ClientPicture() {
    if (width() < kLayoutWidth || height() < kLayoutHeight) {
        resize(std::max(width(), kLayoutWidth), std::max(height(), kLayoutHeight));
    }
    return grab(QRect(0, 0, kLayoutWidth, kLayoutHeight))
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

void Ttable::ShowDrawing() {
    // Only what the handler drew: nothing at all on the ticks after a lesson has ended.
    const QRect fond = FOND->Canvas()->TakeDirtyRect() & FOND->rect();
    if (!fond.isEmpty()) FOND->update(fond);
    const QRect dirty = canvas_.TakeDirtyRect();
    if (!dirty.isEmpty()) update(dirty);
}
