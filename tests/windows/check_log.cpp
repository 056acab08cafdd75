#include "check_log.h"

#include <cmath>
#include <cstdio>
#include <cstring>

void CheckLog::group(const std::string& title) {
    std::printf("== %s\n", title.c_str());
}

bool CheckLog::record(bool ok, const std::string& what, const std::string& detail) {
    if (ok) {
        ++passed_;
    } else {
        ++failed_;
        std::printf("FAILED: %s%s\n", what.c_str(), detail.c_str());
    }
    return ok;
}

bool CheckLog::expect(bool ok, const std::string& what) {
    return record(ok, what, "");
}

bool CheckLog::expectInt(long long actual, long long expected, const std::string& what) {
    return record(actual == expected, what,
                  ": got " + std::to_string(actual) + ", expected " + std::to_string(expected));
}

static std::string exactDecimal(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

bool CheckLog::expectExact(double actual, double expected, const std::string& what) {
    return record(actual == expected, what,
                  ": got " + exactDecimal(actual) + ", expected " + exactDecimal(expected));
}

bool CheckLog::expectText(const char* actual, const char* expected, const std::string& what) {
    const bool ok = actual != nullptr && std::strcmp(actual, expected) == 0;
    return record(ok, what,
                  std::string(": got ") + (actual ? "\"" + std::string(actual) + "\"" : "null") +
                      ", expected \"" + expected + "\"");
}

bool CheckLog::expectNear(double actual, double expected, double relativeTolerance,
                          const std::string& what) {
    // The floor keeps an exact zero expectation from demanding an exact zero result.
    const double allowed = relativeTolerance * std::fabs(expected) + 1e-16;
    return record(std::fabs(actual - expected) <= allowed, what,
                  ": got " + exactDecimal(actual) + ", expected " + exactDecimal(expected));
}

int CheckLog::finish() const {
    std::printf("%d passed, %d failed\n", passed_, failed_);
    return failed_ == 0 && passed_ > 0 ? 0 : 1;
}
