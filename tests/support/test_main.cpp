// Test entry point: a headless application with the program's own look.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>

#include "desktop/look.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A private runtime directory, so that Qt has nothing to warn about.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir = "/tmp/table-tracante-tests-" + QByteArray::number(getuid());
        ::mkdir(dir.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ConfigureApplicationLook(app);
    return RUN_ALL_TESTS();
}
