// What every document the RTF reader returns must satisfy, whatever bytes it was read from.
//
// Shared by the fuzz target and by the test that replays the fuzzer's findings, so that an input
// the fuzzer flagged fails in the same way in the ordinary test suite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "richtext/encoding.h"
#include "richtext/rtf.h"

namespace fuzzchecks {

// The first rule the document breaks, or an empty string if it keeps them all.
inline std::string DocumentProblem(const richtext::Document& doc, std::size_t inputSize) {
    const std::string_view text = doc.text;

    // The text: UTF-8, no control characters but tabs, at most 3 bytes per input byte.
    if (!richtext::IsValidUtf8(text)) return "the text is not UTF-8";
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            return "control character " + std::to_string(static_cast<int>(c)) + " in the text";
        }
    }
    if (text.size() > 3 * inputSize) {
        return "text of " + std::to_string(text.size()) + " bytes from " +
               std::to_string(inputSize) + " input bytes";
    }
    // No paragraph break inside a paragraph: U+2029, and the block markers U+FDD0 and U+FDD1 of
    // Qt's rich text, would each start a new block when the page is shown.
    for (const std::string_view breaking : {"\xE2\x80\xA9", "\xEF\xB7\x90", "\xEF\xB7\x91"}) {
        if (text.find(breaking) != std::string_view::npos) {
            return "a paragraph break (U+2029, U+FDD0 or U+FDD1) inside a paragraph's text";
        }
    }

    // Runs and paragraphs cover the text in order, with formats that exist.
    std::uint32_t textEnd = 0;
    for (const auto& run : doc.runs) {
        if (run.textEnd <= textEnd) return "an empty or backward run";
        if (run.format >= doc.charFormats.size()) return "a run with a format that does not exist";
        textEnd = run.textEnd;
    }
    if (textEnd != text.size()) return "the runs do not cover the text";
    std::uint32_t runsEnd = 0;
    for (const auto& paragraph : doc.paragraphs) {
        if (paragraph.runsEnd < runsEnd) return "a backward paragraph";
        if (paragraph.format >= doc.paragraphFormats.size() ||
            paragraph.mark >= doc.charFormats.size()) {
            return "a paragraph with a format that does not exist";
        }
        runsEnd = paragraph.runsEnd;
    }
    if (runsEnd != doc.runs.size()) return "the paragraphs do not cover the runs";

    // Sizes and indents stay within what a word processor can produce.
    for (const auto& format : doc.charFormats) {
        if (format.halfPoints < 0 || format.halfPoints > 3276) return "a font size out of range";
    }
    for (const auto& format : doc.paragraphFormats) {
        if (format.spaceBefore < 0 || format.spaceAfter < 0) return "a negative paragraph space";
        for (const int indent : {format.leftIndent, format.rightIndent, format.firstLineIndent}) {
            if (indent < -31680 || indent > 31680) return "an indent out of range";
        }
    }

    // A page refused holds nothing else; one shown keeps within the bounds of its layout.
    if (!doc.refusal.empty() && !(doc.empty() && text.empty() && doc.damage.empty()))
        return "a refused page with content";
    if (doc.size() > richtext::kMaxParagraphs || doc.runs.size() > richtext::kMaxRuns ||
        doc.charFormats.size() > richtext::kMaxFormats ||
        doc.paragraphFormats.size() > richtext::kMaxFormats)
        return "a page beyond its bounds of paragraphs, runs or formats";
    for (std::size_t i = 0; i < doc.size(); ++i) {
        const richtext::Paragraph p = doc[i];
        bool tooLarge = p.mark.halfPoints > richtext::kMaxFontHalfPoints ||
                        p.format.spaceBefore > richtext::kMaxSpacing ||
                        p.format.spaceAfter > richtext::kMaxSpacing;
        for (const richtext::Run& run : p.runs)
            tooLarge = tooLarge || run.format.halfPoints > richtext::kMaxFontHalfPoints;
        if (tooLarge) return "a font or a space beyond its bound";
    }

    // The views and the plain text agree with the storage.
    const std::string plain = richtext::PlainText(doc);
    if (plain.size() != text.size() + (doc.empty() ? 0 : doc.size() - 1)) {
        return "the plain text does not match the stored text";
    }
    return {};
}

}  // namespace fuzzchecks
