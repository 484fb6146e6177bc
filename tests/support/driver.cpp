#include "support/driver.h"

#include <QCoreApplication>

#include "desktop/qt_glue.h"
#include "desktop/snapshot.h"
#include "engine/state.h"
#include "scenery/strokes.h"

Driver::Driver() : form_(std::make_unique<Ttable>()) {
    PrepareForScript(*form_);
}

Driver::~Driver() = default;

void Driver::Tick(int n) {
    ApplyAction(*form_, {ScriptAction::Ticks, n});
}

void Driver::Select(int item) {
    ApplyAction(*form_, {ScriptAction::Select, item});
}

void Driver::Comments() {
    ApplyAction(*form_, {ScriptAction::Comments, 0});
}

void Driver::Set(const std::string& setting) {
    ApplyAction(*form_, {ScriptAction::Set, 0, setting});
}

QImage Driver::Client() {
    return form_->ClientPicture();
}

QImage Driver::Drawing() {
    return Q(::Drawing(state()));
}

QImage Driver::Canvas() {
    return Q(std::as_const(state().WindowCanvas).Image());
}

QImage Driver::Fond() {
    return Q(std::as_const(state().FOND.Picture.Bitmap).Image());
}

QImage Driver::Table() {
    return Q(std::as_const(state().TableBitmap).Image());
}

QImage Driver::Pulley(bool right) {
    return Q(std::as_const(right ? state().RightPulley : state().LeftPulley).Image());
}

QImage Q(const Picture& picture) {
    return ImageView(picture).copy();
}

QImage Writable(Picture& picture) {
    return QImage(reinterpret_cast<uchar*>(picture.bits()), picture.width(), picture.height(),
                  picture.width() * 4, QImage::Format_RGB32);
}

int Differences(const QImage& a, const QImage& b, const QRect& area) {
    if (a.size() != b.size()) return -1;
    const QRect r = area.isNull() ? a.rect() : area & a.rect();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += At(a, x, y) != At(b, x, y);
    return n;
}

QRect Bounds(const QImage& image, const QRect& area, TColor colour) {
    QRect found;
    const QRect r = area & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (At(image, x, y) == colour) found |= QRect(x, y, 1, 1);
    return found;
}

quint64 Checksum(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    quint64 h = 0xcbf29ce484222325ull ^ (quint64(rgb.width()) << 32) ^ quint64(rgb.height());
    const int width = rgb.width();  // not asked for at every pixel: a call into Qt each time
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < width; ++x)
            h = (h ^ (row[x] & 0x00FFFFFFu)) * 0x100000001b3ull;
    }
    return h;
}

namespace {

const std::pair<const char*, TColor> kColours[] = {
    {"black", clBlack},           {"white", clWhite},     {"red", clRed},
    {"green", clGreen},           {"blue", clBlue},       {"maroon", clMaroon},
    {"yellow", clYellow},         {"btnface", clBtnFace}, {"highlight", clHighlight},
    {"grey", RGB(215, 215, 215)},
};

}  // namespace

bool ColourNamed(const std::string& name, TColor& colour) {
    for (const auto& [n, c] : kColours)
        if (name == n) return colour = c, true;
    bool ok = false;
    colour = QString::fromStdString(name).toUInt(&ok, 16);
    return ok && name.size() == 6;
}

std::string ColourName(TColor colour) {
    for (const auto& [n, c] : kColours)
        if (colour == c) return n;
    return QStringLiteral("%1").arg(colour, 6, 16, QLatin1Char('0')).toStdString();
}

int MissingInk(const QImage& image, int x, int y, TColor colour, const QString& face, int size,
               const QString& text) {
    TBitmap b;
    b.SetSize(600, 80);
    TCanvas& c = *b.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    c.Font.Name = face.toStdString();
    c.Font.Size = size;
    c.Font.Color = clBlack;
    c.TextOut(0, 0, text.toStdString());
    const QImage drawn = Q(std::as_const(b).Image());
    int ink = 0, missing = 0;
    for (int j = 0; j < b.Height(); ++j)
        for (int i = 0; i < b.Width(); ++i)
            if (At(drawn, i, j) == clBlack) {
                ++ink;
                if (At(image, x + i, y + j) != colour) ++missing;
            }
    return ink == 0 ? -1 : missing;  // a text without ink proves nothing
}

std::string DataPath(const std::string& name) {
    return std::string(TT_TESTS_DIR) + "/data/" + name;
}
