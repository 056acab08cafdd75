// A self-contained check harness for the Windows test host, which cannot use GoogleTest: every
// check is counted, every failure is printed with its values, and the run ends with one summary.
#ifndef MOLR_WINDOWS_CHECK_LOG_H
#define MOLR_WINDOWS_CHECK_LOG_H

#include <string>

class CheckLog {
  public:
    void group(const std::string& title);
    bool expect(bool ok, const std::string& what);
    bool expectInt(long long actual, long long expected, const std::string& what);
    // Reals compared with ==: for constants and for results whose order of operations is fixed.
    bool expectExact(double actual, double expected, const std::string& what);
    bool expectText(const char* actual, const char* expected, const std::string& what);
    bool expectNear(double actual, double expected, double relativeTolerance,
                    const std::string& what);
    // A group of checks that could not run is named as such and never counted as passed.
    // Prints "N passed, M failed" and returns the process exit code: 0 only without failures.
    int finish() const;

  private:
    bool record(bool ok, const std::string& what, const std::string& detail);
    int passed_ = 0;
    int failed_ = 0;
};

#endif
