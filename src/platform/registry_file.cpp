#include "platform/registry_file.h"

#include "platform/last_error.h"
#include "platform/registry.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::registry_file {

namespace {

std::string quote(std::string_view text)
{
    std::string quoted = "\"";
    for (char character : text) {
        switch (character) {
        case '\\': quoted += "\\\\"; break;
        case '"': quoted += "\\\""; break;
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        case '\t': quoted += "\\t"; break;
        default:
            if (static_cast<unsigned char>(character) < 0x20) {
                char escaped[5];
                std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(character));
                quoted += escaped;
            } else {
                quoted += character;
            }
        }
    }
    return quoted + '"';
}

int hex_digit(char character)
{
    if (character >= '0' && character <= '9')
        return character - '0';
    if (character >= 'a' && character <= 'f')
        return character - 'a' + 10;
    if (character >= 'A' && character <= 'F')
        return character - 'A' + 10;
    return -1;
}

// Reads a quoted text at the start of line and removes it from line.
bool unquote(std::string_view& line, std::string& text)
{
    if (line.empty() || line.front() != '"')
        return false;
    text.clear();
    std::size_t i = 1;
    while (i < line.size() && line[i] != '"') {
        char character = line[i++];
        if (character != '\\') {
            text += character;
            continue;
        }
        if (i >= line.size())
            return false;
        char escape = line[i++];
        switch (escape) {
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        case 'x': {
            if (i + 2 > line.size())
                return false;
            int high = hex_digit(line[i]);
            int low = hex_digit(line[i + 1]);
            if (high < 0 || low < 0)
                return false;
            text += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: text += escape;
        }
    }
    if (i >= line.size())
        return false;
    line.remove_prefix(i + 1);
    return true;
}

bool parse_number(std::string_view digits, std::uint32_t& number)
{
    if (digits.empty() || digits.size() > 8)
        return false;
    number = 0;
    for (char character : digits) {
        int digit = hex_digit(character);
        if (digit < 0)
            return false;
        number = number * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
}

bool parse_value(std::string_view line, value& result)
{
    if (!unquote(line, result.name) || line.empty() || line.front() != '=')
        return false;
    line.remove_prefix(1);
    constexpr std::string_view dword_prefix = "dword:";
    if (line.substr(0, dword_prefix.size()) == dword_prefix) {
        result.type = REG_DWORD;
        return parse_number(line.substr(dword_prefix.size()), result.number);
    }
    result.type = REG_SZ;
    constexpr std::string_view unterminated_prefix = "unterminated:";
    result.terminated = line.substr(0, unterminated_prefix.size()) != unterminated_prefix;
    if (!result.terminated)
        line.remove_prefix(unterminated_prefix.size());
    return unquote(line, result.text) && line.empty();
}

std::uint32_t read_all(const std::string& file, std::string& contents)
{
    const int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return errno == ENOENT ? ERROR_SUCCESS : error_from_errno(errno);
    char buffer[4096];
    ssize_t count;
    while ((count = read(descriptor, buffer, sizeof buffer)) > 0)
        contents.append(buffer, static_cast<std::size_t>(count));
    const int read_error = count < 0 ? errno : 0;
    close(descriptor);
    return error_from_errno(read_error);
}

bool write_all(int descriptor, std::string_view contents)
{
    while (!contents.empty()) {
        const ssize_t count = write(descriptor, contents.data(), contents.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

}  // namespace

hive parse(std::string_view contents)
{
    hive keys;
    while (!contents.empty()) {
        std::size_t end = contents.find('\n');
        std::string_view line = contents.substr(0, end);
        contents.remove_prefix(end == std::string_view::npos ? contents.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            keys.push_back({std::string(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        value parsed;
        if (!keys.empty() && parse_value(line, parsed))
            keys.back().values.push_back(parsed);
    }
    return keys;
}

std::string format(const hive& keys)
{
    std::string contents = "; Settings kept by the program. They include passwords: keep this file private.\n";
    for (const key& section : keys) {
        contents += "\n[" + section.path + "]\n";
        for (const value& item : section.values) {
            contents += quote(item.name) + '=';
            if (item.type == REG_DWORD) {
                char number[16];
                std::snprintf(number, sizeof number, "dword:%08" PRIx32, item.number);
                contents += number;
            } else {
                if (!item.terminated)
                    contents += "unterminated:";
                contents += quote(item.text);
            }
            contents += '\n';
        }
    }
    return contents;
}

std::uint32_t load(const std::string& file, hive& keys)
{
    std::string contents;
    const std::uint32_t error = read_all(file, contents);
    if (error == ERROR_SUCCESS)
        keys = parse(contents);
    return error;
}

std::uint32_t save(const std::string& file, const hive& keys)
{
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ignored);
    std::string temporary = file + ".XXXXXX";
    const int descriptor = mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0)
        return error_from_errno(errno);
    const bool written =
        fchmod(descriptor, S_IRUSR | S_IWUSR) == 0 && write_all(descriptor, format(keys)) && fsync(descriptor) == 0;
    const int write_error = errno;
    if (close(descriptor) != 0 || !written || rename(temporary.c_str(), file.c_str()) != 0) {
        const int error = written ? errno : write_error;
        unlink(temporary.c_str());
        return error_from_errno(error == 0 ? EIO : error);
    }
    return ERROR_SUCCESS;
}

}  // namespace platform::registry_file
