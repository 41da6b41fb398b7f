#pragma once
// Little-endian byte writer and bounded reader for the sheet stream.
//
// The writer appends to a std::string; a block reserves its 4-byte length
// and patches it when closed. The reader is a window [begin, end) over bytes
// it does not own; every read checks the bytes left first and raises
// EXLStreamError naming the absolute byte offset and what was expected, so
// no count or length from the input is trusted before it is checked.

#include "xlgrid/xlerrors.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace xlgrid {

// The one error of sheet streams and sheet files; the message says where and why.
class EXLStreamError : public EXLGridError {
public:
    using EXLGridError::EXLGridError;
};

namespace detail {

// Raised when a read runs past the end of its window. Inside a cell or
// style block the reader skips to the block's end instead of failing.
class EXLTruncated : public EXLStreamError {
public:
    using EXLStreamError::EXLStreamError;
};

}  // namespace detail

class TXLBinWriter {
public:
    explicit TXLBinWriter(std::string& out) : m_out(out) {}

    void U8(uint8_t v) { m_out.push_back(static_cast<char>(v)); }
    void U16(uint16_t v) { Raw(&v, 2); }
    void I16(int16_t v) { Raw(&v, 2); }
    void I32(int32_t v) { Raw(&v, 4); }
    void U32(uint32_t v) { Raw(&v, 4); }
    void I64(int64_t v) { Raw(&v, 8); }
    void F64(double v) { Raw(&v, 8); }
    void Bytes(std::string_view b) { m_out.append(b); }
    // Length byte and characters; raises EXLStreamError above 255 bytes.
    void ShortString(std::string_view s);
    // int32 length and the bytes.
    void String32(std::string_view s);
    // A block: int32 length counting itself, then its content.
    size_t BeginBlock();
    void EndBlock(size_t start);
    size_t Size() const { return m_out.size(); }

private:
    void Raw(const void* p, size_t n)
    {
        // The host is little-endian (checked at compile time in binstream.cpp).
        m_out.append(static_cast<const char*>(p), n);
    }
    std::string& m_out;
};

class TXLBinReader {
public:
    // `origin` is the absolute offset of data[0], for messages.
    explicit TXLBinReader(std::string_view data, size_t origin = 0) : m_data(data), m_origin(origin) {}

    size_t Left() const { return m_data.size() - m_pos; }
    size_t Offset() const { return m_origin + m_pos; }
    bool AtEnd() const { return m_pos == m_data.size(); }

    uint8_t U8(const char* what) { return Fixed<uint8_t>(what); }
    uint16_t U16(const char* what) { return Fixed<uint16_t>(what); }
    int16_t I16(const char* what) { return Fixed<int16_t>(what); }
    int32_t I32(const char* what) { return Fixed<int32_t>(what); }
    uint32_t U32(const char* what) { return Fixed<uint32_t>(what); }
    int64_t I64(const char* what) { return Fixed<int64_t>(what); }
    double F64(const char* what) { return Fixed<double>(what); }
    std::string_view Bytes(size_t n, const char* what);
    std::string_view ShortString(const char* what);
    // int32 length (0 .. maxLength, and no more than the bytes left), then the bytes.
    std::string_view String32(size_t maxLength, const char* what);
    // A count of records of at least `minRecord` bytes each: checked against the bytes left.
    int32_t Count(size_t minRecord, const char* what);
    // A window over the next n bytes; this reader moves past them.
    TXLBinReader Sub(size_t n, const char* what);

    [[noreturn]] void Fail(const std::string& what) const;
    [[noreturn]] void Truncated(const char* what, size_t needed) const;

private:
    template <class T> T Fixed(const char* what)
    {
        if (Left() < sizeof(T))
            Truncated(what, sizeof(T));
        T v;
        std::memcpy(&v, m_data.data() + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return v;
    }
    std::string_view m_data;
    size_t m_pos = 0;
    size_t m_origin;
};

}  // namespace xlgrid
