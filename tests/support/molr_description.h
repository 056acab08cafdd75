// What MOLR's description holds, as the test that loads MOLR.so and the Windows checks of
// MOLR.W64.dll both expect it: one table, so that the two builds are held to the same values.
#pragma once

namespace molrtest {

inline const char* const kDataNames[] = {"E -Young", "$[Nu]$ -Poisson"};
inline const char* const kPointNames[] = {"Dxx",         "Dxy",         "Dyy",
                                          "$[Sigma]$xx", "$[Sigma]$xy", "$[Sigma]$yy"};
inline const char* const kNodalNames[] = {"DeformedMeshX", "DeformedMeshY", "u", "v"};
inline const int kSegments[] = {1, 2, 3, 0, 1, 2, 3, -1};
inline const double kDefaultData[] = {1.0, 0.49};
inline const double kReferenceNodes[] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

} // namespace molrtest
