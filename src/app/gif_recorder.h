// Records pictures of the window as an animated GIF: one frame per tick, each lasting the timer
// period of its tick. Only the part of a picture that changed is stored, and each frame gets a
// colour table in which every colour of the scenes is exact.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <memory>
#include <vector>

class QSaveFile;
struct GifFileType;

class GifRecorder {
  public:
    GifRecorder();
    ~GifRecorder();
    GifRecorder(const GifRecorder&) = delete;
    GifRecorder& operator=(const GifRecorder&) = delete;

    // Starts a recording into `fileName`; nothing appears there until Finish succeeds.
    bool Open(const QString& fileName, QSize size, QString& error);

    // Adds a picture shown for `delayMs` milliseconds. A picture equal to the previous one only
    // lengthens it.
    bool AddFrame(const QImage& picture, int delayMs, QString& error);

    // Writes what is pending and the trailer, then puts the file in place.
    bool Finish(QString& error);

    int FramesWritten() const { return framesWritten_; }
    const QImage& LastPicture() const { return previous_; }

  private:
    struct Pending {
        QRect area;
        std::vector<unsigned> palette;     // 0x00RRGGBB, size a power of two, at most 256
        std::vector<unsigned char> index;  // area.width() * area.height()
        int delayCs = 0;
    };
    bool WritePending(QString& error);
    static void Quantise(const QImage& picture, const QRect& area, Pending& out);

    std::unique_ptr<QSaveFile> file_;
    GifFileType* gif_ = nullptr;
    QSize size_;
    QImage previous_;
    std::unique_ptr<Pending> pending_;
    int framesWritten_ = 0;
};
