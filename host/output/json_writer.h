// A small JSON emitter for the run summary, which scripts read to compare runs: doubles are
// written so that they read back to the same bits.
#pragma once

#include <charconv>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace xefhost {

// Builds indented JSON text one token at a time. Misuse (a value without a key inside an object,
// a key outside one, closing what is not open, taking the text before everything is closed)
// throws std::logic_error.
class JsonWriter {
  public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);

    // Non-finite doubles have no JSON form and are written as null.
    JsonWriter& value(double number);
    JsonWriter& value(bool flag);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    template <
        typename Integer,
        std::enable_if_t<std::is_integral_v<Integer> && !std::is_same_v<Integer, bool>, int> = 0>
    JsonWriter& value(Integer number) {
        char digits[24];
        return raw(
            {digits, static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr -
                                         digits)});
    }
    JsonWriter& null();

    template <typename T> JsonWriter& member(std::string_view name, const T& v) {
        key(name);
        return value(v);
    }

    // The finished document, ending with a newline.
    std::string text() const;

  private:
    enum class Scope { Object, Array };
    struct Level {
        Scope scope;
        bool empty;
    };

    void beforeValue();
    JsonWriter& open(Scope scope, char bracket);
    JsonWriter& close(Scope scope, char bracket);
    JsonWriter& raw(std::string_view token);
    void newLine();

    std::string text_;
    std::vector<Level> levels_;
    bool keyPending_ = false;
    bool done_ = false;
};

} // namespace xefhost
