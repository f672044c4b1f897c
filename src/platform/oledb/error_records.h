// Failures of this layer as COM error objects with OLE DB error records.
#pragma once

#include "platform/oledb/db_backend.h"
#include "platform/oledb/oledb.h"

#include <exception>
#include <new>
#include <string>

namespace oledb {

// The result code of a failure: its own when it has one, else the first
// record whose native error has a meaning of its own, else E_FAIL.
HRESULT hresult_for(const db_error& error);

// Makes the failure the thread's error object and returns its result code.
HRESULT report(const db_error& error);
// A failure found by this layer itself (a wrong argument, a missing table id).
HRESULT report(HRESULT hr, const std::wstring& message);
HRESULT report(const std::exception& error);

// Runs an interface method's body: the thread's error object is cleared on
// entry, and a failure becomes an error object and a result code.
template <typename Body>
HRESULT guarded(Body body)
{
    SetErrorInfo(0, nullptr);
    try {
        return body();
    } catch (const db_error& e) {
        return report(e);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        return report(e);
    }
}

}  // namespace oledb
