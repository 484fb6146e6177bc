// Test entry point: a headless application with the program's own look.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/look.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ConfigureApplicationLook(app);
    return RUN_ALL_TESTS();
}
