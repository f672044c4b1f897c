// An in-memory ISequentialStream: large binary and text values of a bulk load
// are written into it once and read by the provider at insert time.
#pragma once

#include "platform/oledb/sequential_stream.h"

#include <atomic>
#include <cstdint>

class CSeqStream : public ISequentialStream {
public:
    CSeqStream() = default;
    CSeqStream(const CSeqStream&) = delete;
    CSeqStream& operator=(const CSeqStream&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // S_FALSE when fewer bytes than asked remain, none included.
    HRESULT Read(void* buffer, ULONG count, ULONG* read) override;
    // Appends the bytes at the end of what the stream holds.
    HRESULT Write(const void* buffer, ULONG count, ULONG* written) override;

    // False, and the position unchanged, beyond the end.
    virtual bool SetPosition(ULONG position);
    virtual bool ClearData();
    // Whether `data` starts with the bytes the stream holds.
    virtual bool EqualsData(const void* data) const;
    virtual ULONG GetLength() const { return m_length; }
    virtual void* GetData() const { return m_data; }

protected:
    // Ends through its last Release.
    ~CSeqStream() override;

private:
    std::atomic<ULONG> m_references{1};
    std::uint8_t* m_data = nullptr;
    ULONG m_length = 0;
    ULONG m_position = 0;
};
