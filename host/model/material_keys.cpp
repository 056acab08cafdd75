#include "material_keys.h"

#include "name_escapes.h"

#include <algorithm>
#include <cctype>

namespace xefhost {

void splitDataName(const std::string& hostText, std::string& symbol, std::string& explanation) {
    const size_t dash = hostText.find(" -");
    if (dash == std::string::npos) {
        symbol = readableName(hostText);
        explanation.clear();
        return;
    }
    symbol = readableName(hostText.substr(0, dash));
    explanation = hostText.substr(dash + 2);
}

std::string dataKey(const std::string& hostText) {
    std::string symbol, explanation;
    splitDataName(asciiName(hostText), symbol, explanation);
    std::transform(symbol.begin(), symbol.end(), symbol.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return symbol;
}

} // namespace xefhost
