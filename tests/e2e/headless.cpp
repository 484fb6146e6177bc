#include "e2e/headless.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace e2e {

HeadlessRun RunHeadless(const std::vector<std::string>& actions, const std::string& scratchDir,
                        const std::string& workDir, milliseconds timeout) {
    static std::atomic<int> serial{0};
    const std::string tag = std::to_string(::getpid()) + "-" + std::to_string(++serial);
    const std::string png = scratchDir + "/snapshot-" + tag + ".png";
    const std::string err = scratchDir + "/snapshot-" + tag + ".stderr";
    const std::string runtime = scratchDir + "/runtime-headless";
    ::mkdir(runtime.c_str(), 0700);
    ProcessOptions o;
    // TT_E2E_PROGRAM: another build of the program, as for the real window.
    const char* program = std::getenv("TT_E2E_PROGRAM");
    o.argv = {program != nullptr && *program != '\0' ? program : TT_PROGRAM, "--snapshot", png};
    o.argv.insert(o.argv.end(), actions.begin(), actions.end());
    o.setEnv = {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime};
    o.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
    o.workDir = workDir.empty() ? scratchDir : workDir;
    o.stderrFile = err;
    HeadlessRun run;
    {
        Process p(o);
        if (const auto e = p.Wait(timeout)) {
            run.exit = *e;
        } else {
            run.timedOut = true;
            run.exit = p.Stop();
        }
    }
    run.err = ReadFile(err);
    run.picture = QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
    ::unlink(png.c_str());
    ::unlink(err.c_str());
    return run;
}

}  // namespace e2e
