#include "platform/last_error.h"

#include <cerrno>

namespace {
thread_local std::uint32_t last_error = ERROR_SUCCESS;
}

std::uint32_t GetLastError()
{
    return last_error;
}

void SetLastError(std::uint32_t error)
{
    last_error = error;
}

namespace platform {

std::uint32_t error_from_errno(int error)
{
    switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EILSEQ: return ERROR_NO_UNICODE_TRANSLATION;
    default: return application_error_bit | static_cast<std::uint32_t>(error);
    }
}

void set_last_error_from_errno(int error)
{
    SetLastError(error_from_errno(error));
}

}  // namespace platform
