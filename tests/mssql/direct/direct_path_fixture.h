// A fixture for the direct path: the recording provider as the native
// client, a connected MS SQL engine, an error handler that records its
// reports, and the statements the provider received.
#pragma once

#include "model/record.h"
#include "mssql/direct/mss_database.h"
#include "mssql/mss_engine.h"
#include "support/fake_provider.h"
#include "toolkit/error_handler.h"
#include "toolkit/tk_log.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class recording_error_handler final : public error_handler {
public:
    struct report {
        std::string context;
        std::string text;
        std::uint32_t code;
        bool outer;
    };

    // Records the report; with `abort` set the user ends the run at a
    // level-0 report that is not an outer one.
    void handle(const tk_exception& exception, bool outer) override;

    std::vector<report> reports;
    bool abort = false;
};

// The conversion log of a test: what reaches the log file at the threshold.
class log_capture {
public:
    // Lines of that level and above.
    explicit log_capture(std::uint32_t threshold = 3);
    ~log_capture();
    log_capture(const log_capture&) = delete;
    log_capture& operator=(const log_capture&) = delete;
    std::string text() const;

private:
    std::string m_path;
    std::unique_ptr<tk_logger> m_logger;
};

class direct_path_fixture : public ::testing::Test {
protected:
    static constexpr const wchar_t* version_2019 =
        L"Microsoft SQL Server 2019 (RTM-CU22) (KB5027702) - 15.0.4322.2 (X64)";

    void SetUp() override;

    // Connects the engine with a login, as the front ends do.
    void connect(const std::wstring& version_text = version_2019, bool fast_load = true);
    // The database object of "shop" in mode 2, as the conversion opens it.
    std::unique_ptr<mss_database> open_database(std::uint32_t mode = 2);

    // Marks the statements received so far; `sent` gives the later ones.
    void mark() { m_mark = server->statements().size(); }
    std::vector<std::wstring> sent() const;

    // A one-column answer of texts.
    void answer_texts(const std::wstring& statement, std::vector<std::wstring> values);

    std::shared_ptr<fake::provider> server = std::make_shared<fake::provider>();
    mss_engine engine;
    recording_error_handler errors;

private:
    std::size_t m_mark = 0;
};

// A record of named values, owned by the caller.
udb_record* record_of(std::initializer_list<std::pair<const wchar_t*, ole_variant>> fields);

// Text values of a scripted row; null stands for SQL NULL.
fake::row text_row(std::initializer_list<const wchar_t*> values);
