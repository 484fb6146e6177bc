// Records pictures of the window as an animated GIF: one frame per tick, each lasting the timer
// period of its tick. Only the part of a picture that changed is stored: the box around the
// changes, in which the pixels that did not change are transparent (long runs of one index, which
// the GIF's compression packs tightly: the paper scrolls under the pen, so the box is large but
// most of it stays the same). Each frame gets a colour table in which every colour of the scenes
// is exact.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <memory>
#include <string>
#include <vector>

class Output;
struct GifFileType;

class GifRecorder {
  public:
    GifRecorder();
    ~GifRecorder();
    GifRecorder(const GifRecorder&) = delete;
    GifRecorder& operator=(const GifRecorder&) = delete;

    // Starts a recording into an output that is open (see output.h); Finish commits it.
    bool Open(Output& out, QSize size, QString& error);

    // Adds a picture shown for `delayMs` milliseconds. A picture equal to the previous one only
    // lengthens it, for as long as it lasts.
    bool AddFrame(const QImage& picture, int delayMs, QString& error);

    // Writes what is pending and the trailer, then commits the output.
    bool Finish(QString& error);

    int FramesWritten() const { return framesWritten_; }
    const QImage& LastPicture() const { return previous_; }

  private:
    struct Pending {
        QRect area;
        std::vector<unsigned> palette;     // 0x00RRGGBB, size a power of two, at most 256
        std::vector<unsigned char> index;  // area.width() * area.height()
        int transparent = -1;              // the index of unchanged pixels, if any
    };
    bool WritePending(QString& error);
    bool PutFrame(const Pending& frame, int delayCs, QString& error);
    // `previous`, when not null, is the picture shown before: its pixels become transparent.
    static void Quantise(const QImage& picture, const QImage* previous, const QRect& area,
                         Pending& out);
    QString WriteFailure(int gifError) const;
    static int WriteBytes(GifFileType* gif, const unsigned char* data, int length);

    Output* out_ = nullptr;
    std::string writeError_;  // why the output refused a write
    GifFileType* gif_ = nullptr;
    QSize size_;
    QImage previous_;
    std::unique_ptr<Pending> pending_;
    long long shownMs_ = 0;    // how long the pictures added so far are shown
    long long writtenCs_ = 0;  // how long those written last, in GIF delays (centiseconds)
    int framesWritten_ = 0;
};
