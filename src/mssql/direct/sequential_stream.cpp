#include "mssql/direct/sequential_stream.h"

#include "platform/automation/task_memory.h"

#include <algorithm>
#include <cstring>
#include <limits>

HRESULT CSeqStream::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ISequentialStream) {
        *object = static_cast<ISequentialStream*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CSeqStream::AddRef()
{
    return ++m_references;
}

ULONG CSeqStream::Release()
{
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT CSeqStream::Read(void* buffer, ULONG count, ULONG* read)
{
    if (read)
        *read = 0;
    if (!buffer)
        return STG_E_INVALIDPOINTER;
    if (count == 0)
        return S_OK;
    if (m_position == m_length)
        return S_FALSE;
    const ULONG delivered = std::min(count, m_length - m_position);
    std::memcpy(buffer, m_data + m_position, delivered);
    m_position += delivered;
    if (read)
        *read = delivered;
    return delivered == count ? S_OK : S_FALSE;
}

HRESULT CSeqStream::Write(const void* buffer, ULONG count, ULONG* written)
{
    if (!buffer)
        return STG_E_INVALIDPOINTER;
    if (written)
        *written = 0;
    if (count == 0)
        return S_OK;
    if (count > std::numeric_limits<ULONG>::max() - m_length)
        return E_OUTOFMEMORY;
    const ULONG new_length = m_length + count;
    void* grown = CoTaskMemRealloc(m_data, new_length);
    if (!grown)
        return E_OUTOFMEMORY;
    m_data = static_cast<std::uint8_t*>(grown);
    std::memcpy(m_data + m_length, buffer, count);
    m_length = new_length;
    if (written)
        *written = count;
    return S_OK;
}

bool CSeqStream::SetPosition(ULONG position)
{
    if (position > m_length)
        return false;
    m_position = position;
    return true;
}

bool CSeqStream::ClearData()
{
    CoTaskMemFree(m_data);
    m_data = nullptr;
    m_length = 0;
    m_position = 0;
    return true;
}

bool CSeqStream::EqualsData(const void* data) const
{
    if (m_length == 0)
        return true;
    return data && std::memcmp(m_data, data, m_length) == 0;
}

CSeqStream::~CSeqStream()
{
    CoTaskMemFree(m_data);
}
