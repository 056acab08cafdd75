// JSON text built value by value: doubles in the shortest round-trip form, non-finite as null.
#include "json_writer.h"

#include "text_escape.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace xefhost {

JsonWriter& JsonWriter::beginObject() {
    return open(Scope::Object, '{');
}
JsonWriter& JsonWriter::endObject() {
    return close(Scope::Object, '}');
}
JsonWriter& JsonWriter::beginArray() {
    return open(Scope::Array, '[');
}
JsonWriter& JsonWriter::endArray() {
    return close(Scope::Array, ']');
}

JsonWriter& JsonWriter::key(std::string_view name) {
    if (levels_.empty() || levels_.back().scope != Scope::Object || keyPending_) {
        throw std::logic_error("JSON key \"" + std::string(name) + "\" outside an object");
    }
    if (!levels_.back().empty) {
        text_ += ',';
    }
    levels_.back().empty = false;
    newLine();
    text_ += jsonQuoted(name) + ": ";
    keyPending_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(double number) {
    if (!std::isfinite(number)) {
        return null();
    }
    char digits[32];
    const std::string_view shortest(
        digits,
        static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits));
    // A double that prints like an integer still reads back as a floating-point number.
    if (shortest.find_first_of(".e") == std::string_view::npos) {
        return raw(std::string(shortest) + ".0");
    }
    return raw(shortest);
}

JsonWriter& JsonWriter::value(bool flag) {
    return raw(flag ? "true" : "false");
}

JsonWriter& JsonWriter::value(std::string_view text) {
    return raw(jsonQuoted(text));
}

JsonWriter& JsonWriter::null() {
    return raw("null");
}

std::string JsonWriter::text() const {
    if (!done_) {
        throw std::logic_error("JSON document is not complete");
    }
    return text_ + "\n";
}

void JsonWriter::beforeValue() {
    if (done_) {
        throw std::logic_error("JSON document already complete");
    }
    if (levels_.empty()) {
        return;
    }
    if (levels_.back().scope == Scope::Object) {
        if (!keyPending_) {
            throw std::logic_error("JSON value inside an object without a key");
        }
        keyPending_ = false;
        return;
    }
    if (!levels_.back().empty) {
        text_ += ',';
    }
    levels_.back().empty = false;
    newLine();
}

JsonWriter& JsonWriter::open(Scope scope, char bracket) {
    beforeValue();
    text_ += bracket;
    levels_.push_back({scope, true});
    return *this;
}

JsonWriter& JsonWriter::close(Scope scope, char bracket) {
    if (levels_.empty() || levels_.back().scope != scope || keyPending_) {
        throw std::logic_error(std::string("JSON '") + bracket + "' closes nothing open");
    }
    const bool empty = levels_.back().empty;
    levels_.pop_back();
    if (!empty) {
        newLine();
    }
    text_ += bracket;
    done_ = levels_.empty();
    return *this;
}

JsonWriter& JsonWriter::raw(std::string_view token) {
    beforeValue();
    text_ += token;
    done_ = levels_.empty();
    return *this;
}

void JsonWriter::newLine() {
    text_ += '\n';
    text_.append(2 * levels_.size(), ' ');
}

} // namespace xefhost
