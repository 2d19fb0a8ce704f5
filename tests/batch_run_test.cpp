// The built program run end to end in scratch folders: report bytes, verdicts and exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const std::string kProgram = SUDOKU_PROGRAM;
const std::string kShipped = std::string(SUDOKU_SOURCE_DIR) + "/sudoku";
const std::string kFirstGrid =
    "123456789456789123789123456214365897365897214897214365531642978642978531978531642";

// The box-drawing characters of a UTF-8 text replaced by their GBK bytes.
std::string gbk(const std::string& utf8) {
    static const char* const kPairs[][2] = {{"┌", "\xA9\xB0"}, {"┬", "\xA9\xD0"}, {"┐", "\xA9\xB4"},
                                            {"├", "\xA9\xC0"}, {"┼", "\xA9\xE0"}, {"┤", "\xA9\xC8"},
                                            {"└", "\xA9\xB8"}, {"┴", "\xA9\xD8"}, {"┘", "\xA9\xBC"},
                                            {"─", "\xA9\xA4"}, {"│", "\xA9\xA6"}};
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        bool replaced = false;
        for (const auto& pair : kPairs) {
            const std::string from = pair[0];
            if (utf8.compare(i, from.size(), from) == 0) {
                out += pair[1];
                i += from.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += utf8[i++];
    }
    return out;
}

// A puzzle file's text from an 81-character line.
std::string fileText(const std::string& line) {
    std::string text;
    for (int i = 0; i < 81; ++i) {
        text += line[i] == '.' ? '0' : line[i];
        text += i % 9 == 8 ? '\n' : ' ';
    }
    return text;
}

// The drawing of an 81-character line, as the report shows it.
std::string drawing(const std::string& line) {
    std::string out = "\n ┌────┬────┬────┐\n";
    for (int r = 0; r < 9; ++r) {
        if (r == 3 || r == 6) out += " ├────┼────┼────┤\n";
        out += " │";
        for (int c = 0; c < 9; ++c) {
            if (c == 3 || c == 6) out += "  │";
            const char ch = line[r * 9 + c];
            out += ch == '0' ? std::string("  ") : std::string(" ") + ch;
        }
        out += "  │\n";
    }
    return gbk(out + " └────┴────┴────┘\n");
}

// A run folder whose sudoku/ holds shipped puzzles 0 .. count-1.
class BatchFolder {
  public:
    explicit BatchFolder(int count) {
        fs::create_directory(folder());
        for (int i = 0; i < count; ++i) fs::copy_file(kShipped + "/" + name(i), folder() + name(i));
    }
    void put(int index, const std::string& text) const { writeFile(folder() + name(index), text); }
    RunResult run() const { return runIn(dir_.path(), quoted(kProgram)); }

  private:
    static std::string name(int index) {
        char text[16];
        std::snprintf(text, sizeof text, "%04d.txt", index);
        return text;
    }
    std::string folder() const { return dir_.path() + "/sudoku/"; }
    ScratchDir dir_;
};

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The run's last separator, then the total in seconds with six decimals.
bool endsWithTotalLine(const std::string& out) {
    const std::string head =
        "Correct!!!\n  ==============================\n Congretulations! ToTal Time:";
    const std::size_t at = out.rfind(head);
    if (at == std::string::npos) return false;
    const std::string figure = out.substr(at + head.size());
    const std::size_t dot = figure.find('.');
    if (dot == 0 || dot == std::string::npos || figure.size() != dot + 9) return false;
    for (std::size_t i = 0; i < figure.size() - 2; ++i) {
        if (i != dot && (figure[i] < '0' || figure[i] > '9')) return false;
    }
    return figure.ends_with("s\n");
}

TEST(BatchRun, ShippedSetPassesWithTheTotalLine) {
    const RunResult r = BatchFolder(1000).run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(countOf(r.out, "            Correct!!!\n  ==============================\n\n"), 999u);
    EXPECT_TRUE(r.out.starts_with("\n\n             *   0  *\n"));
    EXPECT_NE(r.out.find("\n\n             * 999  *\n"), std::string::npos);
    EXPECT_TRUE(endsWithTotalLine(r.out)) << r.out.substr(r.out.size() - 100);
}

TEST(BatchRun, FirstPuzzleReportByteForByte) {
    const BatchFolder batch(1000);
    batch.put(0,
              "1 0 0 0 5 0 0 0 9\n0 5 0 7 0 0 0 2 0\n0 0 9 0 0 0 4 0 0\n"
              "0 1 0 3 0 5 0 0 0\n3 0 0 0 9 0 0 0 4\n0 0 0 2 0 4 0 6 0\n"
              "0 0 1 0 0 0 9 0 0\n0 4 0 0 0 8 0 3 0\n9 0 0 0 3 0 0 0 2\n");
    const std::string expected = gbk(R"(

             *   0  *
 ┌────┬────┬────┐
 │ 1      │   5    │     9  │
 │   5    │ 7      │   2    │
 │     9  │        │ 4      │
 ├────┼────┼────┤
 │   1    │ 3   5  │        │
 │ 3      │   9    │     4  │
 │        │ 2   4  │   6    │
 ├────┼────┼────┤
 │     1  │        │ 9      │
 │   4    │     8  │   3    │
 │ 9      │   3    │     2  │
 └────┴────┴────┘

 ┌────┬────┬────┐
 │ 1 2 3  │ 4 5 6  │ 7 8 9  │
 │ 4 5 6  │ 7 8 9  │ 1 2 3  │
 │ 7 8 9  │ 1 2 3  │ 4 5 6  │
 ├────┼────┼────┤
 │ 2 1 4  │ 3 6 5  │ 8 9 7  │
 │ 3 6 5  │ 8 9 7  │ 2 1 4  │
 │ 8 9 7  │ 2 1 4  │ 3 6 5  │
 ├────┼────┼────┤
 │ 5 3 1  │ 6 4 2  │ 9 7 8  │
 │ 6 4 2  │ 9 7 8  │ 5 3 1  │
 │ 9 7 8  │ 5 3 1  │ 6 4 2  │
 └────┴────┴────┘
            Correct!!!
  ==============================

             *   1  *
)");
    const RunResult r = batch.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, expected.size()), expected);
}

