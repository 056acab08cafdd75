// Integration codes and the point counts XEFSetElSpec must give for them, shared by the test that
// loads MOLR.so and by the Windows checks of MOLR.W64.dll: both builds answer from one table.
#pragma once

namespace molrtest {

struct CountCase {
    int code;
    int total, first, second, third; // points in all and of each component rule
};

// Counting only: even a product of two three-dimensional rules is accepted without a message, and
// a code that names no rule counts no points.
inline const CountCase kPointCountCases[] = {
    {12, 1, 1, 0, 0},          {44, 0, 0, 0, 0},    {21021, 4, 2, 2, 0},
    {8008, 729, 27, 27, 0},    {2035, 12, 3, 4, 0}, {21022023, 24, 4, 3, 2},
    {1021022023, 24, 4, 3, 2}, {21000, 0, 0, 2, 0}, {999999, 0, 0, 0, 0},
};

} // namespace molrtest
