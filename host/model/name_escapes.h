// Host text escapes: "$[Sigma]$xx" stands for a Greek letter inside a name.
#pragma once

#include <string>

namespace xefhost {

// Replaces every "$[Name]$" escape by the Greek letter (UTF-8) it names; unknown names stay as
// written.
std::string readableName(const std::string& hostText);

// Replaces every escape by its plain name ("$[Sigma]$xx" becomes "Sigmaxx"), for file formats
// whose field names should stay ASCII.
std::string asciiName(const std::string& hostText);

} // namespace xefhost
