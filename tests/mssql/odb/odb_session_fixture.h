// A fixture for the OLE DB classes: the recording provider in every slot, an
// MS SQL engine, an opened data source and a session on it.
#pragma once

#include "mssql/mss_engine.h"
#include "mssql/odb_initializer.h"
#include "platform/oledb/oledb.h"
#include "support/fake_provider.h"
#include "variant/ole_com_ptr.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class odb_session_fixture : public ::testing::Test {
protected:
    void SetUp() override;

    // A scripted answer to one statement.
    void answer(const std::wstring& statement, std::vector<oledb::db_column> columns, std::vector<fake::row> rows);
    // The engine's flags for native date and time handling.
    void set_native_date_time(bool on);

    std::shared_ptr<fake::provider> server = std::make_shared<fake::provider>();
    mss_engine engine;
    ole_com_ptr<IDBInitialize> data_source;
    ole_com_ptr<IOpenRowset> session;
};

// Text values of a scripted row.
fake::row texts(std::initializer_list<const wchar_t*> values);
