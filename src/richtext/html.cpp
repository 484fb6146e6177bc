#include "richtext/html.h"

#include <cstdio>

namespace richtext {
namespace {

// The faces the documents name, and what a browser draws them with.
std::string Family(const std::string& name) {
    struct Mapping {
        const char* windows;
        const char* css;
    };
    static constexpr Mapping kMappings[] = {
        {"arial", "Arial, 'Liberation Sans', Helvetica, sans-serif"},
        {"ms sans serif", "Arial, 'Liberation Sans', Helvetica, sans-serif"},
        {"times new roman", "'Times New Roman', 'Liberation Serif', Times, serif"},
        {"courier new", "'Courier New', 'Liberation Mono', Courier, monospace"},
        {"symbol", "Symbol, 'Standard Symbols PS', serif"},
    };
    std::string lower;
    for (char c : name)
        lower += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    for (const Mapping& m : kMappings)
        if (lower == m.windows) return m.css;
    // Any other face by its name, quoted, then the usual sans serif.
    std::string quoted = "'";
    for (char c : name)
        if (c != '\'' && c != '\\' && c != '"' && c != ';' && c != '<' && c != '>' && c != '&')
            quoted += c;
    return quoted + "', sans-serif";
}

std::string Colour(const Color& c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.red, c.green, c.blue);
    return text;
}

// Word processors measure in twips; the panels lay text out at 96 pixels per inch.
std::string Pixels(int twips) {
    char text[32];
    std::snprintf(text, sizeof text, "%gpx", twips / 15.0);
    return text;
}

std::string Style(const CharFormat& f) {
    std::string css;
    if (!f.font.empty()) css += "font-family:" + Family(f.font) + ";";
    if (f.halfPoints > 0) {
        char size[32];
        std::snprintf(size, sizeof size, "font-size:%gpt;", f.halfPoints / 2.0);
        css += size;
    }
    if (f.bold) css += "font-weight:bold;";
    if (f.italic) css += "font-style:italic;";
    if (f.underline || f.strike)
        css += std::string("text-decoration:") + (f.underline ? "underline " : "") +
               (f.strike ? "line-through" : "") + ";";
    if (f.foreground) css += "color:" + Colour(*f.foreground) + ";";
    if (f.background) css += "background-color:" + Colour(*f.background) + ";";
    return css;
}

std::string Style(const ParagraphFormat& f) {
    static const char* const kAlign[] = {"left", "center", "right", "justify"};
    std::string css = "margin:0;white-space:pre-wrap;";
    css += std::string("text-align:") + kAlign[static_cast<int>(f.alignment)] + ";";
    if (f.leftIndent != 0) css += "padding-left:" + Pixels(f.leftIndent) + ";";
    if (f.rightIndent != 0) css += "padding-right:" + Pixels(f.rightIndent) + ";";
    if (f.firstLineIndent != 0) css += "text-indent:" + Pixels(f.firstLineIndent) + ";";
    if (f.spaceBefore > 0) css += "margin-top:" + Pixels(f.spaceBefore) + ";";
    if (f.spaceAfter > 0) css += "margin-bottom:" + Pixels(f.spaceAfter) + ";";
    return css;
}

// Text as text: the markup characters escaped, a line break inside the paragraph as <br>.
void AppendText(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '"') {
            out += "&quot;";
        } else if (text.substr(i, 3) == "\u2028") {
            out += "<br>";
            i += 2;
        } else {
            out += c;
        }
    }
}

}  // namespace

std::string ToHtml(const Document& doc) {
    std::string out;
    for (std::size_t i = 0; i < doc.size(); ++i) {
        const Paragraph p = doc[i];
        out += "<p style=\"" + Style(p.format) + Style(p.mark) + "\">";
        bool empty = true;
        for (const Run& run : p.runs) {
            if (run.text.empty()) continue;
            empty = false;
            out += "<span style=\"" + Style(run.format) + "\">";
            AppendText(out, run.text);
            out += "</span>";
        }
        if (empty) out += "<br>";  // an empty paragraph keeps its line
        out += "</p>\n";
    }
    return out;
}

}  // namespace richtext
