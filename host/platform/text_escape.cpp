#include "xml_text.h"

namespace xefhost {

std::string xmlEscape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&apos;";
            break;
        default:
            // XML 1.0 forbids the other control characters even as references.
            const bool forbidden =
                static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
            escaped += forbidden ? ' ' : c;
        }
    }
    return escaped;
}

} // namespace xefhost
