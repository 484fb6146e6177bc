#include "desktop/table.h"

#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextEdit>
#include <cstdio>

#include "desktop/documents.h"
#include "desktop/qt_glue.h"
#include "engine/commentary.h"
#include "richtext/rtf.h"

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

QLabel* MakeLabel(QWidget* parent, const TLabel& l) {
    auto* label = new QLabel(FromUtf8(l.Caption), parent);
    label->setFont(FormFont(l.FontPixels, l.FontBold));
    SetTextColour(label, l.FontColor);
    label->setMargin(0);
    label->setContentsMargins(0, 0, 0, 0);
    label->move(l.Bounds.x(), l.Bounds.y());
    label->adjustSize();  // labels size themselves to their caption
    return label;
}

QTextEdit* MakeRichEdit(QWidget* parent, const TRichEdit& r) {
    auto* edit = new QTextEdit(parent);
    edit->setGeometry(r.Bounds.x(), r.Bounds.y(), r.Bounds.width(), r.Bounds.height());
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, ToQColor(clYellow));
    edit->setPalette(pal);
    edit->setAutoFillBackground(true);
    edit->setReadOnly(r.ReadOnly);
    edit->setAcceptRichText(true);
    edit->setPlainText(FromUtf8(r.Text));
    return edit;
}

// The longest stretch of a paragraph that offers no line-break opportunity by Unicode's rules, as
// Qt finds them. Qt lays such a stretch out in a time that grows with the square of its length;
// the reader bounds words by simpler rules, which may find a break where these do not (a space
// before "!").
qsizetype LongestUnbreakable(const richtext::Document& page) {
    qsizetype longest = 0;
    for (std::size_t i = 0; i < page.size(); ++i) {
        const std::string text = richtext::PlainText(page[i]);
        if (static_cast<qsizetype>(text.size()) <= longest) continue;  // UTF-8: bytes >= chars
        const QString paragraph = QString::fromStdString(text);
        QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, paragraph);
        qsizetype from = 0;
        for (qsizetype at = breaks.toNextBoundary(); at >= 0; at = breaks.toNextBoundary()) {
            qsizetype end = at;  // the spaces the line may end with are not part of the stretch
            while (end > from && paragraph[end - 1].isSpace())
                --end;
            longest = std::max(longest, end - from);
            from = at;
        }
        longest = std::max(longest, paragraph.size() - from);
    }
    return longest;
}

// The commentary documents, found in the current directory, then in the program's own folders.
class Documents : public DocumentSource {
  public:
    File Read(const std::string& name) const override {
        const DocumentFile doc = ReadDocumentFile(FromUtf8(name));
        if (!doc.ok()) return {{}, doc.error.toStdString()};
        return {doc.bytes.toStdString(), {}};
    }
};

const Documents kDocuments;

}  // namespace

// The resources are in a static library: their registration has to be asked for, from the
// global namespace.
static QIcon ApplicationIcon() {
    Q_INIT_RESOURCE(resources);
    return QIcon(QStringLiteral(":/table-tracante.png"));
}

Ttable::Ttable(QWidget* parent) : Ttable(*new Session, parent) {
    own_.reset(session_);
}

Ttable::Ttable(Session& session, QWidget* parent) : QWidget(parent), session_(&session) {
    state().Documents = &kDocuments;
    CreateControls();
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { Timer1Timer(); });
    FollowTimer();
}

Ttable::~Ttable() {
    timer_.stop();
    twin_.reset();
    // The widgets go before the session they show.
    const QObjectList widgets = children();
    for (QObject* child : widgets)
        if (child->isWidgetType()) delete child;
}

