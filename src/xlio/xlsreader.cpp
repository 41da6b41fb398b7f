#include "xlio/xlsreader.h"

#include "xlio/celltext.h"
#include "xlio/fileerror.h"
#include "xlio/xlsxreader.h"

#include <freexl.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace xlio {
namespace {

// The records on the pipe: a one-byte tag, then for a cell three 32-bit
// little-endian numbers (row, column, text length) and the text; for an
// error one length and the message; a lone end tag closes a complete answer.
constexpr char kCell = 'C';
constexpr char kError = 'E';
constexpr char kEnd = 'Z';

void PutU32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t GetU32(const std::string& in, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)]);
    return v;
}

bool WriteAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

const char* FreexlMessage(int code)
{
    switch (code) {
    case FREEXL_FILE_NOT_FOUND: return "the file cannot be opened";
    case FREEXL_INSUFFICIENT_MEMORY: return "not enough memory to read the workbook";
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND: return "not an xls workbook (no workbook stream)";
    case FREEXL_CRAFTED_FILE: return "the xls workbook is malformed";
    default: return "not an xls workbook or damaged";
    }
}

// Runs in the child: everything goes to the pipe, nothing returns.
[[noreturn]] void ChildRead(const std::string& path, int fd, const TReadLimits& limits)
{
    rlimit mem{limits.MaxChildMemory, limits.MaxChildMemory};
    setrlimit(RLIMIT_AS, &mem);
    rlimit cpu{limits.MaxChildSeconds, limits.MaxChildSeconds};
    setrlimit(RLIMIT_CPU, &cpu);
    rlimit core{0, 0};
    setrlimit(RLIMIT_CORE, &core);

    std::string out;
    auto fail = [&](const std::string& what) {
        out.clear();
        out += kError;
        PutU32(out, static_cast<std::uint32_t>(what.size()));
        out += what;
        WriteAll(fd, out);
        _exit(0);
    };
    try {
        const void* handle = nullptr;
        int rc = freexl_open(path.c_str(), &handle);
        if (rc != FREEXL_OK)
            fail(FreexlMessage(rc));
        unsigned int sheets = 0;
        if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0)
            fail("the workbook holds no worksheet");
        unsigned int rows = 0;
        unsigned short cols = 0;
        if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK
            || freexl_worksheet_dimensions(handle, &rows, &cols) != FREEXL_OK)
            fail("the first worksheet cannot be read");
        for (unsigned int r = 0; r < rows && r < limits.MaxRows; ++r) {
            for (unsigned int c = 0; c < cols && c < limits.MaxCols; ++c) {
                FreeXL_CellValue value;
                if (freexl_get_cell_value(handle, r, static_cast<unsigned short>(c), &value) != FREEXL_OK)
                    fail("cell " + std::to_string(c + 1) + " of row " + std::to_string(r + 1) + " cannot be read");
                std::string text;
                switch (value.type) {
                case FREEXL_CELL_INT: text = std::to_string(value.value.int_value); break;
                case FREEXL_CELL_DOUBLE: text = NumberText(value.value.double_value); break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    if (value.value.text_value)
                        text = value.value.text_value;
                    break;
                default: continue;
                }
                out += kCell;
                PutU32(out, r);
                PutU32(out, c);
                PutU32(out, static_cast<std::uint32_t>(text.size()));
                out += text;
                if (out.size() >= (1u << 16)) {
                    if (!WriteAll(fd, out))
                        _exit(1);
                    out.clear();
                }
            }
        }
        out += kEnd;
        WriteAll(fd, out);
        _exit(0);
    } catch (...) {
        fail("not enough memory to read the workbook");
    }
    _exit(1);
}

class TChild {
public:
    ~TChild()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            int status;
            while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    pid_t m_pid = -1;
    int m_fd = -1;
};

}  // namespace

Table ReadXls(const std::string& path, const TReadLimits& limits)
{
    {
        // Opens the file once in this process: a missing or oversized file
        // gets its plain message without a child.
        ReadFileBounded(path, limits.MaxArchiveBytes);
    }
    int fds[2];
    // Close-on-exec, so that a program started meanwhile by another thread
    // cannot hold the write end open and delay the end of the answer.
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw EFileError(path, "", std::string("cannot start the xls reader: ") + std::strerror(errno));
    TChild child;
    child.m_pid = ::fork();
    if (child.m_pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw EFileError(path, "", std::string("cannot start the xls reader: ") + std::strerror(errno));
    }
    if (child.m_pid == 0) {
        ::close(fds[0]);
        ChildRead(path, fds[1], limits);
    }
    ::close(fds[1]);
    child.m_fd = fds[0];

    // The wall clock bounds a child that sleeps instead of computing.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2 * limits.MaxChildSeconds + 5);
    std::string data;
    char buffer[1 << 16];
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            throw EFileError(path, "", "reading the xls workbook took too long");
        pollfd p{child.m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(child.m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        data.append(buffer, static_cast<std::size_t>(n));
        if (data.size() > limits.MaxResultBytes)
            throw EFileError(path, "", "the xls workbook yields more than " + std::to_string(limits.MaxResultBytes)
                                           + " bytes of cell text");
    }
    int status = 0;
    while (::waitpid(child.m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    child.m_pid = -1;
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        if (sig == SIGXCPU || sig == SIGKILL)
            throw EFileError(path, "", "reading the xls workbook took more than " + std::to_string(limits.MaxChildSeconds)
                                           + " seconds of processor time");
        throw EFileError(path, "", std::string("the xls reader failed on this file (") + strsignal(sig)
                                       + "); the file is damaged or not an xls workbook");
    }

    Table table;
    std::uint64_t slots = 0;
    std::size_t at = 0;
    auto damaged = [&]() { return EFileError(path, "", "the xls reader ended without a complete answer"); };
    while (true) {
        if (at >= data.size())
            throw damaged();
        const char tag = data[at++];
        if (tag == kEnd && at == data.size())
            return table;
        if (tag == kError) {
            if (data.size() - at < 4 || data.size() - at - 4 < GetU32(data, at))
                throw damaged();
            throw EFileError(path, "", data.substr(at + 4, GetU32(data, at)));
        }
        if (tag != kCell || data.size() - at < 12)
            throw damaged();
        const std::uint32_t row = GetU32(data, at), col = GetU32(data, at + 4), len = GetU32(data, at + 8);
        at += 12;
        if (row >= limits.MaxRows || col >= limits.MaxCols || data.size() - at < len)
            throw damaged();
        std::uint64_t grow = row >= table.size() ? row + 1 - table.size() : 0;
        const std::size_t width = row < table.size() ? table[row].size() : 0;
        grow += col >= width ? col + 1 - width : 0;
        if ((slots += grow) > limits.MaxCells)
            throw EFileError(path, "", "the sheet holds more than " + std::to_string(limits.MaxCells) + " cells");
        if (row >= table.size())
            table.resize(row + 1);
        if (col >= table[row].size())
            table[row].resize(col + 1);
        table[row][col] = data.substr(at, len);
        at += len;
    }
}

}  // namespace xlio
