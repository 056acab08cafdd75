// A read position in a whole .msh file held in memory: text and raw binary values, section
// markers, and error messages that point at the line (text files) or byte offset (binary files).
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace xefhost {

class MshCursor {
  public:
    MshCursor(std::string path, std::string data);

    // From here on, the values that the format stores in binary are read raw.
    void setBinary() { binary_ = true; }
    bool binary() const { return binary_; }

    // Reads the next "$Name" header and its line end; false at the end of the file.
    bool nextSection(std::string& name);
    // Expects the "$EndName" marker of the section being read.
    void endSection(std::string_view name);
    // Passes over a section whose content this reader does not use.
    void skipSection(std::string_view name);
    // Consumes the rest of a text line, which must be blank: binary data starts right after it.
    void endLine();

    // A value that the format writes in binary in binary files and as text otherwise.
    template <class T> T value(const char* what) { return binary_ ? raw<T>(what) : text<T>(what); }
    // A number written as text (an integer type or double).
    template <class T> T text(const char* what);
    // A value stored in the machine's byte order.
    template <class T> T raw(const char* what);
    // A double-quoted string on the current line.
    std::string quoted(const char* what);

    // How many of `count` items of `valuesEach` values can still be in the file, to bound
    // reservations made on counts read from a possibly corrupted file.
    size_t fitting(uint64_t count, size_t valuesEach) const;

    // Throws a MeshError located at the start of the value read last.
    [[noreturn]] void fail(const std::string& what) const { failAt(mark_, what); }
    // Throws a MeshError located at the end of the file.
    [[noreturn]] void failAtEnd(const std::string& what) const { failAt(data_.size(), what); }

  private:
    [[noreturn]] void failAt(size_t position, const std::string& what) const;
    [[noreturn]] void failValue(const char* what) const;
    [[noreturn]] void failTruncated(const char* what) const;
    void skipSpace();
    bool atMarker(std::string_view marker) const;

    std::string path_;
    std::string data_;
    size_t position_ = 0;
    size_t mark_ = 0; // start of the value read last, where errors point
    bool binary_ = false;
};

inline bool isMshSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

template <class T> T MshCursor::text(const char* what) {
    skipSpace();
    mark_ = position_;
    const char* first = data_.data() + position_;
    const char* last = data_.data() + data_.size();
    T result{};
    const auto [end, error] = std::from_chars(first, last, result);
    bool good = error == std::errc() && (end == last || isMshSpace(*end));
    if constexpr (std::is_floating_point_v<T>) {
        good = good && std::isfinite(result);
    }
    if (!good) {
        failValue(what);
    }
    position_ = static_cast<size_t>(end - data_.data());
    return result;
}

template <class T> T MshCursor::raw(const char* what) {
    mark_ = position_;
    T result;
    if (data_.size() - position_ < sizeof result) {
        failTruncated(what);
    }
    std::memcpy(&result, data_.data() + position_, sizeof result);
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(result)) {
            fail(std::string("expected ") + what + ", found a value that is not a finite number");
        }
    }
    position_ += sizeof result;
    return result;
}

} // namespace xefhost
