// A small command-line iterator: each argument is matched against a table of
// option names in table order; a name ending in '=' matches as a prefix and
// takes the rest as its value, any other name only the whole argument. One
// that matches no name is kept as a positional argument (at most
// max_positional of them).
#pragma once

#include <cstdint>

struct cmd_line_option {
    std::int32_t id;
    // The option's name; the table ends with an entry whose name is empty,
    // which matches every argument and marks it positional.
    const char* name;
};

class TCmdLine {
public:
    static constexpr std::int32_t positional_id = -1;
    static constexpr std::uint32_t max_positional = 20;

    explicit TCmdLine(const cmd_line_option* options) : m_options(options) {}
    virtual ~TCmdLine() = default;

    virtual void advance() = 0;
    virtual bool has_more() const = 0;

    // The id of the current argument's option, or positional_id.
    std::int32_t get_id() const;
    // The rest of the current argument behind the option's name.
    const char* get_value() const;
    std::uint32_t get_param_count() const { return m_param_count; }

protected:
    void match(const char* argument);

private:
    const cmd_line_option* m_options;
    const char* m_value = nullptr;
    std::int32_t m_id = positional_id;
    std::uint32_t m_param_count = 0;
};

// The iterator over main's arguments, from argv[1] on.
class ansi_cmd_line : public TCmdLine {
public:
    ansi_cmd_line(int argc, char** argv, const cmd_line_option* options);

    void advance() override;
    bool has_more() const override { return m_remaining > 0; }

private:
    char** m_cursor;
    std::int32_t m_remaining;
};
