#include "platform/file_access.h"

#include "platform/last_error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

file_kind get_file_kind(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        set_last_error_from_errno(errno);
        return file_kind::missing;
    }
    return S_ISDIR(status.st_mode) ? file_kind::folder : file_kind::file;
}

bool is_read_only(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return false;
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

bool create_or_truncate(const std::string& path)
{
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        set_last_error_from_errno(errno);
        return false;
    }
    close(descriptor);
    return true;
}

bool create_private_file(const std::string& path)
{
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (descriptor < 0) {
        set_last_error_from_errno(errno);
        return false;
    }
    // Devices (a path such as /dev/null) keep their own modes.
    struct stat status {};
    const bool secured =
        fstat(descriptor, &status) == 0 && (!S_ISREG(status.st_mode) || fchmod(descriptor, S_IRUSR | S_IWUSR) == 0);
    const int error = errno;
    close(descriptor);
    if (!secured)
        set_last_error_from_errno(error);
    return secured;
}

bool check_access(const std::string& path, std::uint32_t desired_access)
{
    int mode = 0;
    if (desired_access & (GENERIC_READ | GENERIC_ALL))
        mode |= R_OK;
    if (desired_access & (GENERIC_WRITE | GENERIC_ALL))
        mode |= W_OK;
    if (desired_access & (GENERIC_EXECUTE | GENERIC_ALL))
        mode |= X_OK;
    if ((mode & W_OK) && get_file_kind(path) == file_kind::folder)
        mode |= X_OK;
    if (faccessat(AT_FDCWD, path.c_str(), mode == 0 ? F_OK : mode, AT_EACCESS) != 0) {
        set_last_error_from_errno(errno);
        return false;
    }
    return true;
}

}  // namespace platform
