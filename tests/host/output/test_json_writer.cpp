// The run summary is read back by Python's json module: structure, escapes and exact doubles.
#include "atomic_file.h"
#include "json_writer.h"
#include "python_reader.h"
#include "test_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

using xefhost::JsonWriter;
using Entry = std::pair<std::string, std::string>; // type and value as Python reads them

std::string hexOf(const std::string& bytes) {
    std::string hex;
    for (const unsigned char c : bytes) {
        const char* digits = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class JsonSummary : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!molrtest::pythonHasModule("json")) {
            GTEST_SKIP() << "python3 is missing, so JSON files cannot be parsed back";
        }
    }

    // Path -> (type, value) as Python's json module reads the document.
    std::map<std::string, Entry> readBack(const std::string& text) {
        const auto file = molrtest::freshTestFolder() / "summary.json";
        xefhost::writeTextAtomically(file.string(), text);
        const auto run = molrtest::runReader("read_json.py", file.string());
        EXPECT_EQ(run.exitCode, 0) << run.output << "\n" << text;
        std::map<std::string, Entry> read;
        for (const auto& fields : molrtest::tabSeparatedLines(run.output)) {
            read[fields.at(0)] = {fields.at(1), fields.at(2)};
        }
        return read;
    }
};

TEST_F(JsonSummary, DoublesReadBackToTheSameBits) {
    const double values[] = {0.1,
                             1.0 / 3,
                             2.0,
                             -0.0,
                             1e21,
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(),
                             -std::numeric_limits<double>::min(),
                             6.02214076e23,
                             -123.456e-300};
    JsonWriter json;
    json.beginArray();
    for (const double v : values) {
        json.value(v);
    }
    json.value(std::numeric_limits<double>::quiet_NaN());
    json.value(-std::numeric_limits<double>::infinity());
    json.endArray();
    const auto read = readBack(json.text());
    const size_t count = std::size(values);
    ASSERT_EQ(read.at("").second, std::to_string(count + 2));
    for (size_t i = 0; i < count; ++i) {
        const auto& [type, text] = read.at("/" + std::to_string(i));
        EXPECT_EQ(type, "float") << values[i];
        EXPECT_TRUE(sameBits(std::strtod(text.c_str(), nullptr), values[i]))
            << values[i] << " read back as " << text;
    }
    EXPECT_EQ(read.at("/" + std::to_string(count)).first, "null") << "NaN has no JSON form";
    EXPECT_EQ(read.at("/" + std::to_string(count + 1)).first, "null");
}

TEST_F(JsonSummary, StringsAndKeysAreEscaped) {
    const std::string tricky = std::string("quote\" back\\ line\n cr\r tab\t bell\x07 nul") + '\0' +
                               " unit\x1f \u03C3xx \u00D7";
    JsonWriter json;
    json.beginObject()
        .member("text", tricky)
        .member("key \"with\" \\ and \x01 \u03C3", "plain")
        .endObject();
    const auto read = readBack(json.text());
    EXPECT_EQ(read.at("/text"), Entry("string", hexOf(tricky)));
    EXPECT_EQ(read.at("/key \"with\" \\ and \x01 \u03C3").second, hexOf("plain"));
}

TEST_F(JsonSummary, NestedStructureAndTypesSurvive) {
    JsonWriter json;
    json.beginObject()
        .member("elements", 1000000)
        .member("largest", std::numeric_limits<int64_t>::max())
        .member("unsigned", std::numeric_limits<uint64_t>::max())
        .member("negative", -5L)
        .member("converged", true)
        .member("exact", false)
        .key("nothing")
        .null()
        .key("empty object")
        .beginObject()
        .endObject()
        .key("empty array")
        .beginArray()
        .endArray()
        .key("stages")
        .beginArray()
        .beginObject()
        .member("name", "assembly")
        .member("seconds", 0.25)
        .endObject()
        .beginArray()
        .value(1)
        .value("two")
        .endArray()
        .endArray()
        .endObject();
    const auto read = readBack(json.text());
    EXPECT_EQ(read.at(""), Entry("object", "10"));
    EXPECT_EQ(read.at("/elements"), Entry("int", "1000000"));
    EXPECT_EQ(read.at("/largest"), Entry("int", "9223372036854775807"));
    EXPECT_EQ(read.at("/unsigned"), Entry("int", "18446744073709551615"));
    EXPECT_EQ(read.at("/negative"), Entry("int", "-5"));
    EXPECT_EQ(read.at("/converged"), Entry("bool", "True"));
    EXPECT_EQ(read.at("/exact"), Entry("bool", "False"));
    EXPECT_EQ(read.at("/nothing").first, "null");
    EXPECT_EQ(read.at("/empty object"), Entry("object", "0"));
    EXPECT_EQ(read.at("/empty array"), Entry("array", "0"));
    EXPECT_EQ(read.at("/stages"), Entry("array", "2"));
    EXPECT_EQ(read.at("/stages/0/name"), Entry("string", hexOf("assembly")));
    EXPECT_EQ(read.at("/stages/0/seconds"), Entry("float", "0.25"));
    EXPECT_EQ(read.at("/stages/1/0"), Entry("int", "1"));
    EXPECT_EQ(read.at("/stages/1/1"), Entry("string", hexOf("two")));
}

TEST(JsonWriter, MisuseIsRefused) {
    EXPECT_THROW(JsonWriter().key("top"), std::logic_error);
    EXPECT_THROW(JsonWriter().beginObject().value(1.0), std::logic_error);
    EXPECT_THROW(JsonWriter().beginObject().endArray(), std::logic_error);
    EXPECT_THROW(JsonWriter().beginObject().key("a").endObject(), std::logic_error);
    EXPECT_THROW(JsonWriter().beginArray().key("a"), std::logic_error);
    EXPECT_THROW(JsonWriter().beginArray().text(), std::logic_error);
    EXPECT_THROW(JsonWriter().beginArray().endArray().value(1), std::logic_error);
    EXPECT_EQ(JsonWriter().beginArray().endArray().text(), "[]\n");
}

} // namespace
