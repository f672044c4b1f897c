// Sequences and views of the destination: each one dropped and made anew,
// each failure reported on its own.
#include "model/name_compare.h"
#include "mssql/direct/mss_database.h"
#include "mssql/identifier_validators.h"
#include "mssql/mss_engine.h"
#include "mssql/quoting.h"
#include "mssql/sequence_statement.h"
#include "mssql/table_names.h"
#include "mssql/view_names.h"
#include "mssql/view_rewriter.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_support_address.h"

namespace {

const char* const view_contact_text = "Can't create view. Contact to " TK_SUPPORT_MAIL_ADDRESS " for the solution.";

}  // namespace

void mss_database::create_sequences(const udb_sequences& list)
{
    if (!list.empty())
        tk_log(3, "Creating sequences (%d items)", static_cast<int>(list.size()));
    for (const udb_sequence& sequence : list) {
        stop_if_requested();
        const std::wstring name = mss_engine::get_safe_tname(sequence.name);
        const std::wstring drop = L"DROP SEQUENCE IF EXISTS " + name;
        tk_log(2, L"%ls", drop.c_str());
        try {
            run(drop);
        } catch (const tk_exception&) {
            // A sequence that is not there is the usual case.
        }
        std::wstring bare_name;
        std::wstring owner;
        mss_split_tab_name(sequence.name, bare_name, owner);
        if (!owner.empty() && !udb_same_name(owner, L"dbo")) {
            tk_log(3, L"Creating schema if necessary: '%ls'\r\n", owner.c_str());
            create_schema(owner);
        }
        const std::wstring statement = mss_create_sequence_statement(sequence, name);
        tk_log(3, L"%ls", statement.c_str());
        try {
            run(statement);
        } catch (const tk_exception& e) {
            tk_log(3, "Error while creating sequence:\n%s\n", e.what());
            object_failed({}, L"sequence '" + sequence.name + L"'", e.what(), L"Sequence '" + sequence.name + L"'",
                          e.what());
        }
    }
}

void mss_database::create_views(const udb_views& list)
{
    mss_view_names view_names(list, {});
    for (const auto& [source_name, text] : list) {
        stop_if_requested();
        try {
            tk_log(1, L"Processing '%ls'", source_name.c_str());
            tk_log(1, L"\t'%ls'", text.c_str());
            const std::wstring view_name = view_names.name_of(names_map, source_name, true);
            const std::wstring name = mss_engine::get_safe_tname(view_name);
            const std::wstring create =
                L"CREATE VIEW " + name + L" AS " + refine_view(text, mss_renamed_tables(names_map));
            run(L"IF OBJECT_ID(" + mss_unicode_literal(name) + L") IS NOT NULL DROP VIEW " + name);
            run(create);
        } catch (const tk_exception& e) {
            tk_log(3, "Error while creating view:\n%s\n", e.what());
            object_failed({}, L"view '" + source_name + L"'", e.what(), L"View '" + source_name + L"'",
                          view_contact_text);
        }
    }
}
