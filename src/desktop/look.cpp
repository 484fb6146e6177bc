#include "desktop/look.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

#include "canvas/canvas.h"
#include "desktop/qt_glue.h"

void ConfigureApplicationLook(QApplication& app) {
    // Names under which the settings are kept, and the version the « À propos » box gives.
    QCoreApplication::setOrganizationName(QStringLiteral("table-tracante"));
    QCoreApplication::setApplicationName(QStringLiteral("table-tracante"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TT_VERSION));
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
    QPalette pal;
    pal.setColor(QPalette::Window, ToQColor(clBtnFace));
    pal.setColor(QPalette::Button, ToQColor(clBtnFace));
    pal.setColor(QPalette::WindowText, ToQColor(clWindowText));
    pal.setColor(QPalette::ButtonText, ToQColor(clWindowText));
    pal.setColor(QPalette::Text, ToQColor(clWindowText));
    pal.setColor(QPalette::Base, ToQColor(clWindow));
    pal.setColor(QPalette::AlternateBase, ToQColor(clWindow));
    pal.setColor(QPalette::Highlight, ToQColor(clHighlight));
    pal.setColor(QPalette::HighlightedText, ToQColor(clWhite));
    pal.setColor(QPalette::Light, QColor(255, 255, 255));
    pal.setColor(QPalette::Midlight, QColor(223, 223, 223));
    pal.setColor(QPalette::Mid, QColor(160, 160, 160));
    pal.setColor(QPalette::Dark, QColor(128, 128, 128));
    pal.setColor(QPalette::Shadow, QColor(0, 0, 0));
    pal.setColor(QPalette::ToolTipBase, ToQColor(clYellow));
    pal.setColor(QPalette::ToolTipText, ToQColor(clBlack));
    app.setPalette(pal);
    app.setFont(MakeFont(QStringLiteral("MS Sans Serif"), PointsToPixels(8), false));
}
