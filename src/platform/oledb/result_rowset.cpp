#include "platform/oledb/result_rowset.h"

#include "platform/oledb/error_records.h"
#include "platform/oledb/utf16.h"

#include <algorithm>

namespace oledb {

namespace {

bool is_text_binding(DBTYPE t)
{
    return t == DBTYPE_WSTR || t == DBTYPE_STR;
}

// Rows are read as text or bytes; they go out as wide or narrow text, or as
// bytes from a binary column.
bool can_convert(const db_column& column, DBTYPE bound)
{
    if (is_text_binding(bound))
        return true;
    return bound == DBTYPE_BYTES && (column.type == DBTYPE_BYTES || column.type == DBTYPE_UDT);
}

std::wstring hex_text(const db_bytes& bytes)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

// Copies `size` bytes of `data` into a value part of `room` bytes, keeping
// `terminator` bytes for a zero at the end; false when it did not all fit.
bool copy_value(void* row, const DBBINDING& b, const void* data, std::size_t size, std::size_t terminator)
{
    const std::size_t room = b.cbMaxLen >= terminator ? b.cbMaxLen - terminator : 0;
    std::size_t count = std::min(size, room);
    if (terminator > 1)
        count -= count % terminator;  // whole characters only
    auto* value = static_cast<std::byte*>(row) + b.obValue;
    std::memcpy(value, data, count);
    if (terminator > 0 && b.cbMaxLen >= terminator)
        std::memset(value + count, 0, terminator);
    return count == size;
}

DBSTATUS write_value(const db_value& v, const DBBINDING& b, void* row)
{
    DBSTATUS status = DBSTATUS_S_OK;
    DBLENGTH length = 0;
    if (is_null(v)) {
        status = DBSTATUS_S_ISNULL;
    } else if (b.wType == DBTYPE_BYTES) {
        const db_bytes& bytes = std::get<db_bytes>(v);
        length = bytes.size();
        if ((b.dwPart & DBPART_VALUE) && !copy_value(row, b, bytes.data(), bytes.size(), 0))
            status = DBSTATUS_S_TRUNCATED;
    } else {
        const auto* bytes = std::get_if<db_bytes>(&v);
        const std::wstring text = bytes ? hex_text(*bytes) : std::get<std::wstring>(v);
        if (b.wType == DBTYPE_WSTR) {
            length = text.size() * sizeof(wchar_t);
            if ((b.dwPart & DBPART_VALUE) && !copy_value(row, b, text.data(), length, sizeof(wchar_t)))
                status = DBSTATUS_S_TRUNCATED;
        } else {
            const std::string narrow = to_utf8(text);
            length = narrow.size();
            if ((b.dwPart & DBPART_VALUE) && !copy_value(row, b, narrow.data(), length, 1))
                status = DBSTATUS_S_TRUNCATED;
        }
    }
    if (b.dwPart & DBPART_LENGTH)
        put(row, b.obLength, length);
    if (b.dwPart & DBPART_STATUS)
        put(row, b.obStatus, status);
    return status;
}

}  // namespace

result_rowset::result_rowset(std::unique_ptr<db_result> result, busy_lease lease)
    : lease_(std::move(lease)), result_(std::move(result)), accessors_(result_->columns(), can_convert)
{}

result_rowset::~result_rowset() = default;

IUnknown* result_rowset::interface_for(REFIID riid)
{
    if (riid == IID_IUnknown || riid == IID_IRowset)
        return static_cast<IRowset*>(this);
    if (riid == IID_IColumnsInfo)
        return static_cast<IColumnsInfo*>(this);
    if (riid == IID_IAccessor)
        return static_cast<IAccessor*>(this);
    return nullptr;
}

HRESULT result_rowset::GetData(HROW hRow, HACCESSOR hAccessor, void* pData)
{
    const auto row = rows_.find(hRow);
    if (row == rows_.end())
        return DB_E_BADROWHANDLE;
    const std::vector<DBBINDING>* bindings = accessors_.find(hAccessor);
    if (!bindings)
        return DB_E_BADACCESSORHANDLE;
    if (!pData && !bindings->empty())
        return E_INVALIDARG;
    for (const DBBINDING& b : *bindings)
        write_value(row->second.values[b.iOrdinal - 1], b, pData);
    return S_OK;
}

HRESULT result_rowset::GetNextRows(HCHAPTER, DBROWOFFSET lRowsOffset, DBROWCOUNT cRows, DBCOUNTITEM* pcRowsObtained,
                                   HROW** prghRows)
{
    return guarded([&]() -> HRESULT {
        if (!pcRowsObtained || !prghRows)
            return E_INVALIDARG;
        *pcRowsObtained = 0;
        if (lRowsOffset < 0 || cRows < 0)
            return DB_E_CANTFETCHBACKWARDS;
        std::vector<db_value> values;
        for (DBROWOFFSET skipped = 0; skipped < lRowsOffset && !at_end_; ++skipped)
            at_end_ = !result_->fetch(values);
        std::vector<HROW> fetched;
        while (static_cast<DBROWCOUNT>(fetched.size()) < cRows && !at_end_) {
            at_end_ = !result_->fetch(values);
            if (!at_end_) {
                rows_[next_row_] = held_row{values, 1};
                fetched.push_back(next_row_++);
            }
        }
        if (!fetched.empty()) {
            if (!*prghRows)
                *prghRows = static_cast<HROW*>(CoTaskMemAlloc(sizeof(HROW) * fetched.size()));
            if (!*prghRows)
                return E_OUTOFMEMORY;
            std::copy(fetched.begin(), fetched.end(), *prghRows);
        }
        *pcRowsObtained = fetched.size();
        return static_cast<DBROWCOUNT>(fetched.size()) < cRows ? DB_S_ENDOFROWSET : S_OK;
    });
}

HRESULT result_rowset::ReleaseRows(DBCOUNTITEM cRows, const HROW rghRows[], DBROWOPTIONS[], DBREFCOUNT rgRefCounts[],
                                   DBROWSTATUS rgRowStatus[])
{
    if (cRows > 0 && !rghRows)
        return E_INVALIDARG;
    constexpr DBROWSTATUS row_ok = 0;
    constexpr DBROWSTATUS row_invalid = 4;
    DBCOUNTITEM bad = 0;
    for (DBCOUNTITEM i = 0; i < cRows; ++i) {
        const auto row = rows_.find(rghRows[i]);
        const bool found = row != rows_.end();
        DBREFCOUNT left = 0;
        if (!found)
            ++bad;
        else if ((left = --row->second.references) == 0)
            rows_.erase(row);
        if (rgRefCounts)
            rgRefCounts[i] = left;
        if (rgRowStatus)
            rgRowStatus[i] = found ? row_ok : row_invalid;
    }
    if (bad == 0)
        return S_OK;
    return bad == cRows ? DB_E_ERRORSOCCURRED : DB_S_ERRORSOCCURRED;
}

HRESULT result_rowset::RestartPosition(HCHAPTER)
{
    return guarded([&]() -> HRESULT {
        if (!rows_.empty())
            return DB_E_ROWSNOTRELEASED;
        result_->restart();
        at_end_ = false;
        return S_OK;
    });
}

HRESULT result_rowset::GetColumnInfo(DBORDINAL* pcColumns, DBCOLUMNINFO** prgInfo, OLECHAR** ppStringsBuffer)
{
    return copy_column_info(result_->columns(), pcColumns, prgInfo, ppStringsBuffer);
}

HRESULT result_rowset::CreateAccessor(DBACCESSORFLAGS dwAccessorFlags, DBCOUNTITEM cBindings,
                                      const DBBINDING rgBindings[], DBLENGTH, HACCESSOR* phAccessor,
                                      DBBINDSTATUS rgStatus[])
{
    return accessors_.create(dwAccessorFlags, cBindings, rgBindings, phAccessor, rgStatus);
}

HRESULT result_rowset::ReleaseAccessor(HACCESSOR hAccessor, DBREFCOUNT* pcRefCount)
{
    return accessors_.release(hAccessor, pcRefCount);
}

}  // namespace oledb
