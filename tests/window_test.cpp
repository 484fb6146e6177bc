// The window as it opens: controls, their places and looks, and the bitmaps made at start-up.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QScrollBar>
#include <tuple>

#include "engine/globals.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

namespace {

TColor TextColour(const QWidget* w, QPalette::ColorRole role = QPalette::WindowText) {
    return FromQRgb(w->palette().color(role).rgb());
}

void ExpectLabel(const TLabel* label, int left, int top, const char* caption, TColor colour,
                 int pixels, bool bold) {
    SCOPED_TRACE(caption);
    EXPECT_EQ(label->text(), QString::fromUtf8(caption));
    EXPECT_EQ(label->pos(), QPoint(left, top));
    EXPECT_EQ(TextColour(label), colour);
    EXPECT_EQ(label->font().pixelSize(), pixels);
    EXPECT_EQ(label->font().bold(), bold);
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
        << "labels size themselves to their caption";
}

}  // namespace

TEST(Window, HasItsCaptionIconAndLayout) {
    WindowDriver d;
    Ttable& t = d.form();
    EXPECT_EQ(t.windowTitle(), QStringLiteral("Table traçante"));
    EXPECT_FALSE(t.windowIcon().isNull());
    const std::pair<QWidget*, QRect> places[] = {
        {t.FOND, {344, 16, 449, 529}},       {t.ListBox1, {96, 464, 225, 49}},
        {t.Button1, {200, 528, 115, 25}},    {t.RichEdit1, {136, 40, 185, 73}},
        {t.RichEdit2, {336, 376, 449, 177}}, {t.ScrollBar1, {16, 536, 121, 16}}};
    for (const auto& [control, place] : places)
        EXPECT_EQ(control->geometry(), place) << control->objectName().toStdString();
    EXPECT_EQ(d.Client().size(), QSize(793, 553));
}

TEST(Window, LabelsHaveTheirTextsColoursAndFonts) {
    WindowDriver d;
    Ttable& t = d.form();
    ExpectLabel(t.Label1, 400, 0, "Asservissement de Position d'une Table Traçante", clMaroon, 13,
                true);
    ExpectLabel(t.Label2, 16, 8, "Ardanel", clMaroon, 11, false);
    ExpectLabel(t.Label3, 24, 472, "MENU :", clGreen, 13, true);
    ExpectLabel(t.Label4, 8, 488, "(sélectionner)", clGreen, 11, true);
    ExpectLabel(t.Label5, 112, 8, "Version 2.2", clMaroon, 11, false);
    ExpectLabel(t.Label6, 16, 520, "+  Réglage vitesse  -", clMaroon, 11, true);
}

