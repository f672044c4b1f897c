// Statements whose long values travel as long data of a prepared statement.
#include "model/field.h"
#include "mysql/sql_database.h"
#include "mysql/sql_exception.h"
#include "mysql/sql_literals.h"
#include "toolkit/tk_log.h"

#include <algorithm>
#include <memory>

namespace {

constexpr std::size_t long_data_chunk = 0x20000;

struct statement_closer {
    void operator()(MYSQL_STMT* statement) const noexcept { mysql_stmt_close(statement); }
};
using statement_ptr = std::unique_ptr<MYSQL_STMT, statement_closer>;

// The bytes of a long value: a byte array as it is, text in UTF-8.
std::string_view value_bytes(const udb_field& field, std::string& text)
{
    if (field.get_type() == VT_BSTR) {
        text = sql_field_utf8(field);
        return text;
    }
    const BYTE* bytes = nullptr;
    std::uint32_t count = field.get_bytes1(bytes, text);
    return {reinterpret_cast<const char*>(bytes), count};
}

}  // namespace

void sql_database::prepared_statement(const std::string& text, const std::vector<const udb_field*>& parameters)
{
    tk_log(2, "sql_database::prepared_statement(%s, %d)", text.c_str(), static_cast<int>(parameters.size()));
    make_current();
    statement_ptr statement(mysql_stmt_init(m_connection));
    if (!statement)
        throw sql_exception();
    if (mysql_stmt_prepare(statement.get(), text.data(), static_cast<unsigned long>(text.size())) != 0) {
        tk_log(2, "mysql_stmt_prepare failed: error=%s", mysql_stmt_error(statement.get()));
        throw sql_prep_stmt_failed_exception();
    }
    // The bind entries stay until the statement has run.
    std::vector<MYSQL_BIND> binds(parameters.size());
    std::vector<unsigned long> lengths(parameters.size(), 0);
    for (std::size_t k = 0; k < parameters.size(); ++k) {
        tk_log(1, "Binding field #%d", static_cast<int>(k));
        binds[k] = MYSQL_BIND{};
        // Text goes as text of the connection's character set, bytes as bytes.
        binds[k].buffer_type = parameters[k]->get_type() == VT_BSTR ? MYSQL_TYPE_STRING : MYSQL_TYPE_BLOB;
        binds[k].length = &lengths[k];
    }
    if (!binds.empty() && mysql_stmt_bind_param(statement.get(), binds.data()) != 0) {
        tk_log(2, "Binding failed: error=%s", mysql_stmt_error(statement.get()));
        throw sql_prep_stmt_failed_exception();
    }
    for (std::size_t k = 0; k < parameters.size(); ++k) {
        std::string text_bytes;
        std::string_view bytes = value_bytes(*parameters[k], text_bytes);
        tk_log(1, "Reading field #%d (size=%d)", static_cast<int>(k), static_cast<int>(bytes.size()));
        for (std::size_t position = 0; position < bytes.size(); position += long_data_chunk) {
            std::size_t length = std::min(long_data_chunk, bytes.size() - position);
            tk_log(1, "prepared_statement: pos=%d", static_cast<int>(position));
            if (mysql_stmt_send_long_data(statement.get(), static_cast<unsigned>(k), bytes.data() + position,
                                          static_cast<unsigned long>(length)) != 0) {
                tk_log(2, "mysql_stmt_send_long_data failed (pos=%d, res=1, error=%s)", static_cast<int>(position),
                       mysql_stmt_error(statement.get()));
                throw sql_prep_stmt_failed_exception();
            }
        }
    }
    if (mysql_stmt_execute(statement.get()) != 0) {
        tk_log(3, "QUERY=%s", text.c_str());
        tk_log(3, "mysql_stmt_execute failed: error=%s", mysql_stmt_error(statement.get()));
        throw sql_prep_stmt_failed_exception();
    }
}
