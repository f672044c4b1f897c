// A result held in memory: schema rowsets and scripted results.
#pragma once

#include "platform/oledb/db_backend.h"

#include <vector>

namespace oledb {

class memory_result final : public db_result {
public:
    memory_result(std::vector<db_column> columns, std::vector<std::vector<db_value>> rows);
    const std::vector<db_column>& columns() const override { return columns_; }
    bool fetch(std::vector<db_value>& row) override;
    void restart() override { next_ = 0; }

private:
    std::vector<db_column> columns_;
    std::vector<std::vector<db_value>> rows_;
    std::size_t next_ = 0;
};

}  // namespace oledb
