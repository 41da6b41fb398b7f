#include "xlgrid/encoding.h"

#include <cerrno>
#include <iconv.h>

namespace xlgrid {
namespace {

// Opening a converter costs far more than converting a short text (a sheet
// file holds a million of them), so each thread keeps one per direction.
class TConverter {
public:
    TConverter(const char* from, const char* to) : m_cd(iconv_open(to, from)) {}
    ~TConverter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

std::string Convert(std::string_view in, const char* from, const char* to)
{
    if (IsAscii(in))
        return std::string(in);
    thread_local TConverter toUtf8("GB18030", "UTF-8");
    thread_local TConverter fromUtf8("UTF-8", "GB18030");
    iconv_t cd = std::string_view(from) == "GB18030" ? toUtf8.Get() : fromUtf8.Get();
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw EEncodingError(std::string("no converter from ") + from + " to " + to);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t done = 0;
    while (srcLeft > 0) {
        char* dst = out.data() + done;
        size_t dstLeft = out.size() - done;
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        done = out.size() - dstLeft;
        if (rc != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        size_t offset = in.size() - srcLeft;
        throw EEncodingError(std::string("text is not valid ") + from + " at byte " + std::to_string(offset));
    }
    out.resize(done);
    return out;
}

}  // namespace

std::string Gb18030ToUtf8(std::string_view gb) { return Convert(gb, "GB18030", "UTF-8"); }

std::string Utf8ToGb18030(std::string_view utf8) { return Convert(utf8, "UTF-8", "GB18030"); }

bool IsAscii(std::string_view text)
{
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

bool IsValidUtf8(std::string_view text)
{
    size_t i = 0, n = text.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        unsigned min;
        if ((c & 0xE0) == 0xC0) { len = 2; min = 0x80; }
        else if ((c & 0xF0) == 0xE0) { len = 3; min = 0x800; }
        else if ((c & 0xF8) == 0xF0) { len = 4; min = 0x10000; }
        else return false;
        if (i + len > n)
            return false;
        unsigned cp = c & (0x7F >> len);
        for (int k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

}  // namespace xlgrid
