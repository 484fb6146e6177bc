// Fuzz target: any bytes must read into a well-formed document.
//
// Only the reader is exercised: the rendering needs a QGuiApplication (fonts), which a fuzzer
// process does not have. Besides the sanitizers' checks, the document's own invariants are
// checked, so that a silently inconsistent result is a finding too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "richtext/encoding.h"
#include "richtext/rtf.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const richtext::Document doc = richtext::ReadDocument(bytes);

    // The text: UTF-8, no control characters but tabs, at most 3 bytes per input byte.
    Check(richtext::IsValidUtf8(doc.text));
    for (const char c : doc.text) Check(static_cast<unsigned char>(c) >= 0x20 || c == '\t');
    Check(doc.text.size() <= 3 * size);

    // Runs and paragraphs cover the text in order, with formats that exist.
    std::uint32_t textEnd = 0;
    for (const auto& run : doc.runs) {
        Check(run.textEnd > textEnd);  // never an empty run
        Check(run.format < doc.charFormats.size());
        textEnd = run.textEnd;
    }
    Check(textEnd == doc.text.size());
    std::uint32_t runsEnd = 0;
    for (const auto& paragraph : doc.paragraphs) {
        Check(paragraph.runsEnd >= runsEnd);
        Check(paragraph.format < doc.paragraphFormats.size());
        Check(paragraph.mark < doc.charFormats.size());
        runsEnd = paragraph.runsEnd;
    }
    Check(runsEnd == doc.runs.size());

    for (const auto& format : doc.charFormats) {
        Check(format.halfPoints >= 0 && format.halfPoints <= 3276);
    }
    for (const auto& format : doc.paragraphFormats) {
        Check(format.spaceBefore >= 0 && format.spaceAfter >= 0);
        Check(format.leftIndent >= -31680 && format.leftIndent <= 31680);
    }

    // The views and the plain text agree with the storage.
    const std::string text = richtext::PlainText(doc);
    Check(text.size() == doc.text.size() + (doc.empty() ? 0 : doc.size() - 1));
    return 0;
}
