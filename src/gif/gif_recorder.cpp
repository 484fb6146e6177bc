#include "gif/gif_recorder.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <unordered_map>

#include "canvas/colors.h"
#include "output/output.h"

namespace {

std::string GifError(int code) {
    const char* text = GifErrorString(code);
    return text != nullptr ? text : "erreur GIF inconnue";
}

// The colours the scenes are drawn in: never approximated.
constexpr std::array<TColor, 21> kNamedColours = {
    clBlack, clMaroon, clGreen,   clOlive,     clNavy,       clPurple, clTeal,
    clGray,  clSilver, clRed,     clLime,      clYellow,     clBlue,   clFuchsia,
    clAqua,  clWhite,  clBtnFace, clHighlight, clWindowText, clWindow, RGB(215, 215, 215)};

Rect ChangedArea(const Picture& a, const Picture& b) {
    int top = -1, bottom = -1, left = a.width(), right = -1;
    for (int y = 0; y < a.height(); ++y) {
        const Pixel* ra = a.constScanLine(y);
        const Pixel* rb = b.constScanLine(y);
        bool rowChanged = false;
        for (int x = 0; x < a.width(); ++x) {
            if (((ra[x] ^ rb[x]) & 0x00FFFFFFu) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                rowChanged = true;
            }
        }
        if (rowChanged) {
            if (top < 0) top = y;
            bottom = y;
        }
    }
    if (top < 0) return Rect();
    return Rect::FromCorners({left, top}, {right, bottom});
}

}  // namespace

GifRecorder::GifRecorder() = default;

GifRecorder::~GifRecorder() {
    if (gif_ != nullptr) {
        int err = 0;
        EGifCloseFile(gif_, &err);
    }
    if (out_ != nullptr) out_->Cancel();
}

int GifRecorder::WriteBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* self = static_cast<GifRecorder*>(gif->UserData);
    if (!self->writeError_.empty()) return 0;
    if (!self->out_->Write(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length),
                           self->writeError_))
        return 0;
    return length;
}

bool GifRecorder::Open(Output& out, int width, int height, std::string& error) {
    out_ = &out;
    int err = 0;
    gif_ = EGifOpen(this, WriteBytes, &err);
    if (gif_ == nullptr) {
        error = GifError(err);
        return false;
    }
    EGifSetGifVersion(gif_, true);
    width_ = width;
    height_ = height;
    // No global colour table: every frame carries its own.
    if (EGifPutScreenDesc(gif_, width, height, 8, 0, nullptr) == GIF_ERROR) {
        error = WriteFailure(gif_->Error);
        return false;
    }
    // Loop for ever.
    const unsigned char loop[3] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, 3, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(gif_) == GIF_ERROR) {
        error = WriteFailure(gif_->Error);
        return false;
    }
    return true;
}

std::string GifRecorder::WriteFailure(int gifError) const {
    if (!writeError_.empty()) return writeError_;
    return "écriture GIF impossible : " + GifError(gifError);
}

void GifRecorder::Quantise(const Picture& picture, const Picture* previous, const Rect& area,
                           Pending& out) {
    auto unchanged = [previous](int x, int y, unsigned c) {
        return previous != nullptr && (previous->pixel(x, y) & 0x00FFFFFFu) == c;
    };
    // Count the colours of the pixels that changed.
    std::unordered_map<unsigned, unsigned> frequency;
    bool anyUnchanged = false;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const Pixel* row = picture.constScanLine(y);
        for (int x = area.left(); x <= area.right(); ++x) {
            const unsigned c = row[x] & 0x00FFFFFFu;
            if (unchanged(x, y, c)) {
                anyUnchanged = true;
            } else {
                ++frequency[c];
            }
        }
    }
    // One index is kept for the transparent pixels.
    const std::size_t room = anyUnchanged ? 255 : 256;
    std::vector<unsigned> palette;
    if (frequency.size() <= room) {
        for (const auto& [colour, n] : frequency)
            palette.push_back(colour);
    } else {
        // The named colours first, then the most frequent others.
        for (TColor c : kNamedColours) {
            if (frequency.count(c) != 0) palette.push_back(c);
        }
        std::vector<std::pair<unsigned, unsigned>> others;
        for (const auto& [colour, n] : frequency) {
            if (std::find(palette.begin(), palette.end(), colour) == palette.end())
                others.emplace_back(n, colour);
        }
        std::sort(others.begin(), others.end(), std::greater<>());
        for (const auto& [n, colour] : others) {
            if (palette.size() >= room) break;
            palette.push_back(colour);
        }
    }
    std::sort(palette.begin(), palette.end());

    std::unordered_map<unsigned, unsigned char> lookup;
    for (std::size_t i = 0; i < palette.size(); ++i)
        lookup[palette[i]] = static_cast<unsigned char>(i);
    auto nearest = [&palette](unsigned c) {
        const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        std::size_t best = 0;
        long bestDistance = -1;
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const int pr = (palette[i] >> 16) & 0xFF, pg = (palette[i] >> 8) & 0xFF,
                      pb = palette[i] & 0xFF;
            const long d =
                long(r - pr) * (r - pr) + long(g - pg) * (g - pg) + long(b - pb) * (b - pb);
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        return static_cast<unsigned char>(best);
    };

    out.area = area;
    out.transparent = anyUnchanged ? static_cast<int>(palette.size()) : -1;
    out.index.resize(static_cast<std::size_t>(area.width()) * area.height());
    std::size_t k = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const Pixel* row = picture.constScanLine(y);
        for (int x = area.left(); x <= area.right(); ++x) {
            const unsigned c = row[x] & 0x00FFFFFFu;
            if (unchanged(x, y, c)) {
                out.index[k++] = static_cast<unsigned char>(out.transparent);
                continue;
            }
            auto it = lookup.find(c);
            if (it == lookup.end()) it = lookup.emplace(c, nearest(c)).first;
            out.index[k++] = it->second;
        }
    }
    // GIF colour tables have a power-of-two size, at least 2.
    std::size_t size = 2;
    while (size < palette.size() + (anyUnchanged ? 1 : 0))
        size *= 2;
    palette.resize(size, 0);
    out.palette = std::move(palette);
}

