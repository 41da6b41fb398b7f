#include "xlgrid/atomicfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace xlgrid {

namespace {

[[noreturn]] void FileError(const std::string& action, const std::string& path, int err)
{
    throw EXLStreamError("Cannot " + action + " \"" + path + "\": " + std::strerror(err));
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Removes the temporary file unless the save completed.
struct TempGuard {
    std::string path;
    int fd = -1;
    bool done = false;
    ~TempGuard()
    {
        if (fd >= 0)
            ::close(fd);
        if (!done && !path.empty())
            ::unlink(path.c_str());
    }
};

}  // namespace

void WriteFileAtomic(const std::string& path, std::string_view data, const TXLWriteProgress& progress, size_t chunk)
{
    if (path.empty())
        throw EXLStreamError("Cannot save: no file name given");
    if (chunk == 0)
        chunk = 1 << 20;
    TempGuard temp;
    temp.path = path + ".XXXXXX";
    temp.fd = ::mkstemp(temp.path.data());
    if (temp.fd < 0) {
        int err = errno;
        temp.path.clear();
        FileError("create a temporary file beside", path, err);
    }
    // Keep the permissions of the file we replace; a new file gets the usual ones.
    struct stat st {};
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(temp.fd, mode) != 0)
        FileError("set the permissions of the temporary file for", path, errno);

    size_t done = 0;
    while (done < data.size()) {
        size_t n = std::min(chunk, data.size() - done);
        ssize_t w = ::write(temp.fd, data.data() + done, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            FileError("write", path, errno);
        }
        if (w == 0)
            FileError("write", path, ENOSPC);
        done += static_cast<size_t>(w);
        if (progress)
            progress(done, data.size());
    }
    if (::fsync(temp.fd) != 0)
        FileError("flush", path, errno);
    int fd = temp.fd;
    temp.fd = -1;
    if (::close(fd) != 0)
        FileError("close", path, errno);
    if (::rename(temp.path.c_str(), path.c_str()) != 0)
        FileError("replace", path, errno);
    temp.done = true;
    // The rename itself must reach the disk too.
    int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

std::string ReadWholeFile(const std::string& path, size_t maxSize)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        FileError("open", path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        FileError("read", path, errno);
    if (!S_ISREG(st.st_mode))
        throw EXLStreamError("Cannot open \"" + path + "\": not a regular file");
    if (static_cast<uint64_t>(st.st_size) > maxSize)
        throw EXLStreamError("Cannot open \"" + path + "\": the file has " + std::to_string(st.st_size) +
                             " bytes, more than the limit of " + std::to_string(maxSize));
    std::string data;
    data.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < data.size()) {
        ssize_t r = ::read(fd, data.data() + done, data.size() - done);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            FileError("read", path, errno);
        }
        if (r == 0)
            break;  // the file shrank while we read it
        done += static_cast<size_t>(r);
    }
    data.resize(done);
    return data;
}

}  // namespace xlgrid
