#include "platform/file_access.h"

#include "platform/last_error.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

bool is_other_than_file(const std::string& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}

namespace {

struct file_identity {
    dev_t device;
    ino_t inode;
    bool operator==(const file_identity&) const = default;
};

std::optional<file_identity> identity(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return file_identity{status.st_dev, status.st_ino};
}

// The folder part of a path ("." for a bare name) and its final name.
std::pair<std::string, std::string> split_folder(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

bool is_same_file(const std::string& first, const std::string& second)
{
    const std::optional<file_identity> first_file = identity(first);
    const std::optional<file_identity> second_file = identity(second);
    if (first_file || second_file)
        return first_file == second_file;
    const auto [first_folder, first_name] = split_folder(first);
    const auto [second_folder, second_name] = split_folder(second);
    const std::optional<file_identity> folder = identity(first_folder);
    return first_name == second_name && folder && folder == identity(second_folder);
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
