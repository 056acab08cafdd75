#include "msh_cursor.h"

#include "mesh.h"

#include <algorithm>

namespace xefhost {

MshCursor::MshCursor(std::string path, std::string data)
    : path_(std::move(path)), data_(std::move(data)) {}

void MshCursor::skipSpace() {
    while (position_ < data_.size() && isMshSpace(data_[position_])) {
        ++position_;
    }
}

bool MshCursor::atMarker(std::string_view marker) const {
    const std::string_view rest = std::string_view(data_).substr(position_);
    return rest.substr(0, marker.size()) == marker &&
           (rest.size() == marker.size() || isMshSpace(rest[marker.size()]));
}

bool MshCursor::nextSection(std::string& name) {
    skipSpace();
    if (position_ == data_.size()) {
        return false;
    }
    mark_ = position_;
    size_t end = position_;
    while (end < data_.size() && !isMshSpace(data_[end])) {
        ++end;
    }
    name.assign(data_, position_ + 1, end - position_ - 1);
    if (data_[position_] != '$' || name.empty() || name.compare(0, 3, "End") == 0) {
        failValue("a section header such as $Nodes");
    }
    position_ = end;
    endLine();
    return true;
}

void MshCursor::endSection(std::string_view name) {
    skipSpace();
    mark_ = position_;
    const std::string marker = "$End" + std::string(name);
    if (!atMarker(marker)) {
        failValue(marker.c_str());
    }
    position_ += marker.size();
}

void MshCursor::skipSection(std::string_view name) {
    // The end marker starts a line; in binary data the same bytes are too unlikely to matter.
    const std::string marker = "\n$End" + std::string(name);
    size_t found = data_.find(marker, position_ - 1);
    while (found != std::string::npos) {
        position_ = found + 1;
        if (atMarker(marker.substr(1))) {
            position_ += marker.size() - 1;
            return;
        }
        found = data_.find(marker, found + 1);
    }
    fail("section $" + std::string(name) + " has no " + marker.substr(1) + " marker");
}

void MshCursor::endLine() {
    while (position_ < data_.size() &&
           (data_[position_] == ' ' || data_[position_] == '\t' || data_[position_] == '\r')) {
        ++position_;
    }
    if (position_ < data_.size()) {
        if (data_[position_] != '\n') {
            mark_ = position_;
            failValue("the end of the line");
        }
        ++position_;
    }
}

std::string MshCursor::quoted(const char* what) {
    skipSpace();
    mark_ = position_;
    const size_t lineEnd = std::min(data_.find('\n', position_), data_.size());
    const size_t close = data_.find('"', position_ + 1);
    if (position_ == data_.size() || data_[position_] != '"' || close >= lineEnd) {
        failValue(what);
    }
    std::string result = data_.substr(position_ + 1, close - position_ - 1);
    position_ = close + 1;
    return result;
}

size_t MshCursor::fitting(uint64_t count, size_t valuesEach) const {
    // A value takes at least 4 bytes raw, or a digit and a separator as text.
    const size_t leastBytes = valuesEach * (binary_ ? 4 : 2);
    return static_cast<size_t>(std::min<uint64_t>(count, (data_.size() - position_) / leastBytes));
}

void MshCursor::failAt(size_t position, const std::string& what) const {
    std::string where;
    if (binary_) {
        where = "byte " + std::to_string(position);
    } else {
        const auto newlines = std::count(data_.begin(), data_.begin() + position, '\n');
        where = "line " + std::to_string(newlines + 1);
    }
    throw MeshError(path_ + ", " + where + ": " + what);
}

void MshCursor::failTruncated(const char* what) const {
    failAt(data_.size(), std::string("unexpected end of file, expected ") + what);
}

void MshCursor::failValue(const char* what) const {
    if (mark_ >= data_.size()) {
        failTruncated(what);
    }
    // Quote what is there, cut at the next blank and kept printable: it may be binary.
    std::string found;
    for (size_t i = mark_; i < data_.size() && found.size() < 24 && !isMshSpace(data_[i]); ++i) {
        const unsigned char c = static_cast<unsigned char>(data_[i]);
        found += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
    }
    failAt(mark_, std::string("expected ") + what + ", found \"" + found + "\"");
}

} // namespace xefhost
