#include "mssql/script/script_file.h"

#include "toolkit/error_handler.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <signal.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int name_attempts = 100;

// The temporary files of unfinished scripts. A process that ends on a fatal
// error (std::exit) unwinds no stack, so these are removed when it ends.
class unfinished_scripts {
public:
    static unfinished_scripts& instance()
    {
        static unfinished_scripts files;
        return files;
    }

    ~unfinished_scripts() { remove_all(); }

    void remove_all()
    {
        std::lock_guard lock(m_mutex);
        for (const std::string& path : m_paths)
            ::unlink(path.c_str());
        m_paths.clear();
    }

    void add(const std::string& path)
    {
        std::lock_guard lock(m_mutex);
        m_paths.insert(path);
    }

    void remove(const std::string& path)
    {
        std::lock_guard lock(m_mutex);
        m_paths.erase(path);
    }

private:
    std::mutex m_mutex;
    std::set<std::string> m_paths;
};

const char* const temporary_infix = ".part-";

// The process id in a temporary name's "<pid>-<n>" ending; 0 for another name.
pid_t writer_of(std::string_view ending)
{
    const std::size_t dash = ending.find('-');
    const auto is_number = [](std::string_view text) {
        return !text.empty() && text.size() < 10 && text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (dash == std::string_view::npos || !is_number(ending.substr(0, dash)) || !is_number(ending.substr(dash + 1)))
        return 0;
    return static_cast<pid_t>(std::stol(std::string(ending.substr(0, dash))));
}

// A process killed outright (SIGKILL) leaves its temporary script beside
// the destination; one whose process no longer exists is removed.
void remove_orphaned_scripts(const std::string& destination)
{
    const std::filesystem::path path(destination);
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const std::string prefix = path.filename().string() + temporary_infix;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const pid_t writer = name.starts_with(prefix) ? writer_of(std::string_view(name).substr(prefix.size())) : 0;
        if (writer == 0 || writer == ::getpid() || ::kill(writer, 0) == 0 || errno != ESRCH ||
            !entry.is_regular_file(error))
            continue;
        if (::unlink(entry.path().c_str()) == 0)
            tk_log(3,
                   "Removed '%s': the unfinished script of an earlier run (process %d) that ended without removing it",
                   entry.path().c_str(), static_cast<int>(writer));
    }
}

// Creates a file of a new name beside the destination, readable as any file
// the user creates; errno tells why when it gives no file (-1).
int create_beside(const std::string& destination, std::string& created)
{
    remove_orphaned_scripts(destination);
    static std::mutex counter_mutex;
    static unsigned counter = 0;
    for (int attempt = 0; attempt < name_attempts; ++attempt) {
        unsigned number;
        {
            std::lock_guard lock(counter_mutex);
            number = ++counter;
        }
        const std::string name =
            destination + temporary_infix + std::to_string(::getpid()) + "-" + std::to_string(number);
        const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        created = name;
        return descriptor;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

int mss_script_write_error(const std::wstring& path)
{
    std::string created;
    const int descriptor = create_beside(tk_unicode_to_file_name(path), created);
    if (descriptor < 0)
        return errno;
    ::close(descriptor);
    ::unlink(created.c_str());
    return 0;
}

mss_script_file::mss_script_file(const std::wstring& path) : m_path(path)
{
    std::string created;
    m_descriptor = create_beside(tk_unicode_to_file_name(path), created);
    if (m_descriptor < 0) {
        const int error = errno;
        tk_log(2, "Failed to open file");
        fail("open", error);
    }
    m_temporary_path = created;
    unfinished_scripts::instance().add(m_temporary_path);
    tk_log(2, "Writing the script into '%s'", m_temporary_path.c_str());
    m_writer = std::make_unique<mss_file_writer>(m_descriptor);
}

mss_script_file::~mss_script_file()
{
    discard();
}

void mss_script_file::write(std::string_view bytes)
{
    if (m_descriptor < 0)
        fail("write", EBADF);
    if (const int error = m_writer->write(bytes))
        fail("write", error);
}

void mss_script_file::write_utf8(const std::wstring& text)
{
    write(tk_unicode_to_utf8(text));
}

bool mss_script_file::commit(bool replace)
{
    if (m_descriptor < 0)
        fail("write", EBADF);
    // The first failure stands: a file that missed a write is never complete.
    if (!m_failure.empty()) {
        discard();
        throw tk_exception(m_failure, 1);
    }
    const int flush_error = m_writer->finish();
    const bool flushed = flush_error == 0;
    m_writer.reset();
    take_earlier_mode();
    const bool closed = ::close(std::exchange(m_descriptor, -1)) == 0;
    const int close_error = errno;
    const bool renamed = flushed && closed && put_in_place(replace);
    const int rename_error = errno;
    if (!renamed) {
        discard();
        if (!flushed)
            fail("write", flush_error);
        if (closed && rename_error == EEXIST && !replace) {
            tk_log(2, "An earlier file stands at the destination; it is kept");
            return false;
        }
        fail(closed ? "save" : "close", closed ? rename_error : close_error);
    }
    unfinished_scripts::instance().remove(m_temporary_path);
    m_committed = true;
    tk_log(2, "The script is complete");
    return true;
}

bool mss_script_file::put_in_place(bool replace) const
{
    const std::string destination = tk_unicode_to_file_name(m_path);
    if (replace)
        return std::rename(m_temporary_path.c_str(), destination.c_str()) == 0;
    if (::renameat2(AT_FDCWD, m_temporary_path.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system that cannot refuse to replace in the rename itself.
    struct stat status {};
    if (::lstat(destination.c_str(), &status) == 0) {
        errno = EEXIST;
        return false;
    }
    return std::rename(m_temporary_path.c_str(), destination.c_str()) == 0;
}

void mss_script_file::take_earlier_mode() const
{
    // The script that replaces an earlier one keeps who may read it.
    struct stat earlier {};
    if (::stat(tk_unicode_to_file_name(m_path).c_str(), &earlier) == 0 && S_ISREG(earlier.st_mode) &&
        ::fchmod(m_descriptor, earlier.st_mode & 07777) != 0)
        tk_log(3, "Cannot give the script the mode of the earlier file: %s", std::strerror(errno));
}

void mss_script_file::discard()
{
    if (m_committed || m_temporary_path.empty())
        return;
    close_abandoned();
    ::unlink(m_temporary_path.c_str());
    unfinished_scripts::instance().remove(m_temporary_path);
    tk_log(2, "Removed the unfinished script '%s'", m_temporary_path.c_str());
    m_temporary_path.clear();
}

void mss_script_file::close_abandoned()
{
    m_writer.reset();
    if (m_descriptor >= 0)
        ::close(std::exchange(m_descriptor, -1));
}

void mss_script_file::fail(const char* what, int error)
{
    std::string text = std::string("Cannot ") + what + " the script file '" + tk_unicode_to_utf8(m_path) +
                       "': " + std::strerror(error);
    if (m_failure.empty())
        m_failure = text;
    throw tk_exception(text, 1);
}

void mss_report_script_failure(const tk_exception& failure)
{
    if (error_handler::is_initialized())
        error_handler::instance().handle(failure, true);
    else
        tk_log(3, "Error:\n%s", failure.what());
}

void mss_remove_unfinished_scripts()
{
    unfinished_scripts::instance().remove_all();
}
