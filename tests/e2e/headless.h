// The program's scripted mode, run as a separate process: --snapshot with a list of actions.
#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "e2e/process.h"

namespace e2e {

struct HeadlessRun {
    Exit exit;
    bool timedOut = false;
    std::string err;  // what it wrote on stderr
    QImage picture;   // the snapshot (null when none was written)
};

// Runs `table-tracante --snapshot FILE ACTIONS...` offscreen in `workDir` (the scratch directory
// when empty), within `timeout`.
HeadlessRun RunHeadless(const std::vector<std::string>& actions, const std::string& scratchDir,
                        const std::string& workDir = {},
                        milliseconds timeout = milliseconds(120000));

}  // namespace e2e
