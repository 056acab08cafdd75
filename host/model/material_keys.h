// Material data names as problem files spell them: an element names its data "E -Young" or
// "$[Nu]$ -Poisson", a problem file says e = ... and nu = ... .
#pragma once

#include <string>

namespace xefhost {

// Splits a material data name "E -Young" into its symbol and explanation.
void splitDataName(const std::string& hostText, std::string& symbol, std::string& explanation);

// The key a problem file uses for a material data name: the ASCII symbol in lower case
// ("$[Nu]$ -Poisson" gives "nu").
std::string dataKey(const std::string& hostText);

} // namespace xefhost
