#include "platform/system_message.h"

#include "platform/last_error.h"

#include <cstring>
#include <string_view>

namespace {

struct message_row {
    std::uint32_t error;
    std::string_view text;
};

constexpr message_row messages[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_WRITE_PROTECT, "The media is write protected."},
    {ERROR_SHARING_VIOLATION, "The process cannot access the file because it is being used by another process."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {ERROR_NO_UNICODE_TRANSLATION, "No mapping for the Unicode character exists in the target multi-byte code page."},
    {ERROR_CLIPBOARD_NOT_OPEN, "Thread does not have a clipboard open."},
};

}  // namespace

bool FormatMessageA(std::uint32_t error, std::string& text)
{
    for (const message_row& row : messages) {
        if (row.error == error) {
            text.assign(row.text).append("\r\n");
            return true;
        }
    }
    if ((error & application_error_bit) != 0) {
        // An errno without a Windows number: the C library's own text.
        text.assign(std::strerror(static_cast<int>(error & ~application_error_bit))).append("\r\n");
        return true;
    }
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return false;
}
