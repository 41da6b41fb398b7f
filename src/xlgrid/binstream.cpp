#include "xlgrid/binstream.h"

#include <bit>

namespace xlgrid {

static_assert(std::endian::native == std::endian::little, "the sheet stream writer assumes a little-endian host");

void TXLBinWriter::ShortString(std::string_view s)
{
    if (s.size() > 255)
        throw EXLStreamError("Cannot write the name \"" + std::string(s.substr(0, 40)) +
                             "...\": a short string holds at most 255 bytes");
    U8(static_cast<uint8_t>(s.size()));
    Bytes(s);
}

void TXLBinWriter::String32(std::string_view s)
{
    if (s.size() > 0x7FFFFFFF)
        throw EXLStreamError("Cannot write a text of more than 2 GB");
    I32(static_cast<int32_t>(s.size()));
    Bytes(s);
}

size_t TXLBinWriter::BeginBlock()
{
    size_t start = m_out.size();
    I32(0);
    return start;
}

void TXLBinWriter::EndBlock(size_t start)
{
    size_t len = m_out.size() - start;
    if (len > 0x7FFFFFFF)
        throw EXLStreamError("Cannot write a block of more than 2 GB");
    int32_t v = static_cast<int32_t>(len);
    std::memcpy(m_out.data() + start, &v, 4);
}

void TXLBinReader::Fail(const std::string& what) const
{
    throw EXLStreamError("Damaged sheet stream at byte " + std::to_string(Offset()) + ": " + what);
}

void TXLBinReader::Truncated(const char* what, size_t needed) const
{
    throw detail::EXLTruncated("Damaged sheet stream at byte " + std::to_string(Offset()) + ": " + what +
                               " needs " + std::to_string(needed) + " bytes, " + std::to_string(Left()) +
                               " left");
}

std::string_view TXLBinReader::Bytes(size_t n, const char* what)
{
    if (Left() < n)
        Truncated(what, n);
    std::string_view v = m_data.substr(m_pos, n);
    m_pos += n;
    return v;
}

std::string_view TXLBinReader::ShortString(const char* what)
{
    size_t n = U8(what);
    return Bytes(n, what);
}

std::string_view TXLBinReader::String32(size_t maxLength, const char* what)
{
    int32_t n = I32(what);
    if (n < 0)
        Fail(std::string(what) + " has a negative length " + std::to_string(n));
    if (static_cast<size_t>(n) > maxLength)
        Fail(std::string(what) + " of " + std::to_string(n) + " bytes exceeds the limit of " +
             std::to_string(maxLength));
    return Bytes(static_cast<size_t>(n), what);
}

int32_t TXLBinReader::Count(size_t minRecord, const char* what)
{
    int32_t n = I32(what);
    if (n < 0)
        Fail(std::string(what) + " is negative (" + std::to_string(n) + ")");
    if (minRecord > 0 && static_cast<uint64_t>(n) * minRecord > Left())
        Truncated(what, static_cast<size_t>(static_cast<uint64_t>(n) * minRecord));
    return n;
}

TXLBinReader TXLBinReader::Sub(size_t n, const char* what)
{
    size_t origin = Offset();
    std::string_view bytes = Bytes(n, what);
    return TXLBinReader(bytes, origin);
}

}  // namespace xlgrid
