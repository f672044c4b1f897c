#include "model/engine.h"

#include "toolkit/tk_exception.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// A file-based engine keeps the base's database-as-a-file operations.
class file_engine : public udb_engine {
public:
    void create_db(const std::wstring&) override {}
    udb_database* open_db(const std::wstring&, std::uint32_t) override { return nullptr; }
};

TEST(udb_engine_test, a_database_is_a_file)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-engine-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path folder = pattern;
    const std::filesystem::path file = folder / "db.sql";
    std::ofstream(file) << "x";

    file_engine engine;
    EXPECT_TRUE(engine.is_db_exist(file.wstring()));
    EXPECT_FALSE(engine.is_db_exist(folder.wstring()));
    engine.db_delete(file.wstring());
    EXPECT_FALSE(engine.is_db_exist(file.wstring()));
    try {
        engine.db_delete(file.wstring());
        ADD_FAILURE() << "no exception";
    } catch (const tk_exception_ex& e) {
        EXPECT_EQ(e.get_code(), 1u);
        EXPECT_NE(e.get_error_number(), 0u);
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
