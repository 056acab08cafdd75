// The viridis colour scale and its discrete levels, for pictures.
#include "colour_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace xefhost {

const std::array<Rgb, 11> viridisKeys = {{{0x44, 0x01, 0x54},
                                          {0x48, 0x24, 0x75},
                                          {0x41, 0x44, 0x87},
                                          {0x35, 0x5f, 0x8d},
                                          {0x2a, 0x78, 0x8e},
                                          {0x21, 0x91, 0x8c},
                                          {0x22, 0xa8, 0x84},
                                          {0x44, 0xbf, 0x70},
                                          {0x7a, 0xd1, 0x51},
                                          {0xbd, 0xdf, 0x26},
                                          {0xfd, 0xe7, 0x25}}};

Rgb viridis(double t) {
    const double position = std::clamp(t, 0.0, 1.0) * (viridisKeys.size() - 1);
    const auto below = std::min(static_cast<size_t>(position), viridisKeys.size() - 2);
    const double f = position - static_cast<double>(below);
    const Rgb a = viridisKeys[below], b = viridisKeys[below + 1];
    const auto mix = [f](unsigned char x, unsigned char y) {
        return static_cast<unsigned char>(std::lround(x + f * (y - x)));
    };
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

int colourLevel(double value, double low, double high) {
    if (!(high > low)) {
        return 0;
    }
    const double t = std::clamp((value - low) / (high - low), 0.0, 1.0);
    return static_cast<int>(std::lround(t * (colourLevels - 1)));
}

std::string hexColour(Rgb colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.r, colour.g, colour.b);
    return text;
}

} // namespace xefhost
