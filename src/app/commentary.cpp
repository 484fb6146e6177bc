#include "app/commentary.h"

#include <QFile>

#include "app/table.h"
#include "engine/globals.h"

void LoadCommentary(Ttable& /*form*/, TRichEdit* panel, const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return;
    panel->setPlainText(QString::fromUtf8(file.readAll()));
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
