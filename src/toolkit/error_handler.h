// The process-wide error reporter. The front ends build its concrete form
// (console or wizard) before anything that can fail; the rest of the program
// reaches it through tk_singleton<error_handler>.
//
// Defined in the header: the lower layers report through it without linking
// the conversion driver.
#pragma once

#include "toolkit/tk_error_converter.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_singleton.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class error_handler : public tk_singleton<error_handler> {
public:
    // An empty code map: every exception is reported with its own text.
    error_handler() : error_handler(0, no_rows) {}
    // The code map starts with the rows of the table.
    error_handler(std::uint32_t row_count, const tk_error_map_row* rows) : m_codes(row_count, rows)
    {
        tk_log(2, "error_handler::ctor");
    }
    ~error_handler() override = default;

    // Adds rows to the code map; a code already present keeps its first text.
    void load_err_map(std::uint32_t row_count, const tk_error_map_row* rows)
    {
        tk_log(2, "error_handler::load_err_map");
        m_codes.load_map(row_count, rows);
    }

    // The text (a table name, or a label such as "Foreign key 'name'") that
    // prefixes every message reported afterwards; an empty text clears it.
    virtual void set_context(const std::wstring& context) { m_context = ansi_text(context); }
    // The context of a failing record: "<table>, record #<number>".
    void set_record_context(const std::wstring& table, std::int32_t record)
    {
        m_context = ansi_text(table + L", record #" + std::to_wstring(record));
    }
    const std::string& get_context() const { return m_context; }

    // Reports the exception at the level its code gives. Code 2 ends the
    // process. Code 0 may, when the user chooses to abort and outer is false,
    // throw tk_final_exception; otherwise the caller goes on with its next object.
    virtual void handle(const tk_exception& exception, bool outer) = 0;

    // Level-0 and level-1 errors are logged but not shown.
    bool quiet = false;

    // What a run left behind. Any count above zero means the run did not carry
    // everything across, whatever else it reports; the run's summary and exit
    // code are taken from these. Lower layers count here where they leave a
    // record behind; an object (key, index, view, default) a destination
    // could not make is counted through udb_database::object_failed.
    void count_skipped_record() { ++m_skipped_records; }
    void count_failed_object() { ++m_failed_objects; }
    void count_changed_value() { ++m_changed_values; }
    std::uint64_t skipped_records() const { return m_skipped_records; }
    std::uint64_t failed_objects() const { return m_failed_objects; }
    std::uint64_t changed_values() const { return m_changed_values; }
    void reset_losses()
    {
        m_skipped_records = 0;
        m_failed_objects = 0;
        m_changed_values = 0;
        m_noted_values.clear();
    }

    // A value that the destination holds otherwise than it was read: the
    // column, the value's text as read and the text of what was written.
    struct changed_value {
        std::wstring column;
        std::wstring read;
        std::wstring written;
    };
    // The writers of a record note the values they change here; the run takes
    // them once the record is written and reports each with the record's
    // table and number, or drops them with a record that was not written.
    void note_changed_value(changed_value value) { m_noted_values.push_back(std::move(value)); }
    bool has_noted_values() const { return !m_noted_values.empty(); }
    std::vector<changed_value> take_noted_values() { return std::exchange(m_noted_values, {}); }

protected:
    // The text a user sees: the context, then the code map's message for the
    // exception's error number or else its own text, with every line feed
    // turned into a blank. The text with its line feeds goes to the log.
    std::string make_report_text(const tk_exception& exception) const
    {
        std::string text;
        if (!m_context.empty())
            text = m_context + ": ";
        std::string message = m_codes.convert(exception.get_error_number());
        text += message.empty() ? std::string(exception.what()) : message;
        tk_log(3, "Error:\n%s", text.c_str());
        return tk_one_paragraph(std::move(text));
    }

private:
    static std::string ansi_text(const std::wstring& text)
    {
        std::string narrow;
        if (!tk_unicode_to_ansi3(text.c_str(), narrow))
            narrow.clear();
        return narrow;
    }

    static constexpr tk_error_map_row no_rows[1] = {{0, ""}};

    std::string m_context;
    tk_error_converter m_codes;
    std::atomic<std::uint64_t> m_skipped_records = 0;
    std::atomic<std::uint64_t> m_failed_objects = 0;
    std::atomic<std::uint64_t> m_changed_values = 0;
    // Filled and emptied by the run's thread only.
    std::vector<changed_value> m_noted_values;
};