// Each case is puzzle 0 of a run that must stop after it, with a solver that leaves the puzzle as
// it was: the banner, the puzzle drawn twice, "Something goes wrong..." and status -1.
struct Failing {
    const char* what;
    std::string file;
    std::string drawn;
};

TEST(BatchRun, FailureAtPuzzleZeroStopsTheRun) {
    std::string repeated = kFirstGrid;  // full, so returned as is; rows 0 and 1 repeat in columns
    std::swap(repeated[0], repeated[9]);
    std::string odd = fileText(kFirstGrid);  // 44 repeats nothing, so only the solver objects
    odd.replace(odd.size() - 2, 1, "44");
    std::string lateDeadEnd(81, '0');  // bottom-right cell sees 1..8 in its row and 9 above
    for (int c = 0; c < 8; ++c) lateDeadEnd[72 + c] = char('1' + c);
    lateDeadEnd[9 * 5 + 8] = '9';
    std::string drawnOdd = drawing(kFirstGrid);
    drawnOdd.replace(drawnOdd.rfind(" 2"), 2, " 44");
    // Every width " %d" can take: one to three digits, with and without a sign.
    const std::string wide = "-1 10 -128 " + fileText(kFirstGrid).substr(6);
    std::string drawnWide = drawing(kFirstGrid);
    drawnWide.replace(drawnWide.find(" 1 2 3"), 6, " -1 10 -128");

    for (const Failing& f :
         {Failing{"repeated givens", fileText(repeated), drawing(repeated)},
          Failing{"cell of 44", odd, drawnOdd}, Failing{"wide values", wide, drawnWide},
          Failing{"no completion", fileText(lateDeadEnd), drawing(lateDeadEnd)}}) {
        const BatchFolder batch(0);
        batch.put(0, f.file);
        const RunResult r = batch.run();
        EXPECT_EQ(r.status, 255) << f.what;
        EXPECT_EQ(r.err, "") << f.what;
        EXPECT_EQ(r.out,
                  "\n\n             *   0  *" + f.drawn + f.drawn + "Something goes wrong...\n")
            << f.what;
    }
}

TEST(BatchRun, MissingFileEndsWithStatusOneAndNoTotal) {
    const RunResult r = BatchFolder(17).run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "fail to open the file\n");
    EXPECT_EQ(countOf(r.out, "Correct!!!"), 17u);
    EXPECT_TRUE(r.out.ends_with("Correct!!!\n  =============================="));
}

TEST(BatchRun, ShortFileKeepsThePreviousPuzzlesCells) {
    const BatchFolder batch(1000);
    batch.put(1, "");
    const RunResult r = batch.run();
    EXPECT_EQ(r.status, 0);
    std::string first;
    for (const char ch : readFile(kShipped + "/0000.txt")) {
        if (ch >= '0' && ch <= '9') first += ch;
    }
    ASSERT_EQ(first.size(), 81u);
    EXPECT_NE(r.out.find("*   1  *" + drawing(first)), std::string::npos);
}

}  // namespace
