#include "xlio/compoundfile.h"

#include "xlio/fileerror.h"

#include <gsf/gsf-infile-impl.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <strings.h>

namespace xlio::detail {
namespace {

// libgsf reports what it finds wrong in a damaged container on stderr as well
// as to its caller; the caller's message is the one the user sees.
void QuietLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void InitGsf()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // Its failed checks of a damaged file (criticals) return an error as well.
        const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING
                                                        | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG);
        for (const char* domain : {"libgsf", "libgsf:msole"})
            g_log_set_handler(domain, levels, QuietLog, nullptr);
    });
}

struct TUnref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <class T>
using TRef = std::unique_ptr<T, TUnref>;

// The error's text, and the error freed.
std::string TakeMessage(GError*& error)
{
    const std::string why = error && error->message ? error->message : "unreadable";
    if (error)
        g_error_free(error);
    error = nullptr;
    return why;
}

}  // namespace

std::string ReadWorkbookStream(std::string_view file, const std::string& name, const TReadLimits& limits)
{
    if (file.size() > limits.MaxArchiveBytes)
        throw EFileError(name, "", "the file is larger than " + std::to_string(limits.MaxArchiveBytes) + " bytes");
    static constexpr unsigned char kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (file.size() < sizeof kSignature || file.compare(0, sizeof kSignature,
                                                        std::string_view(reinterpret_cast<const char*>(kSignature),
                                                                         sizeof kSignature)) != 0) {
        if (file.substr(0, 4) == std::string_view("PK\3\4", 4))
            throw EFileError(name, "", "not an xls workbook but a zip archive, probably an xlsx workbook named .xls; "
                                       "rename it to .xlsx");
        throw EFileError(name, "", "not an xls workbook (no OLE2 compound file)");
    }
    InitGsf();
    TRef<GsfInput> input(gsf_input_memory_new(reinterpret_cast<const guint8*>(file.data()),
                                              static_cast<gsf_off_t>(file.size()), FALSE));
    if (!input)
        throw EFileError(name, "", "not enough memory to open the compound file");
    GError* error = nullptr;
    TRef<GsfInfile> container(gsf_infile_msole_new(input.get(), &error));
    if (!container)
        throw EFileError(name, "", "not an xls workbook or damaged (the compound file cannot be read: "
                                       + TakeMessage(error) + ")");
    // Stream names compare without regard to case in a compound file.
    int workbook = -1, book = -1;
    const int count = gsf_infile_num_children(container.get());
    for (int i = 0; i < count; ++i) {
        const char* child = gsf_infile_name_by_index(container.get(), i);
        if (!child)
            continue;
        if (strcasecmp(child, "Workbook") == 0 && workbook < 0)
            workbook = i;
        else if (strcasecmp(child, "Book") == 0 && book < 0)
            book = i;  // Excel 5.0/95
    }
    if (workbook < 0)
        workbook = book;
    if (workbook < 0)
        throw EFileError(name, "", "not an xls workbook (the compound file holds no workbook stream)");
    // Through the class, not gsf_infile_child_by_index: that one also prints
    // the failure on stderr; here it becomes part of the message.
    auto* infileClass = reinterpret_cast<GsfInfileClass*>(G_OBJECT_GET_CLASS(container.get()));
    TRef<GsfInput> stream(infileClass->child_by_index(container.get(), workbook, &error));
    if (!stream || error)
        throw EFileError(name, "", "the workbook stream cannot be opened (" + TakeMessage(error)
                                       + "); the file is damaged");
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || static_cast<std::uint64_t>(size) > file.size())
        throw EFileError(name, "", "the workbook stream claims more bytes than the file holds; the file is damaged");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1 << 16);
        if (!gsf_input_read(stream.get(), chunk, reinterpret_cast<guint8*>(bytes.data() + done)))
            throw EFileError(name, "workbook stream, byte " + std::to_string(done),
                             "the stream cannot be read; the file is damaged or truncated");
        done += chunk;
    }
    return bytes;
}

}  // namespace xlio::detail
