#include "app/browse.h"

#include "engine/textrules.h"
#include "xlgrid/cell.h"
#include "xlgrid/sheetstream.h"
#include "xlgridui/xldesignerio.h"

#include <QFile>
#include <QFileInfo>

#include <exception>
#include <stdexcept>

namespace app {

// ---- the search ----------------------------------------------------------------

namespace {

// The cell's text, trimmed; text cells are read in place.
std::string_view TrimmedText(const xlgrid::TXLSheet& sheet, int col, int row, std::string& scratch)
{
    const xlgrid::TXLCell* cell = sheet.FindCell(col, row);
    if (!cell)
        return {};
    if (&cell->CellClass() == &xlgrid::TXLCString::Class())
        return engine::TrimBlanks(static_cast<const xlgrid::TXLCString*>(cell)->Str());
    scratch = cell->AsString();
    return engine::TrimBlanks(scratch);
}

}  // namespace

std::string_view TStudentSearch::TColumn::Row(int r) const
{
    const std::uint32_t begin = r == 0 ? 0 : Ends[std::size_t(r - 1)];
    return std::string_view(Texts).substr(begin, Ends[std::size_t(r)] - begin);
}

TStudentSearch::TStudentSearch(const xlgrid::TXLSheet& sheet, int nameCol, int idCol) : m_rows(sheet.RowCount())
{
    std::string scratch;
    for (TColumn* column : {&m_name, &m_id}) {
        column->Col = column == &m_name ? nameCol : idCol;
        if (column->Col < 0)
            continue;
        column->Ends.reserve(std::size_t(m_rows));
        for (int r = 0; r < m_rows; ++r) {
            column->Texts += TrimmedText(sheet, column->Col, r, scratch);
            column->Ends.push_back(std::uint32_t(column->Texts.size()));
        }
    }
}

std::optional<TFoundCell> TStudentSearch::Find(const QString& text) const
{
    // Both sides are UTF-8, in which a substring match starts and ends on
    // whole characters exactly as in UTF-16. A character the key cannot
    // hold (half of a surrogate pair) becomes U+FFFD, which matches nothing.
    const std::string utf8 = text.toStdString();
    const std::string_view key = engine::TrimBlanks(utf8);
    if (key.empty())
        return std::nullopt;
    for (int r = 0; r < m_rows; ++r) {
        if (m_name.Col >= 0 && m_name.Row(r).find(key) != std::string_view::npos)
            return TFoundCell{r, m_name.Col};
        if (m_id.Col >= 0 && m_id.Row(r).find(key) != std::string_view::npos)
            return TFoundCell{r, m_id.Col};
    }
    return std::nullopt;
}

// ---- a roster file -------------------------------------------------------------

bool ImportRosterFile(xlgrid::TXLSheet& sheet, const QString& file, QString& error)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    try {
        if (suffix == QLatin1String("csv"))
            xlgridui::ImportCsvFile(sheet, file);
        else if (suffix == QLatin1String("xlsx") || suffix == QLatin1String("xls"))
            xlgridui::ImportWorkbookFile(sheet, file);
        else if (suffix == QLatin1String("xlf"))
            xlgrid::LoadSheetFromFile(sheet, QFile::encodeName(file).toStdString());
        else
            throw std::runtime_error("名册须为 .xlsx、.xls、.csv 或 .xlf 文件");
        return true;
    } catch (const std::exception& e) {
        error = QStringLiteral("无法导入文件 %1：\n%2").arg(file, QString::fromUtf8(e.what()));
        return false;
    }
}

}  // namespace app
