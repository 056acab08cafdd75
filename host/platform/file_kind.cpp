#include "file_kind.h"

#include <filesystem>
#include <system_error>

namespace xefhost {

std::string notARegularFile(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    switch (status.type()) {
    case std::filesystem::file_type::regular:
        return "";
    case std::filesystem::file_type::not_found:
        return "no such file";
    case std::filesystem::file_type::directory:
        return "a directory";
    case std::filesystem::file_type::fifo:
        return "a FIFO";
    case std::filesystem::file_type::character:
        return "a character device";
    case std::filesystem::file_type::block:
        return "a block device";
    case std::filesystem::file_type::socket:
        return "a socket";
    default:
        return error ? "not readable (" + error.message() + ")" : "not a regular file";
    }
}

} // namespace xefhost
