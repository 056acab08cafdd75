/* Decoding of integration codes into their component rule codes. */
#ifndef MOLR_INTEGRATION_DECODE_H
#define MOLR_INTEGRATION_DECODE_H

/* Splits code into up to three component codes (lowest three decimal digits first) and returns how
 * many components it has. Digits above the ninth are ignored; codes of 999 or less, negative ones
 * included, are single. */
static inline int xefDecodeIntegrationCode(int code, int components[3]) {
    components[0] = code;
    components[1] = 0;
    components[2] = 0;
    if (code <= 999) {
        return 1;
    }
    components[0] = code % 1000;
    if (code <= 999999) {
        components[1] = code / 1000;
        return 2;
    }
    components[1] = (code % 1000000) / 1000;
    components[2] = (code % 1000000000) / 1000000;
    return 3;
}

/* Number of points of a single rule code: 0 for every code that names no catalogue rule. */
static inline int xefRulePointCount(int code, const int* pointCounts) {
    return (code >= 1 && code <= 43) ? pointCounts[code] : 0;
}

#endif
