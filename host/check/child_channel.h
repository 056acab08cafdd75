// The records a family's child process sends the bench over a pipe: its results, then an end mark,
// or the fault that stopped it. Each record is a kind, a length and that many bytes, so that the
// bench can drop a record the child died in the middle of writing.
#pragma once

#include "check_report.h"

#include <cstddef>
#include <string>
#include <vector>

namespace xefhost::check {

// Writes every result and the end mark; false when the pipe would not take them.
bool sendResults(int fd, const std::vector<CheckResult>& results);

// Frames `text` as a fault record in `record` and returns its length, 0 when it does not fit.
// Async-signal-safe, for a handler to pass the result to one write().
size_t faultRecord(const char* text, size_t length, char* record, size_t capacity);

struct ChildReport {
    std::vector<CheckResult> results;
    bool complete = false; // the end mark came: the results are all the family's
    std::string fault;     // what the child's fault handler saw, empty when nothing
};

// Reads what the child wrote; a record cut short at the end is ignored.
ChildReport readChildReport(const std::string& bytes);

} // namespace xefhost::check
