// The batch run's platform choices, made once at build time: the puzzle path format and the clock.
#pragma once

#ifdef _WIN32
#include <ctime>

// The Windows runtime's clock() counts 1000 ticks a second of processor time.
inline constexpr char kPathFormat[] = "sudoku\\%04d.txt";
inline constexpr double kTicksPerSecond = 1000.0;
static_assert(CLOCKS_PER_SEC == 1000, "the tick divisor assumes a millisecond clock");
inline double readClock() {
    return static_cast<double>(std::clock());
}
#else
#include <chrono>

// A monotonic nanosecond clock: cheap to read and fine enough for microsecond solves.
inline constexpr char kPathFormat[] = "sudoku/%04d.txt";
inline constexpr double kTicksPerSecond = 1e9;
inline double readClock() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}
#endif