bool GifRecorder::AddFrame(const Picture& frame, int delayMs, std::string& error) {
    if (frame.width() != width_ || frame.height() != height_) {
        error = "image de taille inattendue";
        return false;
    }
    Rect area = previous_.isNull() ? frame.rect() : ChangedArea(previous_, frame);
    if (area.isEmpty() && pending_) {
        shownMs_ += std::max(delayMs, 0);
        return true;
    }
    if (!WritePending(error)) return false;
    if (area.isEmpty()) area = Rect(0, 0, 1, 1);  // a frame must have at least one pixel
    pending_ = std::make_unique<Pending>();
    Quantise(frame, previous_.isNull() ? nullptr : &previous_, area, *pending_);
    shownMs_ += std::max(delayMs, 0);
    previous_ = frame;
    return true;
}

// The pending picture, lasting until the time shown so far (delays are rounded on the whole
// recording, not frame by frame, so that they add up to its length). A hold longer than a GIF
// delay (655.35 s) goes on in frames of one transparent pixel.
bool GifRecorder::WritePending(std::string& error) {
    if (!pending_) return true;
    static constexpr long long kMaxDelayCs = 65535;
    long long delayCs = std::max((shownMs_ + 5) / 10 - writtenCs_, 1LL);
    bool ok = PutFrame(*pending_, int(std::min(delayCs, kMaxDelayCs)), error);
    Pending hold;
    hold.area = Rect(0, 0, 1, 1);
    hold.palette = {0, 0};
    hold.index = {0};
    hold.transparent = 0;
    for (long long left = delayCs - kMaxDelayCs; ok && left > 0; left -= kMaxDelayCs)
        ok = PutFrame(hold, int(std::min(left, kMaxDelayCs)), error);
    if (!ok) return false;
    writtenCs_ += delayCs;
    pending_.reset();
    return true;
}

bool GifRecorder::PutFrame(const Pending& p, int delayCs, std::string& error) {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.UserInputFlag = false;
    gcb.DelayTime = delayCs;
    gcb.TransparentColor = p.transparent >= 0 ? p.transparent : NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&gcb, extension);

    std::vector<GifColorType> colours(p.palette.size());
    for (std::size_t i = 0; i < p.palette.size(); ++i) {
        colours[i].Red = static_cast<GifByteType>((p.palette[i] >> 16) & 0xFF);
        colours[i].Green = static_cast<GifByteType>((p.palette[i] >> 8) & 0xFF);
        colours[i].Blue = static_cast<GifByteType>(p.palette[i] & 0xFF);
    }
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
    if (map == nullptr) {
        error = "mémoire insuffisante pour la table de couleurs";
        return false;
    }
    bool ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_ERROR &&
              EGifPutImageDesc(gif_, p.area.left(), p.area.top(), p.area.width(), p.area.height(),
                               false, map) != GIF_ERROR;
    std::vector<GifPixelType> line(static_cast<std::size_t>(p.area.width()));
    for (int y = 0; ok && y < p.area.height(); ++y) {
        std::copy_n(p.index.begin() + static_cast<std::ptrdiff_t>(y) * p.area.width(),
                    p.area.width(), line.begin());
        ok = EGifPutLine(gif_, line.data(), p.area.width()) != GIF_ERROR;
    }
    GifFreeMapObject(map);
    if (!ok) {
        error = WriteFailure(gif_->Error);
        return false;
    }
    ++framesWritten_;
    return true;
}

bool GifRecorder::Finish(std::string& error) {
    if (gif_ == nullptr) {
        error = "enregistrement non ouvert";
        return false;
    }
    if (!WritePending(error)) return false;
    int err = 0;
    const int status = EGifCloseFile(gif_, &err);
    gif_ = nullptr;
    if (status == GIF_ERROR) {
        error = WriteFailure(err);
        return false;
    }
    Output* out = out_;
    out_ = nullptr;
    return out->Commit(error);
}
