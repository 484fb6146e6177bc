// The few controls of the window that are more than a plain Qt widget: the picture control that
// shows a bitmap (the scene surface) and the timer whose period the speed bar sets.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "canvas/canvas.h"

using TLabel = QLabel;
using TListBox = QListWidget;
using TButton = QPushButton;
using TRichEdit = QTextEdit;
using TScrollBar = QScrollBar;

// Paints `area` (widget coordinates) of a canvas's picture, the rest of `area` in `rest`. When the
// painter scales by the canvas's zoom (a zoomed view), the zoomed copy is painted pixel for pixel.
void PaintPicture(QPainter& p, const QRect& area, TCanvas& canvas, TColor rest);

// A picture control: shows the top-left part of its bitmap, as large as the control.
class TImage : public QWidget {
    Q_OBJECT
  public:
    explicit TImage(QWidget* parent);

    struct TPicture {
        TBitmap Bitmap;
    } Picture;

    TCanvas* Canvas() { return Picture.Bitmap.Canvas(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A periodic timer. Setting an interval different from the current one restarts the period.
class TTimer : public QObject {
    Q_OBJECT
  public:
    explicit TTimer(QObject* parent);

    int Interval() const { return interval_; }
    void SetInterval(int ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);

    std::function<void(QObject*)> OnTimer;

    // Runs the handler once, exactly as an expiry of the timer does.
    void Fire();

  private:
    QTimer timer_;
    int interval_ = 1000;
    bool enabled_ = false;
};
