// Entry point: the window of the animation, or a headless snapshot of it.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <csignal>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "desktop/command_line.h"
#include "desktop/look.h"
#include "desktop/main_window.h"
#include "desktop/snapshot.h"
#include "desktop/table.h"
#include "engine/session.h"

namespace {

// Qt wants a private runtime directory and complains on stderr without one (a bare console, a
// CI job): give it one of ours.
void EnsureRuntimeDirectory() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    const QByteArray dir = "/tmp/table-tracante-runtime-" + QByteArray::number(getuid());
    if (::mkdir(dir.constData(), 0700) == 0 || errno == EEXIST) {
        struct stat info {};
        if (::stat(dir.constData(), &info) == 0 && info.st_uid == getuid() &&
            (info.st_mode & 0777) == 0700) {
            qputenv("XDG_RUNTIME_DIR", dir);
        }
    }
}

bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before any file is opened: a closed standard output or error must not become the number of
    // a file the program writes (its messages would land in it, or it in a picture).
    if (!ReopenStandardDescriptors()) return kExitFailure;
    RemoveTemporariesOnSignals();
    // A reader that goes away, or a file-size limit, is a write error to report, not a signal
    // that kills the program without a word.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto cl = ParseCommandLine(args, error);
    if (!cl) {
        std::fprintf(stderr, "table-tracante: %s\n", error.c_str());
        return kExitUsage;
    }
    if (cl->help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    const bool scripted = cl->Scripted();
    // Refuse an unwritable picture before any work, and before Qt starts talking.
    ScriptOutputs outputs;
    if (std::string problem; const int status = OpenScriptOutputs(*cl, outputs, problem)) {
        std::fprintf(stderr, "table-tracante: %s\n", problem.c_str());
        return status;
    }
    if (scripted && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (!scripted && !HasDisplay()) {
        std::fputs(
            "table-tracante: aucun affichage graphique (ni DISPLAY ni WAYLAND_DISPLAY).\n"
            "La fenêtre a besoin d'un affichage. Pour obtenir une image sans affichage :\n"
            "  table-tracante --snapshot image.png --ticks 2\n",
            stderr);
        return kExitFailure;
    }

    EnsureRuntimeDirectory();

    // Qt sees only the program name: the options above are ours.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    std::unique_ptr<QApplication> app;
    try {
        app = std::make_unique<QApplication>(qtArgc, qtArgv);
        ConfigureApplicationLook(*app);
        if (scripted) {
            Ttable form;
            return RunSnapshot(form, *cl, outputs);
        }
        MainWindow window;
        if (!window.isFullScreen()) window.showMaximized();
        window.show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        const QString message = QString::fromLocal8Bit(e.what());
        std::fprintf(stderr, "table-tracante: %s\n", e.what());
        if (app && !scripted) {
            QMessageBox::critical(nullptr, QStringLiteral("Table traçante"), message);
        }
        return kExitFailure;
    }
}