TEST(Window, MenuListsTheSevenScenesWithNothingSelected) {
    WindowDriver d;
    const TListBox* list = d.form().ListBox1;
    const char* expected[] = {"Présentation ",
                              "Réponse indicielle en Boucle Ouverte",
                              "Rép. Ind. en Boucle Fermée (G:faible)",
                              "Rép. Ind. en Boucle Fermée (G:grand) ",
                              "Instabilité en B. Fermée si G très grand",
                              "Réponse trapézoïdale en B. Fermée",
                              "Non linéarité du moteur"};
    ASSERT_EQ(list->count(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(list->item(i)->text(), QString::fromUtf8(expected[i]));
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(TextColour(list, QPalette::Text), clGreen);
    EXPECT_EQ(list->font().pixelSize(), 11);
}

TEST(Window, ButtonScrollBarTimerAndPanels) {
    WindowDriver d;
    Ttable& t = d.form();
    EXPECT_EQ(t.Button1->text(), QStringLiteral("Démarrer l'Animation"));
    EXPECT_EQ(TextColour(t.Button1, QPalette::ButtonText), clRed);
    const QScrollBar& bar = *t.ScrollBar1;
    EXPECT_EQ(bar.orientation(), Qt::Horizontal);
    EXPECT_EQ(
        std::tuple(bar.minimum(), bar.maximum(), bar.value(), bar.pageStep(), bar.singleStep()),
        std::tuple(20, 200, 60, 10, 1));
    EXPECT_EQ(t.Timer1->Interval(), 20) << "the first tick comes after 20 ms";
    EXPECT_TRUE(t.RichEdit1->isReadOnly());
    EXPECT_FALSE(t.RichEdit2->isReadOnly());
    EXPECT_EQ(FromQRgb(t.RichEdit1->palette().color(QPalette::Base).rgb()), clYellow);
    EXPECT_EQ(FromQRgb(t.RichEdit2->palette().color(QPalette::Base).rgb()), clYellow);
    // Both panels show their design lines until the first tick hides them.
    EXPECT_EQ(t.RichEdit1->toPlainText(), QStringLiteral("RichEdit1"));
    EXPECT_EQ(t.RichEdit2->toPlainText(), QStringLiteral("RichEdit2"));
    EXPECT_TRUE(t.RichEdit1->isVisible());
    EXPECT_TRUE(t.RichEdit2->isVisible());
    d.Tick();
    EXPECT_FALSE(t.RichEdit1->isVisible());
    EXPECT_FALSE(t.RichEdit2->isVisible());
}

TEST(Window, TimerIsRunningInTheRealWindow) {
    Ttable t;
    EXPECT_TRUE(t.Timer1->Enabled());
    EXPECT_EQ(t.Timer1->Interval(), 20);
}

TEST(Bitmaps, AreMadeWithTheirSizesAndPictures) {
    WindowDriver d;
    ASSERT_TRUE(PenSprite && TableBitmap && TableMask && BackgroundBitmap && LeftPulley &&
                RightPulley);
    EXPECT_EQ(TableBitmap->Image().size(), QSize(397, 500));
    EXPECT_EQ(TableMask->Image().size(), QSize(400, 500));
    EXPECT_TRUE(All(TableBitmap->Image(), QRect(0, 0, 397, 500), clWhite));
    EXPECT_TRUE(All(TableMask->Image(), QRect(0, 0, 400, 500), clWhite));
    EXPECT_EQ(BackgroundBitmap->Image().size(), QSize(449, 581));
    EXPECT_TRUE(All(BackgroundBitmap->Image(), QRect(0, 0, 449, 581), RGB(215, 215, 215)));
}

TEST(Bitmaps, PenSpriteIsABlueCarriageOnARedPoint) {
    WindowDriver d;
    const QImage& s = PenSprite->Image();
    ASSERT_EQ(s.size(), QSize(20, 40));
    // The carriage: a 19 x 19 square (columns and rows 1 to 19) in blue with a button-face border.
    EXPECT_TRUE(All(s, QRect(2, 2, 17, 17), clBlue));
    for (const QRect border : {QRect(1, 1, 19, 1), QRect(1, 19, 19, 1), QRect(19, 1, 1, 19),
                               QRect(0, 0, 20, 1), QRect(0, 0, 1, 40), QRect(0, 20, 20, 1)})
        EXPECT_TRUE(All(s, border, clBtnFace)) << border.x() << ", " << border.y();
    // The point: a red triangle from row 21 (its button-face top edge) down to the last row.
    EXPECT_EQ(At(s, 10, 21), clBtnFace);
    EXPECT_EQ(At(s, 10, 22), clRed);
    EXPECT_EQ(At(s, 10, 39), clRed) << "the point reaches the last row";
    EXPECT_EQ(At(s, 2, 38), clBtnFace);
    EXPECT_LE(Count(s, QRect(0, 39, 20, 1), clRed), 3) << "the point narrows to a pixel or two";
    EXPECT_GT(Count(s, QRect(0, 22, 20, 1), clRed), 12) << "and is wide at the top";
}

TEST(Bitmaps, PulleysAreRedDiscsWithBeltStubs) {
    WindowDriver d;
    const QImage& l = LeftPulley->Image();
    const QImage& r = RightPulley->Image();
    for (const QImage* p : {&l, &r}) {
        EXPECT_EQ(p->size(), QSize(30, 30));
        EXPECT_EQ(At(*p, 15, 15), clRed);
        EXPECT_EQ(At(*p, 5, 15), clRed);
        EXPECT_EQ(Count(*p, QRect(0, 0, 30, 30), clGreen), 0) << "no spoke yet";
        EXPECT_EQ(At(*p, 29, 29 - 28), At(*p, 29, 1));
    }
    // The belt stubs leave the top and bottom of the disc towards the belt.
    EXPECT_TRUE(All(l, QRect(16, 0, 13, 1), clBlue));
    EXPECT_EQ(Count(l, QRect(0, 0, 14, 1), clBlue), 0);
    EXPECT_TRUE(All(r, QRect(1, 0, 13, 1), clBlue));
    EXPECT_EQ(Count(r, QRect(16, 0, 14, 1), clBlue), 0);
    EXPECT_EQ(At(l, 2, 2), clBtnFace);
    EXPECT_EQ(At(r, 27, 27), clBtnFace);
}

TEST(Lifecycle, DestructionFreesTheBitmapsAndStopsTheTimer) {
    auto form = std::make_unique<Ttable>();
    EXPECT_EQ(table, form.get());
    TTimer* timer = form->Timer1;
    form->Destruction(form.get());
    for (const auto* bitmap :
         {&PenSprite, &TableBitmap, &TableMask, &BackgroundBitmap, &LeftPulley, &RightPulley})
        EXPECT_EQ(*bitmap, nullptr);
    EXPECT_FALSE(timer->Enabled());
    // A tick or a click that still arrived would find nothing to draw on, and does nothing.
    form->Timer1Timer(timer);
    form->Button1Click(form->Button1);
    form.reset();  // a second Destruction from the destructor is harmless
    EXPECT_EQ(table, nullptr);
}
