// The colour scale of result pictures: viridis, perceptually uniform and readable in grey and by
// most colour-blind viewers.
#pragma once

#include <array>
#include <string>

namespace xefhost {

struct Rgb {
    unsigned char r, g, b;
};

// Colours a picture distinguishes; values are rounded to one of these levels.
constexpr int colourLevels = 256;

// The key colours of the scale from its low end (position 0) to its high end (1), evenly spaced;
// between them the scale is linear in sRGB, as an SVG gradient through them is.
extern const std::array<Rgb, 11> viridisKeys;

// The colour at position t in [0, 1] (clamped).
Rgb viridis(double t);

// The level (0 to colourLevels - 1) of a finite `value` on a scale from `low` to `high`; a scale
// without extent puts everything at level 0.
int colourLevel(double value, double low, double high);

// "#rrggbb".
std::string hexColour(Rgb colour);

} // namespace xefhost
