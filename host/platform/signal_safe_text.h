// Text built inside a signal handler: appends to the caller's buffer with no allocation and no
// library call a handler may not make, truncating at its capacity and keeping it terminated.
#pragma once

#include <cstddef>

namespace xefhost {

class SignalSafeText {
  public:
    SignalSafeText(char* text, size_t capacity) : text_(text), capacity_(capacity) {
        if (capacity_ > 0) {
            text_[0] = '\0';
        }
    }
    SignalSafeText& operator<<(const char* words) {
        while (*words && length_ + 1 < capacity_) {
            text_[length_++] = *words++;
        }
        if (capacity_ > 0) {
            text_[length_] = '\0';
        }
        return *this;
    }
    SignalSafeText& operator<<(size_t value) {
        char digits[24];
        char* first = digits + sizeof digits - 1;
        *first = '\0';
        do {
            *--first = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value > 0);
        return *this << first;
    }
    size_t length() const { return length_; }

  private:
    char* text_;
    size_t capacity_;
    size_t length_ = 0;
};

} // namespace xefhost
