// The program's one window: every control of the layout, the scene surface FOND, the window's own
// canvas (kept in an off-screen image so that what the scenes drew survives a repaint) and every
// event handler.
#pragma once

#include <QImage>
#include <QWidget>

#include "canvas/canvas.h"
#include "canvas/controls.h"

class Ttable;

// Starts a new run of the laboratory with the inputs in force (see model/experiment.h).
void StartLaboratory(Ttable& form);

class Ttable : public QWidget {
    Q_OBJECT
  public:
    // The area that the controls fill, from (0, 0): the right edge of FOND, the bottom of
    // RichEdit2.
    static constexpr int kLayoutWidth = 793;
    static constexpr int kLayoutHeight = 553;

    explicit Ttable(QWidget* parent = nullptr);
    ~Ttable() override;

    // Controls, in declaration order.
    TTimer* Timer1 = nullptr;
    TImage* FOND = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TListBox* ListBox1 = nullptr;
    TLabel* Label3 = nullptr;
    TButton* Button1 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* Label5 = nullptr;
    TRichEdit* RichEdit1 = nullptr;
    TRichEdit* RichEdit2 = nullptr;
    TScrollBar* ScrollBar1 = nullptr;
    TLabel* Label6 = nullptr;

    // Event handlers.
    void Destruction(QObject* Sender);
    void Timer1Timer(QObject* Sender);
    void Button1Click(QObject* Sender);
    void B1Click(QObject* Sender);
    void B2Click(QObject* Sender);
    void B3Click(QObject* Sender);
    void B4Click(QObject* Sender);

    // The window's own canvas, in client coordinates.
    TCanvas* Canvas() { return &canvas_; }
    const QImage& CanvasImage() const { return canvasImage_; }
    // Puts a picture back on the window's canvas (going back in a lesson).
    void RestoreCanvas(const QImage& picture);

    // The window colour, shown wherever no control and no drawing covers the client area.
    TColor Color = clBtnFace;

    // A picture of the client area from (0, 0) to the layout's size, controls included.
    QImage ClientPicture();

    // Keeps the two pictures ready to be shown at a zoom as well (see canvas/zoom_twin.h).
    void SetZoom(double zoom);

    // Repaints on screen whatever the last handler drew (the scene surface, the window canvas).
    void ShowDrawing();

    // When true, errors are written to stderr instead of being shown in a message box.
    void SetQuietErrors(bool quiet) { quietErrors_ = quiet; }
    bool QuietErrors() const { return quietErrors_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void CreateControls();
    void CreateBitmaps();

    QImage canvasImage_;
    TCanvas canvas_;
    bool quietErrors_ = false;
    bool destroyed_ = false;
};
