#include "child_channel.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace xefhost::check {

namespace {

constexpr char kResult = 'R';
constexpr char kEnd = 'E';
constexpr char kFault = 'F';
constexpr size_t kHeader = 1 + sizeof(uint32_t);

void putBytes(std::string& out, const void* bytes, size_t size) {
    out.append(static_cast<const char*>(bytes), size);
}

void putText(std::string& out, const std::string& text) {
    const auto size = static_cast<uint32_t>(text.size());
    putBytes(out, &size, sizeof size);
    out += text;
}

void putRecord(std::string& out, char kind, const std::string& payload) {
    out += kind;
    const auto size = static_cast<uint32_t>(payload.size());
    putBytes(out, &size, sizeof size);
    out += payload;
}

// Reads fields in the order they were put; any read past the end marks the payload broken.
class Fields {
  public:
    explicit Fields(const std::string& payload) : payload_(payload) {}
    template <typename T> T value() {
        T value{};
        if (take(sizeof value)) {
            std::memcpy(&value, payload_.data() + at_ - sizeof value, sizeof value);
        }
        return value;
    }
    std::string text() {
        const auto size = value<uint32_t>();
        return take(size) ? payload_.substr(at_ - size, size) : std::string();
    }
    bool whole() const { return !broken_ && at_ == payload_.size(); }

  private:
    bool take(size_t size) {
        broken_ = broken_ || size > payload_.size() - at_;
        if (!broken_) {
            at_ += size;
        }
        return !broken_;
    }
    const std::string& payload_;
    size_t at_ = 0;
    bool broken_ = false;
};

std::string encoded(const CheckResult& result) {
    std::string payload;
    putText(payload, result.name);
    payload += static_cast<char>(result.status);
    putText(payload, result.measure);
    putBytes(payload, &result.figure, sizeof result.figure);
    payload += static_cast<char>(result.tolerance.has_value());
    const double tolerance = result.tolerance.value_or(0.0);
    putBytes(payload, &tolerance, sizeof tolerance);
    putText(payload, result.detail);
    return payload;
}

bool decoded(const std::string& payload, CheckResult& result) {
    Fields fields(payload);
    result.name = fields.text();
    const auto status = fields.value<char>();
    result.status = static_cast<Status>(status);
    result.measure = fields.text();
    result.figure = fields.value<double>();
    const bool hasTolerance = fields.value<char>() != 0;
    const auto tolerance = fields.value<double>();
    if (hasTolerance) {
        result.tolerance = tolerance;
    }
    result.detail = fields.text();
    const bool known = status == static_cast<char>(Status::Pass) ||
                       status == static_cast<char>(Status::Fail) ||
                       status == static_cast<char>(Status::Skip);
    return fields.whole() && known;
}

} // namespace

bool sendResults(int fd, const std::vector<CheckResult>& results) {
    std::string out;
    for (const CheckResult& result : results) {
        putRecord(out, kResult, encoded(result));
    }
    putRecord(out, kEnd, "");
    size_t sent = 0;
    while (sent < out.size()) {
        const ssize_t written = write(fd, out.data() + sent, out.size() - sent);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        sent += static_cast<size_t>(written);
    }
    return true;
}

size_t faultRecord(const char* text, size_t length, char* record, size_t capacity) {
    if (kHeader + length > capacity) {
        return 0;
    }
    const auto size = static_cast<uint32_t>(length);
    record[0] = kFault;
    std::memcpy(record + 1, &size, sizeof size);
    std::memcpy(record + kHeader, text, length);
    return kHeader + length;
}

ChildReport readChildReport(const std::string& bytes) {
    ChildReport report;
    bool intact = true;
    size_t at = 0;
    while (bytes.size() - at >= kHeader) {
        uint32_t size;
        std::memcpy(&size, bytes.data() + at + 1, sizeof size);
        if (size > bytes.size() - at - kHeader) {
            break;
        }
        const char kind = bytes[at];
        const std::string payload = bytes.substr(at + kHeader, size);
        at += kHeader + size;
        CheckResult result;
        if (kind == kResult) {
            intact = intact && decoded(payload, result);
            report.results.push_back(std::move(result));
        } else if (kind == kEnd) {
            report.complete = intact;
        } else if (kind == kFault) {
            report.fault = payload;
        }
    }
    return report;
}

} // namespace xefhost::check
