// Conversion of the document model into Qt's rich text.
#include <QColor>
#include <QFont>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "desktop/qt_glue.h"
#include "richtext/rtf.h"

using namespace richtext;

namespace {

// Word processors measure in twips; the panels lay text out at 96 pixels per inch.
qreal TwipsToPixels(int twips) {
    return twips / 15.0;
}

// The Windows faces the documents name, as the metric-compatible fonts installed here.
QString MapFamily(const std::string& name) {
    const QString family = QString::fromStdString(name);
    struct Mapping {
        const char* windows;
        const char* local;
    };
    static constexpr Mapping kMappings[] = {
        {"Arial", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
        {"Symbol", "Standard Symbols PS"},
    };
    for (const Mapping& m : kMappings) {
        if (family.compare(QLatin1String(m.windows), Qt::CaseInsensitive) == 0) {
            return QString::fromLatin1(m.local);
        }
    }
    return family;
}

QTextCharFormat ToCharFormat(const CharFormat& f) {
    QTextCharFormat out;
    if (!f.font.empty()) out.setFontFamilies({MapFamily(f.font)});
    if (f.halfPoints > 0) out.setFontPointSize(f.halfPoints / 2.0);
    out.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    out.setFontItalic(f.italic);
    out.setFontUnderline(f.underline);
    out.setFontStrikeOut(f.strike);
    if (f.foreground) {
        out.setForeground(QColor(f.foreground->red, f.foreground->green, f.foreground->blue));
    }
    if (f.background) {
        out.setBackground(QColor(f.background->red, f.background->green, f.background->blue));
    }
    return out;
}

QTextBlockFormat ToBlockFormat(const ParagraphFormat& f) {
    QTextBlockFormat out;
    switch (f.alignment) {
        case Alignment::Left:
            out.setAlignment(Qt::AlignLeft);
            break;
        case Alignment::Center:
            out.setAlignment(Qt::AlignHCenter);
            break;
        case Alignment::Right:
            out.setAlignment(Qt::AlignRight);
            break;
        case Alignment::Justify:
            out.setAlignment(Qt::AlignJustify);
            break;
    }
    out.setLeftMargin(TwipsToPixels(f.leftIndent));
    out.setRightMargin(TwipsToPixels(f.rightIndent));
    out.setTextIndent(TwipsToPixels(f.firstLineIndent));
    out.setTopMargin(TwipsToPixels(f.spaceBefore));
    out.setBottomMargin(TwipsToPixels(f.spaceAfter));
    return out;
}

}  // namespace

void RenderInto(const richtext::Document& doc, QTextDocument& out) {
    // A load is not an edit: it must not be undoable back to the previous page.
    const bool undo = out.isUndoRedoEnabled();
    out.setUndoRedoEnabled(false);
    out.clear();
    QTextCursor cursor(&out);
    cursor.beginEditBlock();
    bool first = true;
    for (std::size_t i = 0; i < doc.size(); ++i) {
        const Paragraph paragraph = doc[i];
        const QTextBlockFormat block = ToBlockFormat(paragraph.format);
        const QTextCharFormat mark = ToCharFormat(paragraph.mark);
        if (first) {
            cursor.setBlockFormat(block);
            cursor.setBlockCharFormat(mark);
            first = false;
        } else {
            cursor.insertBlock(block, mark);
        }
        for (const Run& run : paragraph.runs) {
            cursor.insertText(QString::fromUtf8(run.text.data(), qsizetype(run.text.size())),
                              ToCharFormat(run.format));
        }
    }
    cursor.endEditBlock();
    out.setUndoRedoEnabled(undo);
    out.setModified(false);
}
