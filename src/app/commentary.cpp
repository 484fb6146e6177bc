#include "app/commentary.h"

#include <QMessageBox>
#include <QPointer>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "app/documents.h"
#include "app/table.h"
#include "engine/globals.h"
#include "richtext/rtf.h"

namespace {

// Tells the user that a document could not be shown. The message appears once the current
// handler has finished, in a box that does not stop the animation; an open box is reused.
void ReportDocumentProblem(Ttable& form, const QString& message) {
    if (form.QuietErrors()) {
        std::fprintf(stderr, "table-tracante: %s\n", message.toLocal8Bit().constData());
        return;
    }
    QPointer<Ttable> window(&form);
    QTimer::singleShot(0, &form, [window, message] {
        if (window.isNull()) return;
        auto* box = window->findChild<QMessageBox*>(QStringLiteral("documentProblem"));
        if (box == nullptr) {
            box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Table traçante"), message,
                                  QMessageBox::Ok, window);
            box->setObjectName(QStringLiteral("documentProblem"));
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setWindowModality(Qt::NonModal);
        } else {
            box->setText(message);
        }
        box->show();
        box->raise();
    });
}

// The longest stretch of a paragraph that offers no line-break opportunity by Unicode's rules, as
// Qt finds them. Qt lays such a stretch out in a time that grows with the square of its length;
// the reader bounds words by simpler rules, which may find a break where these do not (a space
// before "!").
qsizetype LongestUnbreakable(const richtext::Document& page) {
    qsizetype longest = 0;
    for (std::size_t i = 0; i < page.size(); ++i) {
        const std::string text = richtext::PlainText(page[i]);
        if (static_cast<qsizetype>(text.size()) <= longest) continue;  // UTF-8: bytes >= chars
        const QString paragraph = QString::fromStdString(text);
        QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, paragraph);
        qsizetype from = 0;
        for (qsizetype at = breaks.toNextBoundary(); at >= 0; at = breaks.toNextBoundary()) {
            qsizetype end = at;  // the spaces the line may end with are not part of the stretch
            while (end > from && paragraph[end - 1].isSpace())
                --end;
            longest = std::max(longest, end - from);
            from = at;
        }
        longest = std::max(longest, paragraph.size() - from);
    }
    return longest;
}

}  // namespace

void LoadCommentary(Ttable& form, TRichEdit* panel, const QString& fileName) {
    const DocumentFile doc = ReadDocumentFile(fileName);
    if (!doc.ok()) {
        // The panel keeps what it showed before.
        ReportDocumentProblem(form,
                              QStringLiteral("Impossible d'afficher le commentaire « %1 » : %2.")
                                  .arg(fileName, doc.error));
        return;
    }
    const richtext::Document page =
        richtext::ReadDocument(std::string_view(doc.bytes.constData(), doc.bytes.size()));
    // A page beyond the bounds of its layout, whatever lays it out, then one beyond Qt's own.
    if (!page.refusal.empty()) {
        ReportDocumentProblem(form,
                              QStringLiteral("Impossible d'afficher le commentaire « %1 » : %2.")
                                  .arg(fileName, QString::fromStdString(page.refusal)));
        return;
    }
    const auto limit = static_cast<qsizetype>(richtext::kMaxWordLength);
    if (const qsizetype run = LongestUnbreakable(page); run > limit) {
        ReportDocumentProblem(
            form, QStringLiteral("Impossible d'afficher le commentaire « %1 » : il contient %2 "
                                 "caractères à la suite sans coupure possible (limite : %3).")
                      .arg(fileName)
                      .arg(run)
                      .arg(limit));
        return;
    }
    richtext::RenderInto(page, *panel->document());
    panel->moveCursor(QTextCursor::Start);  // show the top of the page
    if (!page.damage.empty()) {
        ReportDocumentProblem(
            form, QStringLiteral("Le commentaire « %1 » est abîmé : %2. Il est affiché tel qu'il "
                                 "a pu être lu.")
                      .arg(fileName, QString::fromStdString(page.damage)));
    }
}

void CreateCommentButton(Ttable& form, TButton*& button, std::int32_t& created,
                         const QString& caption, void (Ttable::*handler)(QObject*)) {
    button = new TButton(&form);
    button->setParent(&form);
    button->setGeometry(60, 380, 180, 30);
    button->setText(caption);
    QFont font = form.font();
    font.setPixelSize(PointsToPixels(10));
    button->setFont(font);
    TButton* self = button;
    QObject::connect(button, &QPushButton::clicked, &form,
                     [&form, handler, self] { (form.*handler)(self); });
    created = 1;
    button->show();
}

void Ttable::B1Click(QObject* /*Sender*/) {
    RichEdit2->setVisible(true);
    LoadCommentary(*this, RichEdit2, QStringLiteral("komm2.rtf"));
}

void Ttable::B2Click(QObject* /*Sender*/) {
    RichEdit2->setVisible(true);
    LoadCommentary(*this, RichEdit2, QStringLiteral("komm3.rtf"));
}

void Ttable::B3Click(QObject* /*Sender*/) {
    RichEdit2->setVisible(true);
    LoadCommentary(*this, RichEdit2, QStringLiteral("komm4.rtf"));
}

void Ttable::B4Click(QObject* /*Sender*/) {
    RichEdit2->setVisible(true);
    LoadCommentary(*this, RichEdit2, QStringLiteral("komm5.rtf"));
}
