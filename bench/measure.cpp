// Runs a command several times and reports its median wall time and its peak resident memory:
//
//   tt_measure RUNS COMMAND [ARG]...
//
// prints "median_s=<seconds> min_s=<seconds> max_s=<seconds> peak_kb=<kilobytes>" on stdout.
// The peak is the largest resident set of any run (the kernel's high-water mark, from wait4).
// Exits with 1 if a run fails, 2 on a usage error.
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s RUNS COMMAND [ARG]...\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    if (runs < 1 || runs > 1000) {
        std::fprintf(stderr, "%s: RUNS must be between 1 and 1000\n", argv[0]);
        return 2;
    }
    std::vector<double> seconds;
    long peakKb = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child < 0) {
            std::perror("fork");
            return 1;
        }
        if (child == 0) {
            execvp(argv[2], argv + 2);
            std::perror(argv[2]);
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        if (wait4(child, &status, 0, &usage) != child) {
            std::perror("wait4");
            return 1;
        }
        const auto end = std::chrono::steady_clock::now();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "%s: run %d of %s failed (status %d)\n", argv[0], i + 1, argv[2],
                         status);
            return 1;
        }
        seconds.push_back(std::chrono::duration<double>(end - start).count());
        peakKb = std::max(peakKb, usage.ru_maxrss);
    }
    std::sort(seconds.begin(), seconds.end());
    const std::size_t n = seconds.size();
    const double median = n % 2 == 1 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
    std::printf("median_s=%.4f min_s=%.4f max_s=%.4f peak_kb=%ld\n", median, seconds.front(),
                seconds.back(), peakKb);
    return 0;
}
