// Fuzz target: any bytes must read into a well-formed document, in memory a few times their size.
//
// Only the reader is exercised: the rendering needs a QGuiApplication (fonts), which a fuzzer
// process does not have; the regression test renders every finding instead. Besides the
// sanitizers' checks, the document's own invariants are checked, so that a silently inconsistent
// result is a finding too.
#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "document_checks.h"
#include "richtext/rtf.h"

namespace {

// Live heap bytes and their peak while one input is read, from the sanitizer's allocation hooks
// (the reader promises at most ten times the input plus a fixed 256 KiB).
bool gCounting = false;
std::size_t gLive = 0;
std::size_t gPeak = 0;

void OnAllocate(const volatile void*, std::size_t size) {
    if (!gCounting) return;
    gLive += size;
    if (gLive > gPeak) gPeak = gLive;
}

void OnFree(const volatile void* p) {
    if (!gCounting || p == nullptr) return;
    const std::size_t size = __sanitizer_get_allocated_size(const_cast<const void*>(p));
    gLive = gLive > size ? gLive - size : 0;  // a block from before the count started
}

void Fail(const std::string& problem) {
    std::fprintf(stderr, "rtf_fuzz: %s\n", problem.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    __sanitizer_install_malloc_and_free_hooks(OnAllocate, OnFree);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    gLive = 0;
    gPeak = 0;
    gCounting = true;
    std::string problem;
    {
        const richtext::Document doc = richtext::ReadDocument(bytes);
        gCounting = false;
        problem = fuzzchecks::DocumentProblem(doc, size);
    }
    if (!problem.empty()) Fail(problem);
    const std::size_t allowed = 10 * size + 256 * 1024;
    if (gPeak > allowed) {
        Fail("reading " + std::to_string(size) + " bytes took a peak of " + std::to_string(gPeak) +
             " heap bytes (allowed: " + std::to_string(allowed) + ")");
    }
    return 0;
}
