// Fuzzes the whole batch run: a folder whose first files are fuzzed (the rest are the shipped
// puzzles, one index possibly missing) is run by the built program, which must end with status
// 0, 1 or 255 and write nothing to standard error but the missing-file message.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kBatch = 1000;

std::string name(int index) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d.txt", index);
    return text;
}

const fs::path& scratch() {
    static const fs::path dir = [] {
        char pattern[] = "/tmp/sudoku-fuzz-batch-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        fs::create_directory(fs::path(pattern) / "sudoku");
        return fs::path(pattern);
    }();
    return dir;
}

fs::path entry(int index) {
    return scratch() / "sudoku" / name(index);
}

// Entries are removed before they change, so a link to a shipped puzzle is never written through.
void removeEntry(int index) {
    std::error_code ignored;
    fs::remove(entry(index), ignored);
}

void linkEntry(int index) {
    removeEntry(index);
    fs::create_symlink(fs::path(SUDOKU_SHIPPED) / name(index), entry(index));
}

void writeEntry(int index, const std::string& text) {
    removeEntry(index);
    std::ofstream(entry(index), std::ios::binary) << text;
}

int runProgram(std::string& err) {
    const fs::path errPath = scratch() / "stderr";
    const pid_t pid = fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        if (chdir(scratch().c_str()) != 0) _exit(120);
        const int out = open("/dev/null", O_WRONLY);
        const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || errFd < 0 || in < 0) _exit(121);
        dup2(in, 0);
        dup2(out, 1);
        dup2(errFd, 2);
        // A sanitizer report must not pass for the program's own status 1.
        setenv("ASAN_OPTIONS", "exitcode=86:detect_leaks=0", 1);
        setenv("UBSAN_OPTIONS", "halt_on_error=1:abort_on_error=1", 1);
        execl(SUDOKU_PROGRAM, SUDOKU_PROGRAM, static_cast<char*>(nullptr));
        _exit(122);
    }
    int raw = 0;
    pid_t waited;
    do {
        waited = waitpid(pid, &raw, 0);  // the fuzzer's timers interrupt the wait
    } while (waited < 0 && errno == EINTR);
    if (waited != pid) std::abort();
    std::ifstream in(errPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    err = text.str();
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
}

}  // namespace

// Input: byte 0 picks how many leading files are fuzzed (0 to 7), byte 1 an index to leave out
// (below 16) or none; the rest is cut into that many files of equal length.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return -1;
    static const bool linked = [] {
        for (int i = 0; i < kBatch; ++i) linkEntry(i);
        return true;
    }();
    (void)linked;
    const int fuzzed = data[0] % 8;
    const int missing = data[1] < 16 ? data[1] : -1;
    const std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::size_t share = fuzzed == 0 ? 0 : rest.size() / static_cast<std::size_t>(fuzzed);
    for (int i = 0; i < 16; ++i) {
        if (i == missing) {
            removeEntry(i);
        } else if (i < fuzzed) {
            writeEntry(i, rest.substr(static_cast<std::size_t>(i) * share, share));
        } else {
            linkEntry(i);
        }
    }
    std::string err;
    const int status = runProgram(err);
    const bool statusOk = status == 0 || status == 1 || status == 255;
    const bool errOk = status == 1 ? err == "fail to open the file\n" : err.empty();
    if (!statusOk || !errOk) {
        std::fprintf(stderr, "batch run ended with status %d and standard error:\n%s\n", status,
                     err.c_str());
        std::abort();
    }
    return 0;
}
