// What an input path names, told before it is opened: a FIFO or a device would block or never
// end when read as a file, and a directory gives no reason of its own when opened.
#pragma once

#include <string>

namespace xefhost {

// Empty when path names a regular file (symbolic links followed); otherwise what it names: "no
// such file", "a directory", "a FIFO", "a character device", "a block device", "a socket" or
// "not a regular file".
std::string notARegularFile(const std::string& path);

} // namespace xefhost
