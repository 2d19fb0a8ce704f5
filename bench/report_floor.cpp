// The floor under the batch run's wall time: reads the 1000 puzzle files as raw bytes and writes
// a report saved from an earlier run, in one call. No solving, no parsing, no drawing.
//   sudoku-report-floor REPORT   (run where the batch run would run, beside sudoku/)
#include <cstdio>
#include <vector>

#include "platform.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: sudoku-report-floor REPORT\n", stderr);
        return 2;
    }
    std::FILE* saved = std::fopen(argv[1], "rb");
    if (saved == nullptr) {
        std::fputs("cannot read the saved report\n", stderr);
        return 1;
    }
    std::vector<char> report;
    char chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, saved)) > 0;) {
        report.insert(report.end(), chunk, chunk + n);
    }
    std::fclose(saved);
    char path[50];
    std::size_t total = 0;
    for (int i = 0; i < 1000; ++i) {
        std::snprintf(path, sizeof path, kPathFormat, i);
        std::FILE* file = std::fopen(path, "r");
        if (file == nullptr) {
            std::fputs("fail to open the file\n", stderr);
            return 1;
        }
        total += std::fread(chunk, 1, sizeof chunk, file);
        std::fclose(file);
    }
    std::fwrite(report.data(), 1, report.size(), stdout);
    return total > 0 ? 0 : 1;
}