void Ttable::CreateControls() {
    const State& s = state();
    setWindowTitle(QStringLiteral("Table traçante"));
    setWindowIcon(ApplicationIcon());
    move(233, 184);
    resize(536, 348);
    setFont(FormFont(11, false));
    setAttribute(Qt::WA_OpaquePaintEvent);

    FOND = new PictureWidget(this);
    FOND->setGeometry(s.FOND.Bounds.x(), s.FOND.Bounds.y(), s.FOND.Bounds.width(),
                      s.FOND.Bounds.height());
    FOND->Show(state().FOND.Canvas());

    Label1 = MakeLabel(this, s.Label1);
    Label2 = MakeLabel(this, s.Label2);

    ListBox1 = new QListWidget(this);
    const Rect list = s.ListBox1.Bounds;
    ListBox1->setGeometry(list.x(), list.y(), list.width(), list.height());
    ListBox1->setFont(FormFont(s.ListBox1.FontPixels, false));
    SetTextColour(ListBox1, s.ListBox1.FontColor);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setUniformItemSizes(true);
    for (const std::string& item : s.ListBox1.Items) {
        auto* entry = new QListWidgetItem(FromUtf8(item), ListBox1);
        entry->setSizeHint(QSize(0, s.ListBox1.ItemHeight));
    }
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] {
        if (syncing_) return;
        const QList<QListWidgetItem*> chosen = ListBox1->selectedItems();
        shownItem_ = chosen.isEmpty() ? -1 : ListBox1->row(chosen.first());
        state().ListBox1.ItemIndex = shownItem_;
    });

    Label3 = MakeLabel(this, s.Label3);

    Button1 = new QPushButton(FromUtf8(s.Button1.Caption), this);
    const Rect b = s.Button1.Bounds;
    Button1->setGeometry(b.x(), b.y(), b.width(), b.height());
    Button1->setFont(FormFont(s.Button1.FontPixels, false));
    SetTextColour(Button1, s.Button1.FontColor);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    Label4 = MakeLabel(this, s.Label4);
    Label5 = MakeLabel(this, s.Label5);

    RichEdit1 = MakeRichEdit(this, s.RichEdit1);
    RichEdit2 = MakeRichEdit(this, s.RichEdit2);

    ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
    const Rect bar = s.ScrollBar1.Bounds;
    ScrollBar1->setGeometry(bar.x(), bar.y(), bar.width(), bar.height());
    ScrollBar1->setRange(s.ScrollBar1.Min, s.ScrollBar1.Max);
    ScrollBar1->setValue(s.ScrollBar1.Position);
    ScrollBar1->setPageStep(s.ScrollBar1.LargeChange);
    ScrollBar1->setSingleStep(s.ScrollBar1.SmallChange);
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int value) {
        if (!syncing_) state().ScrollBar1.Position = value;
    });

    Label6 = MakeLabel(this, s.Label6);

    setTabOrder(ListBox1, Button1);
    setTabOrder(Button1, RichEdit1);
    setTabOrder(RichEdit1, RichEdit2);
    setTabOrder(RichEdit2, ScrollBar1);
    SyncControls();
}

void Ttable::SetLive(bool live) {
    live_ = live;
    FollowTimer();
}

void Ttable::FollowTimer() {
    const TTimer& t = state().Timer1;
    if (!live_ || !t.Enabled || t.Interval <= 0) {
        timer_.stop();
        return;
    }
    // A new interval restarts the period; an unchanged one leaves a running timer alone.
    if (!timer_.isActive() || timer_.interval() != t.Interval) timer_.start(t.Interval);
}

void Ttable::Timer1Timer() {
    session_->Tick();
    Refresh();
    emit Ticked();
}

void Ttable::Button1Click() {
    session_->Start();
    Refresh();
}

bool Ttable::Comments() {
    const bool shown = ShowComments(state());
    Refresh();
    return shown;
}

void Ttable::Refresh() {
    SyncControls();
    ShowDrawing();
    ShowMessages();
    FollowTimer();
}

