// The "Add Query" dialog: a SELECT statement against the MySQL source and the
// name of the MS SQL table that receives its result. OK checks both texts;
// Test Query runs the statement at the source. Texts of any length are taken.
#pragma once

#include "wizard/gui_ids.h"
#include "wizard/id_dialog.h"

#include <optional>
#include <string>

enum set_query_control : int {
    query_name_edit = 1019,
    query_text_edit = 1020,
    test_query_button = 129,
};

template <class T_CONVERTER, int HELP>
class set_query_dlg final : public id_dialog {
public:
    // Empty texts for a new query, the stored pair when one is edited.
    set_query_dlg(std::wstring table_name, std::wstring query);

    // After OK: the name and the query without its leading blanks and line ends.
    const std::wstring& table_name() const { return m_table_name; }
    const std::wstring& query() const { return m_query; }

    // True when the query box does not start with SELECT (an empty box
    // passes); the stored query loses its leading blanks and line ends.
    bool is_not_select();

private:
    void on_init() override;
    void on_command(int id, int notification) override;
    void on_ok();
    void on_test_query();

    std::wstring m_table_name;
    std::wstring m_query;
    // The query text, as typed, that the last Test Query found wrong.
    std::optional<std::wstring> m_refused;
};

class convertor_front_end;
extern template class set_query_dlg<convertor_front_end, gui::help_query>;
