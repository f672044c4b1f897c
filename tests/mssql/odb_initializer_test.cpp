#include "mssql/odb_initializer.h"

#include "mssql/odb_exception.h"
#include "platform/oledb/providers.h"
#include "support/fake_provider.h"
#include "toolkit/tk_log.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using provider_ptr = std::shared_ptr<fake::provider>;

struct slots {
    provider_ptr native_11 = std::make_shared<fake::provider>(L"Native Client 11.0");
    provider_ptr native_10 = std::make_shared<fake::provider>(L"Native Client 10.0");
    provider_ptr sqloledb = std::make_shared<fake::provider>(L"SQLOLEDB");
    slots() { oledb::install_providers({native_11, native_10, sqloledb}); }
};

TEST(odb_initializer, first_installed_native_client_opens_the_data_source)
{
    slots s;
    odb_initializer initializer;
    ole_com_ptr<IDBInitialize> source;
    initializer.test_connection(source, L"srv", L"sa", L"pw", L"sales");
    EXPECT_FALSE(source.is_empty());
    EXPECT_TRUE(initializer.is_native_client());
    ASSERT_EQ(s.native_11->logins().size(), 1u);
    const oledb::db_login login = s.native_11->logins()[0];
    EXPECT_EQ(login.server, L"srv");
    EXPECT_EQ(login.user, L"sa");
    EXPECT_EQ(login.password, L"pw");
    EXPECT_EQ(login.database, L"sales");
    EXPECT_TRUE(s.native_10->logins().empty());
}

TEST(odb_initializer, missing_native_client_11_falls_back_to_10)
{
    slots s;
    s.native_11->set_installed(false);
    odb_initializer initializer;
    ole_com_ptr<IDBInitialize> source;
    initializer.test_connection(source, L"srv", L"", L"", L"");
    EXPECT_TRUE(initializer.is_native_client());
    ASSERT_EQ(s.native_10->logins().size(), 1u);
    EXPECT_TRUE(s.native_10->logins()[0].integrated) << "an empty user selects Windows authentication";
    EXPECT_EQ(s.native_10->logins()[0].database, L"");
}

TEST(odb_initializer, without_native_clients_the_initialization_string_carries_every_value_intact)
{
    slots s;
    s.native_11->set_installed(false);
    s.native_10->set_installed(false);
    odb_initializer initializer;
    ole_com_ptr<IDBInitialize> source;
    initializer.test_connection(source, L"srv;x=1", L"o\"neil", L"p;w=\"d\";Provider=evil", L"db");
    EXPECT_FALSE(initializer.is_native_client());
    ASSERT_EQ(s.sqloledb->logins().size(), 1u);
    const oledb::db_login login = s.sqloledb->logins()[0];
    EXPECT_EQ(login.server, L"srv;x=1");
    EXPECT_EQ(login.user, L"o\"neil");
    EXPECT_EQ(login.password, L"p;w=\"d\";Provider=evil");
    EXPECT_EQ(login.database, L"db");
    EXPECT_FALSE(login.integrated);
}

TEST(odb_initializer, installed_provider_that_refuses_the_login_ends_the_attempt)
{
    slots s;
    s.native_11->refuse_login(fake::sql_error(18456, L"Login failed for user 'sa'.", L"28000"));
    odb_initializer initializer;
    ole_com_ptr<IDBInitialize> source;
    try {
        initializer.test_connection(source, L"srv", L"sa", L"bad", L"");
        FAIL() << "the refused login must raise";
    } catch (const odb_exception& e) {
        EXPECT_EQ(e.get_error_number(), 0x80E4Du);
        EXPECT_STREQ(e.what(), "Login failed for user 'sa'.");
    }
    EXPECT_TRUE(s.native_10->logins().empty());
    EXPECT_TRUE(s.sqloledb->logins().empty());
    EXPECT_FALSE(initializer.is_native_client());
}

TEST(odb_initializer, no_provider_at_all_is_a_missing_support_library)
{
    oledb::install_providers({nullptr, nullptr, nullptr});
    com_unregister_class(CLSID_MSDAINITIALIZE);
    odb_initializer initializer;
    ole_com_ptr<IDBInitialize> source;
    try {
        initializer.test_connection(source, L"srv", L"sa", L"pw", L"");
        FAIL() << "no provider must raise";
    } catch (const odb_exception&) {
        FAIL() << "not an OLE DB failure";
    } catch (const tk_exception& e) {
        EXPECT_STREQ(
            e.what(),
            "Failed to load OLE DB support library. You should install it\r\nto proceed with the application.\r\n");
        EXPECT_EQ(e.get_code(), 1u);
    }
}

TEST(odb_initializer, initialization_string_quotes_every_value)
{
    EXPECT_EQ(odb_initialization_string(L"srv", L"me", L"a\"b", L"db"),
              L"Provider=sqloledb;Data Source=\"srv\";Initial Catalog=\"db\";User Id=\"me\";Password=\"a\"\"b\";");
    EXPECT_EQ(odb_initialization_string(L"srv", L"", L"", L""),
              L"Provider=sqloledb;Data Source=\"srv\";Integrated Security=SSPI;");
    EXPECT_EQ(odb_initialization_string(L"srv", L"me", L"", L""),
              L"Provider=sqloledb;Data Source=\"srv\";User Id=\"me\";Password=\"\";");
}

TEST(odb_initializer, passwords_stay_out_of_the_log)
{
    char path[] = "/tmp/velmora-log-XXXXXX";
    std::fclose(fdopen(mkstemp(path), "w"));
    {
        tk_logger logger(path, 1, 1, 0);
        slots s;
        s.native_11->set_installed(false);
        s.native_10->set_installed(false);
        odb_initializer initializer;
        ole_com_ptr<IDBInitialize> source;
        initializer.test_connection(source, L"srv", L"sa", L"Sup3r\"Secret", L"");
    }
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    std::remove(path);
    EXPECT_NE(text.str().find("odb_initializer::test_generic_connection("), std::string::npos);
    EXPECT_EQ(text.str().find("Sup3r"), std::string::npos);
    EXPECT_EQ(text.str().find("Secret"), std::string::npos);
}

}  // namespace
