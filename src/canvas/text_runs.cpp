// Text from the glyph set: each string laid out once in each font, kept as its runs of pixels (the
// scenes draw the same few hundred labels tick after tick; the table starts again when full).
#include <map>
#include <memory>

#include "canvas/glyphs.h"
#include "canvas/shapes.h"

const FontFace& FaceFor(const std::string& name, int pixels, bool bold) {
    // A handful of faces and sizes: each set up once, for the life of the program.
    static std::map<std::tuple<std::string, int, bool>, std::unique_ptr<FontFace>> faces;
    auto& face = faces[{name, pixels, bold}];
    if (face == nullptr) {
        const glyphs::Font& font = glyphs::FontFor(name, pixels, bold);
        face = std::make_unique<FontFace>(
            FontFace{name, pixels, bold, glyphs::Ascent(font), glyphs::Height(font), &font});
    }
    return *face;
}

const TextRun& TextRunFor(const FontFace& face, std::string_view text) {
    static std::map<std::pair<const void*, std::string>, TextRun, std::less<>> runs;
    const auto key = std::make_pair(face.data, std::string(text));
    if (auto found = runs.find(key); found != runs.end()) return found->second;
    if (runs.size() >= 4096) runs.clear();  // the scenes use a few hundred
    const glyphs::Run laid = glyphs::Layout(*static_cast<const glyphs::Font*>(face.data), text);
    TextRun run;
    run.width = laid.width;
    for (const glyphs::Span& s : laid.spans) {
        run.runs.spans.push_back({s.y, s.left, s.right});
        run.runs.bounds |= Rect::FromCorners({s.left, s.y}, {s.right, s.y});
    }
    return runs.emplace(key, std::move(run)).first->second;
}
