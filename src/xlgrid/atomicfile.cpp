#include "xlgrid/atomicfile.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace xlgrid {

namespace {

std::string Compose(const std::string& action, const std::string& path, const std::string& reason)
{
    return "Cannot " + action + (path.empty() ? "" : " \"" + path + "\"") + ": " + reason;
}

[[noreturn]] void FileError(const std::string& action, const std::string& path, int err)
{
    throw EXLFileError(action, path, std::strerror(err));
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// "folder/.~fenban." for a hidden temporary name beside the target; it does
// not grow with the target's name, so a name as long as the folder allows
// can still be saved.
std::string HiddenBeside(const std::string& path)
{
    size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".~fenban.";
}

// The permissions of the file we replace; a new file gets the usual ones.
mode_t ModeFor(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return st.st_mode & 07777;
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Six characters for a temporary name; uniqueness is checked by the caller.
std::string Suffix(unsigned attempt)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    seed ^= static_cast<unsigned long long>(::getpid()) << 32;
    seed += attempt * 0x9E3779B97F4A7C15ull;
    std::string s;
    for (int i = 0; i < 6; ++i) {
        seed ^= seed >> 29;
        seed *= 0xBF58476D1CE4E5B9ull;
        s += letters[seed % (sizeof letters - 1)];
    }
    return s;
}

void SyncFolderOf(const std::string& path)
{
    int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace

EXLFileError::EXLFileError(std::string action, std::string path, std::string reason)
    : EXLStreamError(Compose(action, path, reason)), m_action(std::move(action)), m_path(std::move(path)),
      m_reason(std::move(reason))
{
}

TXLAtomicFile::TXLAtomicFile(std::string target) : m_target(std::move(target))
{
    if (m_target.empty())
        throw EXLFileError("save", "", "no file name given");
    struct stat st {};
    if (::stat(m_target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw EXLFileError("save", m_target, "it is a folder, not a file");
    const mode_t mode = ModeFor(m_target);
    // An unnamed file first: nothing is left behind if the process dies.
    m_fd = ::open(FolderOf(m_target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd >= 0) {
        m_tempPath = "/proc/self/fd/" + std::to_string(m_fd);
        // Without /proc the file could neither be named nor written by path.
        if (::access(m_tempPath.c_str(), W_OK) != 0) {
            ::close(m_fd);
            m_fd = -1;
            m_tempPath.clear();
        }
    } else if (int err = errno; err != EOPNOTSUPP && err != EISDIR && err != EINVAL) {
        throw EXLFileError("save", m_target,
                           std::string("no temporary file can be made in its folder: ") + std::strerror(err));
    }
    if (m_fd < 0) {
        m_namedPath = HiddenBeside(m_target) + "XXXXXX";
        m_fd = ::mkstemp(m_namedPath.data());
        if (m_fd < 0) {
            int err = errno;
            m_namedPath.clear();
            throw EXLFileError("save", m_target,
                               std::string("no temporary file can be made in its folder: ") + std::strerror(err));
        }
        m_tempPath = m_namedPath;
    }
    if (::fchmod(m_fd, mode) != 0) {
        int err = errno;
        Discard();
        throw EXLFileError("save", m_target,
                           std::string("the temporary file's permissions cannot be set: ") + std::strerror(err));
    }
}

TXLAtomicFile::TXLAtomicFile(TXLAtomicFile&& other) noexcept
    : m_target(std::move(other.m_target)), m_tempPath(std::move(other.m_tempPath)),
      m_namedPath(std::move(other.m_namedPath)), m_fd(other.m_fd), m_finished(other.m_finished),
      m_committed(other.m_committed)
{
    other.m_fd = -1;
    other.m_namedPath.clear();
    other.m_committed = true;
}

TXLAtomicFile::~TXLAtomicFile()
{
    if (!m_committed)
        Discard();
}

void TXLAtomicFile::Discard() noexcept
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_namedPath.empty())
        ::unlink(m_namedPath.c_str());
    m_namedPath.clear();
}

void TXLAtomicFile::Write(std::string_view data, const TXLWriteProgress& progress, size_t chunk)
{
    if (chunk == 0)
        chunk = 1 << 20;
    size_t done = 0;
    while (done < data.size()) {
        size_t n = std::min(chunk, data.size() - done);
        ssize_t w = ::write(m_fd, data.data() + done, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            FileError("write", m_target, errno);
        }
        if (w == 0)
            FileError("write", m_target, ENOSPC);
        done += static_cast<size_t>(w);
        if (progress)
            progress(done, data.size());
    }
}

void TXLAtomicFile::Finish()
{
    if (m_finished)
        return;
    if (::fsync(m_fd) != 0)
        FileError("flush", m_target, errno);
    // An unnamed file lives only as long as its descriptor; it is closed once named.
    if (m_tempPath == m_namedPath) {
        int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            FileError("close", m_target, errno);
    }
    m_finished = true;
}

void TXLAtomicFile::Park()
{
    Finish();
    if (m_namedPath.empty()) {
        for (unsigned attempt = 0; m_namedPath.empty(); ++attempt) {
            std::string name = HiddenBeside(m_target) + Suffix(attempt);
            if (::linkat(AT_FDCWD, m_tempPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                m_namedPath = name;
            else if (errno != EEXIST || attempt >= 100)
                FileError("replace", m_target, errno);
        }
        m_tempPath = m_namedPath;
        int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            FileError("close", m_target, errno);
    }
}

void TXLAtomicFile::Commit()
{
    Park();
    if (::rename(m_namedPath.c_str(), m_target.c_str()) != 0)
        FileError("replace", m_target, errno);
    m_namedPath.clear();
    m_committed = true;
    // The rename itself must reach the disk too.
    SyncFolderOf(m_target);
}

void CommitAll(std::vector<TXLAtomicFile>& files)
{
    for (TXLAtomicFile& f : files)
        f.Finish();
    for (TXLAtomicFile& f : files)
        f.Commit();
}

void WriteFileAtomic(const std::string& path, std::string_view data, const TXLWriteProgress& progress, size_t chunk)
{
    TXLAtomicFile file(path);
    file.Write(data, progress, chunk);
    file.Commit();
}

std::string ReadWholeFile(const std::string& path, size_t maxSize)
{
    // Non-blocking, so that a FIFO without a writer cannot hold the open;
    // what is not a regular file is refused before a byte is read.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        FileError("open", path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    auto tooLarge = [&]() {
        throw EXLFileError("open", path, "the file is larger than " + std::to_string(maxSize) + " bytes");
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        FileError("read", path, errno);
    if (S_ISDIR(st.st_mode))
        throw EXLFileError("open", path, "it is a folder, not a file");
    if (!S_ISREG(st.st_mode))
        throw EXLFileError("open", path,
                           S_ISFIFO(st.st_mode) ? "it is a pipe, not a file" : "it is a device or socket, not a file");
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        FileError("read", path, errno);
    // The size the file claims is only a hint (it may grow while it is
    // read); the bound holds for what is read.
    if (static_cast<uint64_t>(st.st_size) > maxSize)
        tooLarge();
    std::string data;
    data.reserve(static_cast<size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        ssize_t r = ::read(fd, buffer, sizeof buffer);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            FileError("read", path, errno);
        }
        if (r == 0)
            break;
        if (static_cast<size_t>(r) > maxSize - data.size())
            tooLarge();
        data.append(buffer, static_cast<size_t>(r));
    }
    return data;
}

}  // namespace xlgrid
