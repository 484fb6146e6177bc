// The RTF reader and its rendering.
//
// Each data/rtf/NAME.rtf is read, rendered into a page, and dumped; the dump must equal NAME.txt
// beside it (TT_REBUILD_RTF=1 rewrites those that changed instead, and names them: review them
// with git diff). A dump holds the damage the reader noted, then each block: the properties of
// its format and of its paragraph mark (by Qt's names, lengths in pixels), and under it each
// fragment: its text (tabs, line breaks and characters with no telling glyph written ⟨…⟩) and the
// properties of its character format.
//
// Every input, the fixtures and the hostile ones alike, must give a sound document within the
// reader's memory bound (ten times the input plus 256 KiB, its result included), one block per
// paragraph with the paragraph's text, runs cut only where the format changes, and a page that
// the load replaces for good.
#include <gtest/gtest.h>
#include <malloc.h>

#include <QElapsedTimer>
#include <QMetaEnum>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <random>
#include <sstream>

#include "../fuzz/document_checks.h"
#include "desktop/qt_glue.h"
#include "richtext/rtf.h"

// Live heap bytes and their peak, counted only in a thread that measures.
static thread_local bool tCounting = false;
static thread_local std::size_t tLive = 0, tPeak = 0;

void* operator new(std::size_t size) {  // (the library's other forms call this one...)
    void* p;
    while ((p = std::malloc(size == 0 ? 1 : size)) == nullptr) {
        if (std::get_new_handler() == nullptr) throw std::bad_alloc();
        std::get_new_handler()();
    }
    if (tCounting) tPeak = std::max(tPeak, tLive += malloc_usable_size(p));
    return p;
}
void operator delete(void* p) noexcept {
    if (p != nullptr && tCounting) tLive -= std::min(tLive, malloc_usable_size(p));
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
// (and so must the forms without exceptions, which a sanitizer's runtime would provide)
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    operator delete(p);
}

namespace {

const std::filesystem::path kTests = TT_TESTS_DIR, kFixtures = kTests / "data" / "rtf";

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

QString Visible(const QString& text) {
    QString out;
    for (const char32_t c : text.toUcs4()) {
        const bool plain = QChar::isPrint(c) && (c == ' ' || !QChar::isSpace(c)) && c < 0x2E00;
        out += c == '\t'              ? "⟨tab⟩"
               : c == 0x2028          ? "⟨line⟩"
               : plain && c != 0x2011 ? QString::fromUcs4(&c, 1)
                                      : QString("⟨U+%1⟩").arg(uint(c), 4, 16, QChar('0')).toUpper();
    }
    return out;
}

// The properties a format sets, leaving out those that are false or zero.
QString Describe(const QTextFormat& format) {
    QStringList out;
    for (const auto& [id, value] : format.properties().asKeyValueRange()) {
        const QString text =
            id == QTextFormat::BlockAlignment
                ? QMetaEnum::fromType<Qt::Alignment>().valueToKey(value.toInt())
            : value.typeId() == QMetaType::QBrush      ? value.value<QBrush>().color().name()
            : value.typeId() == QMetaType::Double      ? QString::number(value.toDouble())
            : value.typeId() == QMetaType::QStringList ? value.toStringList().join(", ")
                                                       : value.toString();
        if (text != "false" && text != "0")
            out << QMetaEnum::fromType<QTextFormat::Property>().valueToKey(id) + ("=" + text);
    }
    return out.isEmpty() ? "(none)" : out.join(' ');
}

// Reads the bytes, checking the reader's memory bound and the document it gives.
richtext::Document Read(const std::string& bytes) {
    tLive = tPeak = 0;
    tCounting = true;
    richtext::Document doc = richtext::ReadDocument(bytes);
    tCounting = false;
    EXPECT_LE(tPeak, 10 * bytes.size() + 256 * 1024) << "peak heap for " << bytes.size();
    EXPECT_EQ(fuzzchecks::DocumentProblem(doc, bytes.size()), "");
    for (std::size_t i = 0; i < doc.size(); ++i) {
        const auto runs = doc[i].runs;
        for (std::size_t r = 1; r < runs.size(); ++r)
            EXPECT_NE(runs[r - 1].format, runs[r].format) << "runs " << r - 1 << ", " << r;
    }
    return doc;
}

// Loads the document into the page, checking that it replaces the page for good, one block per
// paragraph; returns the dump.
std::string Show(const richtext::Document& doc, QTextDocument& page) {
    page.setModified(true);
    RenderInto(doc, page);
    EXPECT_FALSE(page.isUndoAvailable() || page.isModified() || !page.isUndoRedoEnabled());
    EXPECT_EQ(static_cast<std::size_t>(page.blockCount()), std::max<std::size_t>(doc.size(), 1));
    EXPECT_EQ(page.toRawText().replace(QChar::ParagraphSeparator, '\n').toStdString(),
              richtext::PlainText(doc));
    QString dump = doc.damage.empty() ? "" : "damage: " + QString::fromStdString(doc.damage) + "\n";
    if (!doc.refusal.empty()) dump += "refused: " + QString::fromStdString(doc.refusal) + "\n";
    if (doc.empty()) dump += "(no paragraph)\n";
    for (QTextBlock block = page.begin(); block.isValid(); block = block.next()) {
        dump += "¶ " + Describe(block.blockFormat()) + " | mark " + Describe(block.charFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it)
            dump += "\n    \"" + Visible(it.fragment().text()) + "\" " +
                    Describe(it.fragment().charFormat());
        dump += "\n";
    }
    return dump.toStdString();
}

// The head, then the piece as often as it fits in `size` bytes.
std::string Fill(std::string head, std::string_view piece, std::size_t size = 1 << 20) {
    while (head.size() + piece.size() <= size)
        head += piece;
    return head;
}

// Compares a dump with the expected one, showing the first line where they part (rebuild, then
// git diff shows them all).
void ExpectDump(const std::string& dump, const std::filesystem::path& expected) {
    std::istringstream got(dump),
        want(std::filesystem::exists(expected) ? ReadFile(expected) : "(missing)");
    for (int line = 1; got || want; ++line) {
        std::string a, b;
        std::getline(got, a);
        std::getline(want, b);
        if (a != b) {
            ADD_FAILURE() << expected << ", line " << line << ":\n  dump:     " << a
                          << "\n  expected: " << b;
            return;
        }
    }
}

TEST(Rtf, EveryFixtureShowsAsItsDump) {
    std::vector<std::filesystem::path> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(kFixtures))
        if (entry.path().extension() == ".rtf") inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    ASSERT_GE(inputs.size(), 40u);
    QTextDocument page;  // reloaded like a panel: nothing may stay from the fixture before
    const bool rebuild = qEnvironmentVariableIsSet("TT_REBUILD_RTF");
    int changed = 0;
    for (const auto& input : inputs) {
        const std::string dump = Show(Read(ReadFile(input)), page);
        const auto expected = std::filesystem::path(input).replace_extension(".txt");
        if (!rebuild) {
            ExpectDump(dump, expected);
        } else if (!std::filesystem::exists(expected) || ReadFile(expected) != dump) {
            // Compared with the dump as it was, then written: git diff shows the change.
            std::cout << "changed: " << expected.filename() << '\n';
            std::ofstream(expected, std::ios::binary) << dump;
            ++changed;
        }
    }
    if (rebuild) std::cout << changed << " dump(s) changed; review them with git diff\n";
    // Text past the depth cap still shows, and the formats come back as the groups close.
    ExpectDump(Show(Read("{\\rtf1 " + Fill("", "{\\b ", 20000) + "profond" +
                         std::string(5000, '}') + " apres{\\i" + std::string(900, '{') + "\\b0 x" +
                         std::string(900, '}') + " italique}{" + std::string(990, '{') +
                         "{\\b gras}maigre" + std::string(990, '}') + "}{\\stylesheet{\\s1 \\'" +
                         std::string(1000, '{') + std::string(1002, '}') + "fin}"),
                    page),
               kFixtures / "nesting.txt");
}

