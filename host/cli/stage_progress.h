// Stage names on standard error while it is a terminal, so that long runs show where they are.
#pragma once

#include <iostream>
#include <string>
#include <unistd.h>

namespace xefhost {

class Progress {
  public:
    // A process that is not the one reporting (another MPI rank) stays silent.
    explicit Progress(bool reporting = true) : enabled_(reporting && ::isatty(STDERR_FILENO)) {}
    ~Progress() { clear(); }
    void operator()(const std::string& stage) {
        if (enabled_) {
            clear();
            std::cerr << "  " << stage << " ..." << std::flush;
            width_ = stage.size() + 6;
        }
    }
    void clear() {
        if (enabled_ && width_) {
            std::cerr << "\r" << std::string(width_, ' ') << "\r" << std::flush;
            width_ = 0;
        }
    }

  private:
    bool enabled_;
    size_t width_ = 0;
};

} // namespace xefhost
