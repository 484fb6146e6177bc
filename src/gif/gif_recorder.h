// Records pictures of the window as an animated GIF: one frame per tick, each lasting the timer
// period of its tick. Only the part of a picture that changed is stored: the box around the
// changes, in which the pixels that did not change are transparent (long runs of one index, which
// the GIF's compression packs tightly: the paper scrolls under the pen, so the box is large but
// most of it stays the same). Each frame gets a colour table in which every colour of the scenes
// is exact.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "canvas/picture.h"

class Output;
struct GifFileType;

class GifRecorder {
  public:
    GifRecorder();
    ~GifRecorder();
    GifRecorder(const GifRecorder&) = delete;
    GifRecorder& operator=(const GifRecorder&) = delete;

    // Starts a recording into an output that is open (see output/output.h); Finish commits it.
    bool Open(Output& out, int width, int height, std::string& error);

    // Adds a picture shown for `delayMs` milliseconds. A picture equal to the previous one only
    // lengthens it, for as long as it lasts.
    bool AddFrame(const Picture& picture, int delayMs, std::string& error);

    // Writes what is pending and the trailer, then commits the output.
    bool Finish(std::string& error);

    int FramesWritten() const { return framesWritten_; }
    const Picture& LastPicture() const { return previous_; }

  private:
    struct Pending {
        Rect area;
        std::vector<unsigned> palette;     // 0x00RRGGBB, size a power of two, at most 256
        std::vector<unsigned char> index;  // area.width() * area.height()
        int transparent = -1;              // the index of unchanged pixels, if any
    };
    bool WritePending(std::string& error);
    bool PutFrame(const Pending& frame, int delayCs, std::string& error);
    // `previous`, when not null, is the picture shown before: its pixels become transparent.
    static void Quantise(const Picture& picture, const Picture* previous, const Rect& area,
                         Pending& out);
    std::string WriteFailure(int gifError) const;
    static int WriteBytes(GifFileType* gif, const unsigned char* data, int length);

    Output* out_ = nullptr;
    std::string writeError_;  // why the output refused a write
    GifFileType* gif_ = nullptr;
    int width_ = 0, height_ = 0;
    Picture previous_;
    std::unique_ptr<Pending> pending_;
    long long shownMs_ = 0;    // how long the pictures added so far are shown
    long long writtenCs_ = 0;  // how long those written last, in GIF delays (centiseconds)
    int framesWritten_ = 0;
};
