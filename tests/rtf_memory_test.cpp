// The reader's memory stays a few times the size of its input, whatever the input.
//
// This program replaces the global allocation functions to measure the peak of live heap bytes
// while a document is read (its result included); it is a program of its own so that no other
// test runs with them.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>
#include <new>
#include <string>

#include "richtext/rtf.h"

namespace {

bool gCounting = false;
std::size_t gLive = 0;
std::size_t gPeak = 0;

void* Allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    if (gCounting) {
        gLive += malloc_usable_size(p);
        if (gLive > gPeak) gPeak = gLive;
    }
    return p;
}

void Release(void* p) noexcept {
    if (p == nullptr) return;
    if (gCounting) {
        const std::size_t size = malloc_usable_size(p);
        gLive = gLive > size ? gLive - size : 0;  // blocks from before the count started
    }
    std::free(p);
}

}  // namespace

// (The array forms that the library provides call these.)
void* operator new(std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}

namespace {

// Peak heap bytes while reading the input and holding its document.
std::size_t PeakWhileReading(const std::string& input) {
    gLive = 0;
    gPeak = 0;
    gCounting = true;
    {
        const richtext::Document doc = richtext::ReadDocument(input);
        EXPECT_LE(doc.text.size(), 3 * input.size());
    }
    gCounting = false;
    return gPeak;
}

std::string Repeat(const std::string& head, const std::string& piece, std::size_t size) {
    std::string out = head;
    while (out.size() < size)
        out += piece;
    return out;
}

TEST(RtfMemory, PeakStaysAFewTimesTheInputSize) {
    constexpr std::size_t kSize = 1 << 20;
    const struct {
        const char* what;
        std::string input;
    } cases[] = {
        {"plain text", Repeat("", "Réponse indicielle ", kSize)},
        {"empty plain lines", Repeat("", "\n", kSize)},
        {"Windows-1252 bytes", Repeat("", "\x80", kSize)},
        {"RTF text", Repeat("{\\rtf1 ", "Gain faible ", kSize)},
        {"RTF 8-bit bytes", Repeat("{\\rtf1 ", "\x80", kSize)},
        {"paragraph marks", Repeat("{\\rtf1 ", "\\par", kSize)},
        {"one-letter paragraphs", Repeat("{\\rtf1 ", "x\\par ", kSize)},
        {"one-letter runs", Repeat("{\\rtf1 ", "\\b x\\b0x", kSize)},
        {"one-letter groups", Repeat("{\\rtf1 ", "{\\b x}x", kSize)},
        {"ever new formats",
         Repeat("{\\rtf1 ", "\\fs1 x\\fs2 x\\fs3 x\\fs4 x\\fs5 x\\fs6 x\\cf7 x", kSize)},
        {"long font names", Repeat("{\\rtf1{\\fonttbl{\\f0 " + std::string(1000, 'N') + ";}{\\f1 " +
                                       std::string(1000, 'M') + ";}}",
                                   "\\f0 x\\f1 y", kSize)},
        {"font table entries", Repeat("{\\rtf1{\\fonttbl", "\\f1 a;\\f2 b;", kSize)},
        {"colour table entries", Repeat("{\\rtf1{\\colortbl", "\\red1;", kSize)},
        {"opening braces", Repeat("{\\rtf1 ", "{", kSize)},
        {"Unicode escapes", Repeat("{\\rtf1 ", "\\u8364?", kSize)},
        {"huge numbers", Repeat("{\\rtf1 ", "\\fs99999999999 \\li-99999999999 \\uc99999 ", kSize)},
        {"binary length past the end", "{\\rtf1 a\\bin2000000000 " + std::string(kSize, 'x')},
    };
    for (const auto& c : cases) {
        const std::size_t peak = PeakWhileReading(c.input);
        EXPECT_LE(peak, 10 * c.input.size() + 256 * 1024)
            << c.what << ": " << peak << " bytes for " << c.input.size();
    }
}

}  // namespace
