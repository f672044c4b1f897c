// The question what to do with a destination database that already exists:
// one radio button per existing-table mode, OK, Cancel and Help. After OK
// mode() holds the choice; Cancel leaves it as it was.
#pragma once

#include "wizard/gui_ids.h"
#include "wizard/id_dialog.h"

#include <cstdint>
#include <string>
#include <vector>

enum overwrite_control : int {
    overwrite_message = 1320,
    overwrite_database_choice = 1329,
    overwrite_tables_choice = 1330,
    skip_tables_choice = 1331,
    merge_choice = 1332,
    synchronize_choice = 1339,
};

// OK reads the first four choices (modes 0 to 3).
template <int DLG>
class overwrite_dlg2 : public id_dialog {
public:
    // help_topic: the context Help opens.
    overwrite_dlg2(std::wstring message, int help_topic);

    std::uint32_t mode() const { return m_mode; }

protected:
    // The radio buttons OK reads, in mode order, and the line its assertion names.
    overwrite_dlg2(std::wstring message, int help_topic, std::vector<int> choices, std::uint32_t assertion_line);

    void on_init() override;
    void on_command(int id, int notification) override;

private:
    std::uint32_t m_mode = 0;
    std::wstring m_message;
    int m_help_topic;
    std::vector<int> m_choices;
    std::uint32_t m_assertion_line;
};

// OK reads all five choices (modes 0 to 4); the wizard shows this one.
template <int DLG>
class overwrite_dlg3 final : public overwrite_dlg2<DLG> {
public:
    overwrite_dlg3(std::wstring message, int help_topic);
};

extern template class overwrite_dlg2<gui::dlg_existing_database>;
extern template class overwrite_dlg3<gui::dlg_existing_database>;
