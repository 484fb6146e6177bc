// Every input the fuzzer ever flagged (fuzz/regressions/), and its seed corpus, read into a sound
// document and show as one block per paragraph, with the paragraph's text.
//
// The fuzzer leaves the rendering out (it has no GUI application); here each document also goes
// through it, and in the sanitizer build under AddressSanitizer and UBSan.
#include <gtest/gtest.h>

#include "support/data_dir.h"

#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../fuzz/document_checks.h"
#include "richtext/rtf.h"

namespace {

namespace fs = std::filesystem;

struct Input {
    std::string name;
    std::string bytes;
};

std::vector<Input> InputsIn(const char* folder) {
    const fs::path dir = DataDir().parent_path() / "fuzz" / folder;
    std::vector<Input> inputs;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        inputs.push_back(
            {std::string(folder) + "/" + entry.path().filename().string(), bytes.str()});
    }
    std::sort(inputs.begin(), inputs.end(),
              [](const Input& a, const Input& b) { return a.name < b.name; });
    return inputs;
}

std::vector<Input> AllInputs() {
    std::vector<Input> all = InputsIn("regressions");
    // A wrong folder must not pass as "nothing to check".
    EXPECT_GE(all.size(), 1u) << "no past finding under fuzz/regressions";
    const std::vector<Input> seeds = InputsIn("corpus");
    EXPECT_GE(seeds.size(), 20u) << "the seed corpus is missing";
    all.insert(all.end(), seeds.begin(), seeds.end());
    return all;
}

TEST(RtfFuzzRegressions, EveryInputReadsIntoASoundDocument) {
    for (const Input& input : AllInputs()) {
        const richtext::Document doc = richtext::ReadDocument(input.bytes);
        EXPECT_EQ(fuzzchecks::DocumentProblem(doc, input.bytes.size()), "") << input.name;
    }
}

// The panel shows the document paragraph for paragraph, each with its own text.
void ExpectShownParagraphForParagraph(const richtext::Document& doc) {
    QTextDocument shown;
    richtext::RenderInto(doc, shown);
    ASSERT_EQ(static_cast<std::size_t>(shown.blockCount()), std::max<std::size_t>(doc.size(), 1));
    QTextBlock block = shown.begin();
    for (std::size_t i = 0; i < doc.size(); ++i, block = block.next()) {
        EXPECT_EQ(block.text().toStdString(), richtext::PlainText(doc[i])) << "paragraph " << i;
    }
}

TEST(RtfFuzzRegressions, EveryInputShowsOneBlockPerParagraph) {
    for (const Input& input : AllInputs()) {
        SCOPED_TRACE(input.name);
        ExpectShownParagraphForParagraph(richtext::ReadDocument(input.bytes));
    }
}

// The first finding: a paragraph separator inside a paragraph's text, which the panel showed as
// two paragraphs; Qt's internal frame markers did the same.
TEST(RtfFuzzRegressions, ParagraphSeparatorEndsItsParagraphAndFrameMarkersAreNotText) {
    const struct {
        const char* what;
        std::string input;
        std::vector<std::string> paragraphs;
    } cases[] = {
        {"RTF U+2029", "{\\rtf1 un\\u8233?deux\\par trois}", {"un", "deux", "trois"}},
        {"RTF U+FDD0 and U+FDD1", "{\\rtf1 a\\u-560?b\\u-559?c}", {"a\uFFFDb\uFFFDc"}},
        {"RTF U+FDEF, U+FDF0 is text", "{\\rtf1 a\\u-529?b\\u-528?c}", {"a\uFFFDb\uFDF0c"}},
        {"UTF-8 U+2029",
         "un\xE2\x80\xA9"
         "deux\ntrois",
         {"un", "deux", "trois"}},
        {"UTF-8 U+FDD0, U+FDCF is text",
         "a\xEF\xB7\x90"
         "b\xEF\xB7\x8F"
         "c",
         {"a\uFFFDb\uFDCFc"}},
        {"line separator stays in its paragraph",
         "{\\rtf1 a\\line b\\u8232?c}",
         {"a\u2028b\u2028c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const richtext::Document doc = richtext::ReadDocument(c.input);
        EXPECT_EQ(fuzzchecks::DocumentProblem(doc, c.input.size()), "");
        std::vector<std::string> paragraphs;
        for (std::size_t i = 0; i < doc.size(); ++i)
            paragraphs.push_back(richtext::PlainText(doc[i]));
        EXPECT_EQ(paragraphs, c.paragraphs);
        ExpectShownParagraphForParagraph(doc);
    }
}

}  // namespace
