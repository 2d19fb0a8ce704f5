// The reader: layouts it accepts, where it stops, and how odd numbers are stored.
#include "puzzle_file.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

// Reads `text` as a puzzle file into a grid whose cells all start at `fill`.
struct ReadResult {
    Grid grid;
};

ReadResult readText(const std::string& text, Cell fill = 0) {
    ScratchDir dir;
    const std::string path = dir.path() + "/puzzle.txt";
    writeFile(path, text);
    ReadResult result;
    for (auto& row : result.grid) {
        for (Cell& cell : row) cell = fill;
    }
    readFromFile(result.grid, path.c_str());
    return result;
}

std::string numbers(int from, int count, const char* separator = " ") {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i != 0) text += separator;
        text += std::to_string((from + i) % 9 + 1);
    }
    return text;
}

Cell at(const ReadResult& r, int cell) {
    return r.grid[cell / 9][cell % 9];
}

TEST(PuzzleFile, NineLinesOfNineFillRowByRow) {
    std::string text;
    for (int r = 0; r < 9; ++r) text += numbers(r * 9, 9) + "\n";
    const ReadResult r = readText(text, 7);
    for (int cell = 0; cell < kCellCount; ++cell) EXPECT_EQ(at(r, cell), cell % 9 + 1) << cell;
}

TEST(PuzzleFile, AnyWhiteSpaceSeparatesNumbersTabsAndCrLfIncluded) {
    std::string text;
    for (int r = 0; r < 9; ++r) text += numbers(r * 9, 9, "\t") + "\r\n";
    text = "\v\f " + text;
    const ReadResult r = readText(text);
    for (int cell = 0; cell < kCellCount; ++cell) EXPECT_EQ(at(r, cell), cell % 9 + 1) << cell;
}

TEST(PuzzleFile, MissingNumbersKeepEarlierCells) {
    const ReadResult empty = readText("", 5);
    for (int cell = 0; cell < kCellCount; ++cell) EXPECT_EQ(at(empty, cell), 5);

    const ReadResult short80 = readText(numbers(0, 80), 5);
    EXPECT_EQ(at(short80, 79), 80 % 9);
    EXPECT_EQ(at(short80, 80), 5);
}

TEST(PuzzleFile, NumbersAfterTheEightyFirstAreIgnored) {
    const ReadResult r = readText(numbers(0, 81) + " 4 4 4 x");
    for (int cell = 0; cell < kCellCount; ++cell) EXPECT_EQ(at(r, cell), cell % 9 + 1);
}

TEST(PuzzleFile, SignsAndLeadingZerosReadAsDecimal) {
    const ReadResult r = readText("+7 007 -0 +0 0009");
    EXPECT_EQ(at(r, 0), 7);
    EXPECT_EQ(at(r, 1), 7);
    EXPECT_EQ(at(r, 2), 0);
    EXPECT_EQ(at(r, 3), 0);
    EXPECT_EQ(at(r, 4), 9);
}

TEST(PuzzleFile, NumbersAreStoredAsTheirLowByte) {
    const ReadResult r = readText(
        "300 200 -1 -300 255 128 4294967296 4294967553 -4294967295 "
        "1000000000000000000000000000000 99999999999999999999999999999999999999999");
    EXPECT_EQ(at(r, 0), 44);
    EXPECT_EQ(at(r, 1), -56);
    EXPECT_EQ(at(r, 2), -1);
    EXPECT_EQ(at(r, 3), -44);
    EXPECT_EQ(at(r, 4), -1);
    EXPECT_EQ(at(r, 5), -128);
    EXPECT_EQ(at(r, 6), 0);    // 2^32
    EXPECT_EQ(at(r, 7), 1);    // 2^32 + 257
    EXPECT_EQ(at(r, 8), 1);    // -(2^32 - 1)
    EXPECT_EQ(at(r, 9), 0);    // 10^30 is a multiple of 256
    EXPECT_EQ(at(r, 10), -1);  // 10^41 - 1 leaves 255
}

TEST(PuzzleFile, TextThatIsNoNumberStopsTheReading) {
    const ReadResult comma = readText("3, " + numbers(1, 80), 6);
    EXPECT_EQ(at(comma, 0), 3);
    for (int cell = 1; cell < kCellCount; ++cell) EXPECT_EQ(at(comma, cell), 6) << cell;

    // A sign without digits and a digit glued to text end the reading just the same.
    const ReadResult sign = readText("1 2 + 4 5", 6);
    EXPECT_EQ(at(sign, 1), 2);
    EXPECT_EQ(at(sign, 2), 6);
    EXPECT_EQ(at(sign, 3), 6);
    const ReadResult glued = readText("1 2x 4 5", 6);
    EXPECT_EQ(at(glued, 1), 2);
    EXPECT_EQ(at(glued, 2), 6);
}

#if GTEST_HAS_DEATH_TEST
TEST(PuzzleFileDeathTest, MissingFileEndsTheProcessWithStatusOne) {
    Grid grid = {};
    EXPECT_EXIT(readFromFile(grid, "no/such/folder/0000.txt"), testing::ExitedWithCode(1),
                "^fail to open the file");
}
#endif

}  // namespace
