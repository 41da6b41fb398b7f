#include "engine/atomicfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>
#include <unistd.h>

namespace engine {
namespace {

std::string Reason(int err) { return std::strerror(err); }

class TFd {
public:
    explicit TFd(int fd) : m_fd(fd) {}
    ~TFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return m_fd; }
    int Release()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

}  // namespace

void WriteFileAtomic(const std::filesystem::path& target, std::string_view bytes)
{
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string pattern = (folder / (std::string(".") + target.filename().string() + ".XXXXXX")).string();
    int raw = ::mkstemp(pattern.data());
    if (raw < 0)
        throw EFileError("cannot create a file in " + folder.string() + ": " + Reason(errno));
    TFd fd(raw);
    auto fail = [&](const std::string& what) {
        int err = errno;
        ::unlink(pattern.c_str());
        throw EFileError(what + " " + target.string() + ": " + Reason(err));
    };
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd.Get(), p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot write");
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    // mkstemp creates the file readable by its owner only; a saved file gets
    // the usual permissions.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd.Get(), 0666 & ~mask);
    if (::fsync(fd.Get()) != 0)
        fail("cannot write");
    if (::close(fd.Release()) != 0)
        fail("cannot write");
    if (::rename(pattern.c_str(), target.c_str()) != 0)
        fail("cannot create");
}

std::string ReadFileBounded(const std::filesystem::path& file, std::size_t maxBytes)
{
    TFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        throw EFileError("cannot open " + file.string() + ": " + Reason(errno));
    std::string out;
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd.Get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EFileError("cannot read " + file.string() + ": " + Reason(errno));
        }
        if (n == 0)
            break;
        if (out.size() + static_cast<size_t>(n) > maxBytes)
            throw EFileError(file.string() + " is larger than " + std::to_string(maxBytes) +
                             " bytes, more than this program accepts");
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

}  // namespace engine
