// Sets the engine's blob_to_text flag for a while, so that the text columns of
// server lists and SHOW statements are read as text, and gives the flag back
// its value on every way out.
#pragma once

#include "mysql/sql_engine.h"

class blob_to_text_scope {
public:
    blob_to_text_scope() : m_saved(sql_current_engine().is_blob_to_text())
    {
        sql_current_engine().set_blob_to_text(true);
    }
    ~blob_to_text_scope() { sql_current_engine().set_blob_to_text(m_saved); }
    blob_to_text_scope(const blob_to_text_scope&) = delete;
    blob_to_text_scope& operator=(const blob_to_text_scope&) = delete;

private:
    bool m_saved;
};