TEST(Rtf, HostileInputsReadSoundlyWithinTheMemoryBound) {
    // A mebibyte of one piece after a head ("head|piece"): each a worst case of the memory bound.
    for (const std::string_view row :
         {"|Réponse indicielle ", "|\n", "|\x80", "{\\rtf1 |Gain faible ", "{\\rtf1 |\x80",
          "{\\rtf1 |\\par", "{\\rtf1 |x\\par ", "{\\rtf1 |\\b x\\b0x", "{\\rtf1 |{\\b x}x",
          "{\\rtf1 |\\u8364?", "{\\rtf1 |\\fs1 x\\fs2 x\\fs3 x\\fs4 x\\fs5 x\\fs6 x\\cf7 x",
          "{\\rtf1 |\\fs99999999999 \\li-99999999999 \\uc99999 ",
          "{\\rtf1{\\fonttbl|\\f1 a;\\f2 b;", "{\\rtf1{\\colortbl|\\red1;"}) {
        SCOPED_TRACE(std::string(row));
        Read(Fill(std::string(row.substr(0, row.find('|'))), row.substr(row.find('|') + 1)));
    }
    // Shown as well: a million braces, huge binary data, a very long word, what the fuzzer found
    // and its seeds, every third truncation of the shipped pages, and random bytes drawn mostly
    // from RTF's own syntax.
    std::vector<std::string> inputs = {
        Fill("{\\rtf1 ", "{", 1'000'000), Fill("{\\rtf1 ", "}", 1'000'000),
        Fill("{\\rtf1 a\\bin2000000000 ", "x"), Fill("{\\rtf1 ", "x")};
    for (const char* folder : {"regressions", "corpus"})
        for (const auto& entry :
             std::filesystem::directory_iterator(kTests / ".." / "fuzz" / folder))
            inputs.push_back(ReadFile(entry.path()));
    for (int n = 1; n <= 5; ++n) {
        const std::string shipped =
            ReadFile(kTests / ".." / "data" / ("komm" + std::to_string(n) + ".rtf"));
        for (std::size_t cut = 0; cut < shipped.size(); cut += 3)
            inputs.push_back(shipped.substr(0, cut));
    }
    const std::string_view syntax[] = {
        "{",     "}",       "\\",  "\\'",    "\\u",       "\\uc",      "\\uc0",     "\\bin", "\\*",
        "\\par", "\\line",  "\\b", "\\v",    "\\f",       "\\fs",      "\\cf",      "\\red", ";",
        "-",     "9",       "0",   "e9",     " ",         "\r\n",      "a",         "é",     "\xE9",
        "\xFF",  {"\0", 1}, "\\~", "\\pict", "\\fldrslt", "\\fonttbl", "\\colortbl"};
    std::mt19937 random(20240611);
    for (int i = 0; i < 3000; ++i) {
        std::string bytes = i % 4 != 0 ? "{\\rtf1 " : "";
        for (auto n = random() % 201; n > 0; --n)
            bytes += random() % 10 == 0 ? std::string(1, char(random()))
                                        : std::string(syntax[random() % std::size(syntax)]);
        inputs.push_back(bytes);
    }
    QTextDocument page;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE("input #" + std::to_string(i));
        Show(Read(inputs[i]), page);
        if (HasFailure()) break;  // one failing input is enough to show
    }
}

}  // namespace

