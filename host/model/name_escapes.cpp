#include "name_escapes.h"

#include <utility>

namespace xefhost {

namespace {

struct GreekLetter {
    const char* name;
    const char* small;
    const char* capital;
};

const GreekLetter kGreek[] = {
    {"Alpha", "\u03B1", "\u0391"}, {"Beta", "\u03B2", "\u0392"},    {"Gamma", "\u03B3", "\u0393"},
    {"Delta", "\u03B4", "\u0394"}, {"Epsilon", "\u03B5", "\u0395"}, {"Zeta", "\u03B6", "\u0396"},
    {"Eta", "\u03B7", "\u0397"},   {"Theta", "\u03B8", "\u0398"},   {"Iota", "\u03B9", "\u0399"},
    {"Kappa", "\u03BA", "\u039A"}, {"Lambda", "\u03BB", "\u039B"},  {"Mu", "\u03BC", "\u039C"},
    {"Nu", "\u03BD", "\u039D"},    {"Xi", "\u03BE", "\u039E"},      {"Pi", "\u03C0", "\u03A0"},
    {"Rho", "\u03C1", "\u03A1"},   {"Sigma", "\u03C3", "\u03A3"},   {"Tau", "\u03C4", "\u03A4"},
    {"Phi", "\u03C6", "\u03A6"},   {"Chi", "\u03C7", "\u03A7"},     {"Psi", "\u03C8", "\u03A8"},
    {"Omega", "\u03C9", "\u03A9"},
};

// The host language names a small letter by its capitalised name ("$[Sigma]$" is a small sigma)
// and a capital one with the prefix "Capital".
const char* greekLetter(const std::string& name) {
    const bool capital = name.rfind("Capital", 0) == 0;
    const std::string base = capital ? name.substr(7) : name;
    for (const GreekLetter& letter : kGreek) {
        if (base == letter.name) {
            return capital ? letter.capital : letter.small;
        }
    }
    return nullptr;
}

template <typename Replace> std::string replaceEscapes(const std::string& text, Replace replace) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find("$[", pos);
        const size_t close = open == std::string::npos ? open : text.find("]$", open + 2);
        if (close == std::string::npos) {
            out += text.substr(pos);
            break;
        }
        out += text.substr(pos, open - pos);
        const std::string name = text.substr(open + 2, close - open - 2);
        out += replace(name, text.substr(open, close + 2 - open));
        pos = close + 2;
    }
    return out;
}

} // namespace

std::string readableName(const std::string& hostText) {
    return replaceEscapes(hostText, [](const std::string& name, const std::string& raw) {
        const char* glyph = greekLetter(name);
        return glyph ? std::string(glyph) : raw;
    });
}

std::string asciiName(const std::string& hostText) {
    return replaceEscapes(hostText,
                          [](const std::string& name, const std::string&) { return name; });
}

} // namespace xefhost
