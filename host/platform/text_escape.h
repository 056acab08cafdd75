// Text placed into XML documents (result files), escaped so that any field name or title is safe.
#pragma once

#include <string>
#include <string_view>

namespace xefhost {

// Escapes the five characters that XML reserves, for attribute values as well as element text.
std::string xmlEscape(std::string_view text);

} // namespace xefhost