// Pages that would cost their layout too much, each refused for its reason, and the largest of
// their kind that are not: read within the memory bound, and laid out in a column of the
// reference width quickly and no higher than the bound.
TEST(Rtf, PagesBeyondTheBoundsOfTheirLayoutAreRefused) {
    auto times = [](std::string_view piece, int n) {
        std::string out;
        while (n-- > 0)
            out += piece;
        return out;
    };
    std::string fonts = "{\\rtf1{\\fonttbl", text = "";
    for (int i = 0; i < 300; ++i) {
        fonts += "\\f" + std::to_string(i) + " F" + std::to_string(i) + ";";
        text += "\\f" + std::to_string(i) + " x ";
    }
    const std::pair<std::string, const char*> rows[] = {
        {"{\\rtf1\\sa31680\\sb31680\\fs3276 " + times("\\par ", 2000) + "}", "144 points"},
        {Fill("{\\rtf1\\fs3276 ", "abc def ", 1 << 21), "144 points"},
        {Fill("{\\rtf1\\sa31680 ", "x\\par ", 1 << 21), "5 cm"},
        {Fill("", "\r\n", 1 << 21), "5000 paragraphes"},
        {Fill("{\\rtf1 ", "\\par ", 1 << 21), "5000 paragraphes"},
        {Fill("{\\rtf1 ", std::string(9999, 'a') + " ", 1 << 21), "500 caractères"},
        {Fill("{\\rtf1 ", "Le gain G est faible. ", 1 << 21), "26 m"},
        {Fill("{\\rtf1\\fs2 ", "Le gain G est faible. ", 1 << 21), "26 m"},
        {Fill("{\\rtf1 ", "\\line ", 1 << 21), "26 m"},
        {Fill("{\\rtf1 ", "\\u26085?", 1 << 21), "26 m"},
        {Fill("{\\rtf1 ", "\\b x \\b0 y ", 1 << 21), "10000 fois"},
        {fonts + "}" + text + "}", "256 mises en forme"},
        {"{\\rtf1\\fs288\\sa2835\\sb2835 " + times("x\\par ", 150) + "}", ""},
        {"{\\rtf1 " + times("x\\par ", 5000) + "}", ""},
        {Fill("{\\rtf1 ", "Le gain G est faible. ", 200000) + "}", ""},
        {Fill("{\\rtf1\\fs2 ", std::string(500, 'a') + " ", 200000) + "}", ""},
        {Fill("{\\rtf1 ", "\\u26085?", 800000) + "}", ""},
        {"{\\rtf1 " + times("\\b x \\b0 y ", 5000) + "}", ""},
        {fonts.substr(0, fonts.find("\\f250 ")) + "}" + text.substr(0, text.find("\\f250 ")) + "}",
         ""},
    };
    QTextDocument page;
    for (const auto& [bytes, refusal] : rows) {
        SCOPED_TRACE(bytes.substr(0, 60) + "… (" + std::to_string(bytes.size()) + " bytes)");
        QElapsedTimer clock;
        clock.start();
        const richtext::Document doc = Read(bytes);
        if (*refusal != '\0') {
            EXPECT_NE(doc.refusal.find(refusal), std::string::npos) << doc.refusal;
            EXPECT_TRUE(doc.empty() && doc.text.empty() && doc.damage.empty());
            continue;
        }
        EXPECT_EQ(doc.refusal, "");
        RenderInto(doc, page);
        page.setTextWidth(richtext::kReferenceWidth / 15.0);
        EXPECT_LE(page.size().height(), richtext::kMaxHeight / 15.0);
        EXPECT_LT(clock.elapsed(), 3000);
    }
}
