// The one JSON and the one XML escaper that every writer and the check report share.
#include "text_escape.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    std::string text, json, xml;
};

TEST(TextEscape, EscapesWhatEachFormatReservesAndKeepsTheRest) {
    const Case cases[] = {
        {"Sigmaxx", "\"Sigmaxx\"", "Sigmaxx"},
        {"a \"b\" \\ c", "\"a \\\"b\\\" \\\\ c\"", "a &quot;b&quot; \\ c"},
        {"<&>'", "\"<&>'\"", "&lt;&amp;&gt;&apos;"},
        {"tab\tline\nreturn\r", "\"tab\\tline\\nreturn\\r\"", "tab\tline\nreturn\r"},
        {std::string("bell\x07") + '\x1f', "\"bell\\u0007\\u001f\"", "bell  "},
        {"\xcf\x83 UTF-8", "\"\xcf\x83 UTF-8\"", "\xcf\x83 UTF-8"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(xefhost::jsonQuoted(c.text), c.json) << c.text;
        EXPECT_EQ(xefhost::xmlEscape(c.text), c.xml) << c.text;
    }
}

} // namespace
