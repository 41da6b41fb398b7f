#include "ziptestutil.h"

#include <zip.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace xlio::test {

std::string TempPath(const std::string& name)
{
    static std::atomic<int> counter{0};
    const auto dir = std::filesystem::temp_directory_path()
                     / ("xlio_tests_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return (dir / (std::to_string(counter++) + "_" + name)).string();
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string MakeZip(const TEntries& entries)
{
    const std::string path = TempPath("archive.zip");
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        throw std::runtime_error("cannot create test zip");
    for (const auto& [name, data] : entries) {
        zip_source_t* src = zip_source_buffer(zip, data.data(), data.size(), 0);
        if (!src || zip_file_add(zip, name.c_str(), src, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(src);
            zip_discard(zip);
            throw std::runtime_error("cannot add test zip entry " + name);
        }
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        throw std::runtime_error("cannot write test zip");
    }
    std::string bytes = ReadAll(path);
    std::filesystem::remove(path);
    return bytes;
}

TEntries XlsxParts(const std::string& sheetData, const std::string& sharedStrings, const std::string& styles)
{
    const std::string ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const std::string relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    TEntries parts;
    parts.emplace_back("[Content_Types].xml", "<?xml version=\"1.0\"?><Types/>");
    parts.emplace_back("_rels/.rels",
                       "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
                       "2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + relNs
                           + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    parts.emplace_back("xl/workbook.xml", "<?xml version=\"1.0\"?><workbook " + ns
                                              + "><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>"
                                                "</sheets></workbook>");
    std::string rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
                       "2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + relNs
                       + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>";
    if (!sharedStrings.empty())
        rels += "<Relationship Id=\"rId2\" Type=\"" + relNs + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    if (!styles.empty())
        rels += "<Relationship Id=\"rId3\" Type=\"" + relNs + "/styles\" Target=\"styles.xml\"/>";
    rels += "</Relationships>";
    parts.emplace_back("xl/_rels/workbook.xml.rels", rels);
    parts.emplace_back("xl/worksheets/sheet1.xml", "<?xml version=\"1.0\"?><worksheet " + ns + "><sheetData>"
                                                       + sheetData + "</sheetData></worksheet>");
    if (!sharedStrings.empty())
        parts.emplace_back("xl/sharedStrings.xml",
                           "<?xml version=\"1.0\"?><sst " + ns + ">" + sharedStrings + "</sst>");
    if (!styles.empty())
        parts.emplace_back("xl/styles.xml", "<?xml version=\"1.0\"?><styleSheet " + ns + ">" + styles
                                                + "</styleSheet>");
    return parts;
}

std::string MakeXlsx(const std::string& sheetData, const std::string& sharedStrings, const std::string& styles)
{
    return MakeZip(XlsxParts(sheetData, sharedStrings, styles));
}

}  // namespace xlio::test
