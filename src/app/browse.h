#pragma once
// Browsing the result: the student search over a grade or class sheet, and
// a roster file brought in as the designer's import brings it.

#include "xlgrid/sheet.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// Where the search found a student: the row and the column (name or number).
struct TFoundCell {
    int Row = 0;
    int Col = 0;
};

// The search over one grade or class sheet: rows from the top, in each row
// the name and then (when idCol is not -1) the number; a match is equality
// or containment of the trimmed texts, character for character, case as
// written, never inside a character.
//
// The trimmed names and numbers of the sheet are copied once into two text
// buffers with row offsets (about 20 bytes a student), so a keystroke on a
// grade of 100,000 students scans memory instead of looking up 200,000
// cells. Result sheets never change after they are built.
class TStudentSearch {
public:
    TStudentSearch() = default;
    TStudentSearch(const xlgrid::TXLSheet& sheet, int nameCol, int idCol);
    std::optional<TFoundCell> Find(const QString& text) const;

private:
    struct TColumn {
        int Col = -1;
        std::string Texts;
        std::vector<std::uint32_t> Ends;  // Texts of row r: [Ends[r-1], Ends[r])
        std::string_view Row(int r) const;
    };
    TColumn m_name, m_id;
    int m_rows = 0;
};

// Brings a roster file into the sheet as the designer does: a workbook
// (.xlsx, .xls) or CSV file through its imports, a sheet file (.xlf) as it
// opens one. On failure the sheet is unchanged and the message names the file.
bool ImportRosterFile(xlgrid::TXLSheet& sheet, const QString& file, QString& error);

}  // namespace app
