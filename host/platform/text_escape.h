// Text placed into JSON and XML documents (result files, the check report), escaped so that any
// name, title or message is safe. Every writer of either format escapes through these two.
#pragma once

#include <string>
#include <string_view>

namespace xefhost {

// The text as a quoted JSON string: quotes, backslashes and control characters escaped.
std::string jsonQuoted(std::string_view text);

// Escapes the five characters that XML reserves, for attribute values as well as element text.
std::string xmlEscape(std::string_view text);

} // namespace xefhost
