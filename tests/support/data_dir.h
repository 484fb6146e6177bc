// The repository's data directory (the shipped commentary documents).
#pragma once

#include <filesystem>

inline std::filesystem::path DataDir() {
    return TT_TEST_DATA_DIR;
}