void Ttable::SyncControls() {
    State& s = state();
    syncing_ = true;
    if (s.ListBox1.ItemIndex != shownItem_) {
        if (s.ListBox1.ItemIndex < 0) {
            ListBox1->clearSelection();
        } else {
            ListBox1->setCurrentRow(s.ListBox1.ItemIndex, QItemSelectionModel::ClearAndSelect);
        }
        shownItem_ = s.ListBox1.ItemIndex;
    }
    if (ScrollBar1->value() != s.ScrollBar1.Position) ScrollBar1->setValue(s.ScrollBar1.Position);
    syncing_ = false;
    // What the scroll bar took (its range bounds the position).
    s.ScrollBar1.Position = ScrollBar1->value();

    const std::pair<TRichEdit*, QTextEdit*> pages[] = {{&s.RichEdit1, RichEdit1},
                                                       {&s.RichEdit2, RichEdit2}};
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& [model, edit] = pages[i];
        if (model->PageSerial != shownPages_[i] && model->Page != nullptr) {
            shownPages_[i] = model->PageSerial;
            // Qt's own layout needs its own bound: the panel keeps what it showed.
            if (const auto run = LongestUnbreakable(*model->Page);
                run > static_cast<qsizetype>(richtext::kMaxWordLength)) {
                s.Messages.push_back("Impossible d'afficher le commentaire « " + model->PageName +
                                     " » : il contient " + std::to_string(run) +
                                     " caractères à la suite sans coupure possible (limite : " +
                                     std::to_string(richtext::kMaxWordLength) + ").");
            } else {
                RenderInto(*model->Page, *edit->document());
                edit->moveCursor(QTextCursor::Start);  // show the top of the page
            }
        }
        if (edit->isVisible() != model->Visible) edit->setVisible(model->Visible);
    }

    const std::array<std::pair<const TButton*, std::int32_t>, 4> buttons = {
        {{&s.B1, s.B1Created}, {&s.B2, s.B2Created}, {&s.B3, s.B3Created}, {&s.B4, s.B4Created}}};
    static void (*const kClicks[4])(State&) = {B1Click, B2Click, B3Click, B4Click};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& [model, created] = buttons[i];
        const bool shown = created == 1 && model->Visible;
        if (B[i] == nullptr) {
            if (!shown) continue;
            B[i] = new QPushButton(this);
            QFont font = this->font();
            font.setPixelSize(model->FontPixels);
            B[i]->setFont(font);
            connect(B[i], &QPushButton::clicked, this, [this, i] {
                kClicks[i](state());
                Refresh();
            });
        }
        const Rect r = model->Bounds;
        if (B[i]->geometry() != QRect(r.x(), r.y(), r.width(), r.height()))
            B[i]->setGeometry(r.x(), r.y(), r.width(), r.height());
        if (B[i]->text() != FromUtf8(model->Caption)) B[i]->setText(FromUtf8(model->Caption));
        if (B[i]->isEnabled() != (created == 1 && model->Enabled))
            B[i]->setEnabled(created == 1 && model->Enabled);
        if (B[i]->isVisible() != shown) B[i]->setVisible(shown);
    }
}

void Ttable::ShowDrawing() {
    // Only what the handler drew: nothing at all on the ticks after a lesson has ended.
    State& s = state();
    const Rect fond = s.FOND.Canvas()->TakeDirtyRect() &
                      Rect(0, 0, s.FOND.Bounds.width(), s.FOND.Bounds.height());
    if (!fond.isEmpty()) FOND->update(fond.x(), fond.y(), fond.width(), fond.height());
    const Rect dirty = s.Canvas()->TakeDirtyRect();
    if (!dirty.isEmpty()) update(dirty.x(), dirty.y(), dirty.width(), dirty.height());
}

void Ttable::ShowMessages() {
    State& s = state();
    if (s.Messages.empty()) return;
    const std::vector<std::string> messages = std::exchange(s.Messages, {});
    for (const std::string& m : messages) {
        if (quietErrors_) {
            std::fprintf(stderr, "table-tracante: %s\n", m.c_str());
            continue;
        }
        // Shown once the current handler has finished, in a box that does not stop the
        // animation; an open box is reused.
        const QString message = FromUtf8(m);
        QPointer<Ttable> window(this);
        QTimer::singleShot(0, this, [window, message] {
            if (window.isNull()) return;
            auto* box = window->findChild<QMessageBox*>(QStringLiteral("documentProblem"));
            if (box == nullptr) {
                box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Table traçante"),
                                      message, QMessageBox::Ok, window);
                box->setObjectName(QStringLiteral("documentProblem"));
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->setWindowModality(Qt::NonModal);
            } else {
                box->setText(message);
            }
            box->show();
            box->raise();
        });
    }
}

void Ttable::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    PaintPicture(p, event->rect(), std::as_const(state().WindowCanvas).Image(), twin_.get(),
                 state().Color);
}

void Ttable::SetZoom(double zoom) {
    if (std::abs(zoom - 1.0) < 1e-9) {
        twin_.reset();
    } else if (!twin_ || twin_->zoom() != zoom) {
        twin_.reset();
        twin_ = std::make_unique<ZoomTwin>(*state().Canvas(), zoom);
    }
    FOND->SetZoom(zoom);
    update();
    FOND->update();
}

QImage Ttable::ClientPicture() {
    SyncControls();
    if (width() < kLayoutWidth || height() < kLayoutHeight) {
        resize(std::max(width(), kLayoutWidth), std::max(height(), kLayoutHeight));
    }
    return grab(QRect(0, 0, kLayoutWidth, kLayoutHeight))
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}
