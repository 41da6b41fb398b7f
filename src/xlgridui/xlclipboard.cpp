#include "xlgridui/xlclipboard.h"

#include "xlgrid/encoding.h"
#include "xlgrid/range.h"
#include "xlgrid/sheetstream.h"

#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QMimeData>

#include <algorithm>
#include <cctype>
#include <vector>

namespace xlgridui {

using namespace xlgrid;

namespace {

// The rectangle clipped to the section's cells.
TXLRect ClipToSection(const TXLSheet& sheet, TXLSectionKind section, const TXLRect& rect)
{
    const TXLSection& s = sheet.Section(section);
    return rect.Intersect({0, 0, s.ColCount(), s.RowCount()});
}

// The display text of a local position; empty inside a merged block but at its anchor.
std::string TextAt(const TXLSection& section, int col, int row)
{
    if (const TXLUnion* u = section.UnionAt(col, row))
        if (u->Rect.Left != col || u->Rect.Top != row)
            return {};
    const TXLCell* cell = section.Find(col, row);
    return cell ? cell->Text() : std::string();
}

bool NeedsQuotes(const std::string& field)
{
    return field.find_first_of("\t\r\n\"") != std::string::npos;
}

void AppendTsvField(std::string& out, const std::string& field)
{
    if (!NeedsQuotes(field)) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void AppendHtmlText(std::string& out, const std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "<br>";
            break;
        case '\n': out += "<br>"; break;
        default: out += c;
        }
    }
}

void CheckCells(const xlio::Table& table, size_t extra, const TXLTableLimits& limits, size_t& cells)
{
    cells += extra;
    if (cells > limits.MaxCells)
        throw EXLClipboardError("剪贴板上的表格太大，超过 " + std::to_string(limits.MaxCells) + " 个单元格，无法粘贴。");
    if (!table.empty() && table.back().size() > limits.MaxCols)
        throw EXLClipboardError("剪贴板上的表格超过 " + std::to_string(limits.MaxCols) + " 列，无法粘贴。");
}

void CheckBytes(std::string_view text, const TXLTableLimits& limits)
{
    if (text.size() > limits.MaxBytes)
        throw EXLClipboardError("剪贴板上的数据太大，无法粘贴。");
}

// ---- HTML ----

bool IEquals(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

size_t IFind(std::string_view text, std::string_view what, size_t from)
{
    if (what.empty() || text.size() < what.size())
        return std::string_view::npos;
    for (size_t i = from; i + what.size() <= text.size(); ++i)
        if (IEquals(text.substr(i, what.size()), what))
            return i;
    return std::string_view::npos;
}

// Decodes the entity at text[i] == '&'; returns the characters consumed.
size_t DecodeEntity(std::string_view text, size_t i, std::string& out)
{
    size_t end = text.find(';', i);
    if (end == std::string_view::npos || end - i > 10) {
        out += '&';
        return 1;
    }
    std::string_view name = text.substr(i + 1, end - i - 1);
    static const std::pair<const char*, const char*> named[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "},
    };
    for (const auto& [n, v] : named)
        if (name == n) {
            out += v;
            return end - i + 1;
        }
    if (name.size() > 1 && name[0] == '#') {
        uint32_t cp = 0;
        bool hex = name[1] == 'x' || name[1] == 'X';
        std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty()) {
            out += '&';
            return 1;
        }
        for (char c : digits) {
            int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                    : (hex && std::isxdigit(static_cast<unsigned char>(c))) ? std::tolower(c) - 'a' + 10
                                                                            : -1;
            if (d < 0) {
                out += '&';
                return 1;
            }
            cp = std::min<uint32_t>(cp * (hex ? 16 : 10) + static_cast<uint32_t>(d), 0x110000);
        }
        xlgrid::AppendUtf8(out, cp == 0 ? 0xFFFD : cp);  // no NUL inside a cell's text
        return end - i + 1;
    }
    out += '&';
    return 1;
}

struct HtmlTag {
    std::string Name;  // lower case
    bool Closing = false;
    std::string_view Attributes;
};

HtmlTag ParseTag(std::string_view tag)
{
    HtmlTag t;
    size_t i = 0;
    if (i < tag.size() && tag[i] == '/') {
        t.Closing = true;
        ++i;
    }
    while (i < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[i])) || tag[i] == ':'))
        t.Name += static_cast<char>(std::tolower(static_cast<unsigned char>(tag[i++])));
    t.Attributes = tag.substr(i);
    return t;
}

// An integer attribute such as colspan="3"; 1 when absent or odd.
int SpanAttribute(std::string_view attrs, std::string_view name, int max)
{
    size_t p = IFind(attrs, name, 0);
    while (p != std::string_view::npos) {
        size_t q = p + name.size();
        while (q < attrs.size() && attrs[q] == ' ')
            ++q;
        if (q < attrs.size() && attrs[q] == '=') {
            ++q;
            while (q < attrs.size() && (attrs[q] == ' ' || attrs[q] == '"' || attrs[q] == '\''))
                ++q;
            int v = 0;
            while (q < attrs.size() && std::isdigit(static_cast<unsigned char>(attrs[q])) && v <= max)
                v = v * 10 + (attrs[q++] - '0');
            return std::clamp(v, 1, max);
        }
        p = IFind(attrs, name, p + 1);
    }
    return 1;
}

// Collapses white space as a browser shows it; explicit breaks are '\n'.
std::string CollapseSpace(const std::string& raw)
{
    std::string out;
    bool space = false;
    for (char c : raw) {
        if (c == '\n') {
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            out += '\n';
            space = false;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            space = true;
        } else {
            if (space && !out.empty() && out.back() != '\n')
                out += ' ';
            space = false;
            out += c;
        }
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    size_t first = out.find_first_not_of("\n ");
    return first == std::string::npos ? std::string() : out.substr(first);
}

}  // namespace

// ---- copying ----

std::string CopyRangeToStream(const TXLSheet& sheet, TXLSectionKind section, const TXLRect& rect)
{
    const TXLRect r = ClipToSection(sheet, section, rect);
    TXLSheet clip;
    clip.SetStyler(sheet.Styler());
    clip.SetBaseClientStyle(sheet.BaseClientStyle());
    clip.SetTitleCols(0);
    clip.SetTitleRows(0);
    clip.SetColCount(r.Width());
    clip.SetRowCount(r.Height());
    const TXLSection& src = sheet.Section(section);
    for (int row = r.Top; row < r.Bottom; ++row)
        for (int col = r.Left; col < r.Right; ++col) {
            // A merged block is copied once, at the top-left of the part copied.
            if (const TXLUnion* u = src.UnionAt(col, row)) {
                const TXLRect part = u->Rect.Intersect(r);
                if (col != part.Left || row != part.Top)
                    continue;
            } else if (!src.Find(col, row)) {
                continue;
            }
            TXLSheet::CopyCell(sheet, src.SheetCol(col), src.SheetRow(row), clip, col - r.Left, row - r.Top);
        }
    TXLSection& dst = clip.Section(skClient);
    for (const TXLUnion& u : src.Unions()) {
        TXLRect part = u.Rect.Intersect(r);
        if (part.IsEmpty() || (part.Width() == 1 && part.Height() == 1))
            continue;
        MergeSectionRect(dst, {part.Left - r.Left, part.Top - r.Top, part.Right - r.Left, part.Bottom - r.Top});
    }
    return SaveSheetToString(clip);
}

std::string RangeToTsv(const TXLSheet& sheet, TXLSectionKind section, const TXLRect& rect)
{
    const TXLRect r = ClipToSection(sheet, section, rect);
    const TXLSection& s = sheet.Section(section);
    std::string out;
    for (int row = r.Top; row < r.Bottom; ++row) {
        for (int col = r.Left; col < r.Right; ++col) {
            if (col > r.Left)
                out += '\t';
            AppendTsvField(out, TextAt(s, col, row));
        }
        out += '\n';
    }
    return out;
}

std::string RangeToHtml(const TXLSheet& sheet, TXLSectionKind section, const TXLRect& rect)
{
    const TXLRect r = ClipToSection(sheet, section, rect);
    const TXLSection& s = sheet.Section(section);
    std::string out = "<html><head><meta charset=\"utf-8\"></head><body><table border=\"1\" cellspacing=\"0\">\n";
    for (int row = r.Top; row < r.Bottom; ++row) {
        out += "<tr>";
        for (int col = r.Left; col < r.Right; ++col) {
            const TXLUnion* u = s.UnionAt(col, row);
            TXLRect span{col, row, col + 1, row + 1};
            if (u) {
                span = u->Rect.Intersect(r);
                // Covered by a block whose visible top-left lies elsewhere.
                if (span.Left != col || span.Top != row)
                    continue;
            }
            out += "<td";
            if (span.Width() > 1)
                out += " colspan=\"" + std::to_string(span.Width()) + "\"";
            if (span.Height() > 1)
                out += " rowspan=\"" + std::to_string(span.Height()) + "\"";
            out += '>';
            const int ac = u ? u->Rect.Left : col, ar = u ? u->Rect.Top : row;
            if (const TXLCell* cell = s.Find(ac, ar))
                AppendHtmlText(out, cell->Text());
            out += "</td>";
        }
        out += "</tr>\n";
    }
    out += "</table></body></html>\n";
    return out;
}

// ---- parsing text from other programs ----

xlio::Table ParseTsv(std::string_view text, const TXLTableLimits& limits)
{
    CheckBytes(text, limits);
    xlio::Table table;
    size_t cells = 0;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        table.emplace_back();
        std::vector<std::string>& row = table.back();
        for (;;) {
            std::string field;
            if (i < n && text[i] == '"') {
                // A quoted field runs to the quote that is not doubled.
                size_t j = i + 1;
                bool closed = false;
                while (j < n) {
                    if (text[j] == '"') {
                        if (j + 1 < n && text[j + 1] == '"') {
                            field += '"';
                            j += 2;
                            continue;
                        }
                        closed = true;
                        ++j;
                        break;
                    }
                    field += text[j++];
                }
                if (closed) {
                    i = j;
                    // Text after the closing quote belongs to the field as it stands.
                    while (i < n && text[i] != '\t' && text[i] != '\n' && text[i] != '\r')
                        field += text[i++];
                } else {
                    // No closing quote: the quote was an ordinary character.
                    field.clear();
                    while (i < n && text[i] != '\t' && text[i] != '\n' && text[i] != '\r')
                        field += text[i++];
                }
            } else {
                while (i < n && text[i] != '\t' && text[i] != '\n' && text[i] != '\r')
                    field += text[i++];
            }
            row.push_back(std::move(field));
            CheckCells(table, 1, limits, cells);
            if (i < n && text[i] == '\t') {
                ++i;
                continue;
            }
            break;
        }
        if (i < n && text[i] == '\r')
            ++i;
        if (i < n && text[i] == '\n')
            ++i;
    }
    return table;
}

xlio::Table ParseHtmlTable(std::string_view html, const TXLTableLimits& limits)
{
    CheckBytes(html, limits);
    xlio::Table table;
    size_t start = IFind(html, "<table", 0);
    if (start == std::string_view::npos)
        return table;
    // Columns still covered by a rowspan from rows above: column -> rows left.
    std::vector<int> covered;
    size_t cells = 0;
    int depth = 0;
    bool inRow = false, inCell = false;
    std::string raw;
    size_t col = 0;
    int rowspan = 1, colspan = 1;

    auto skipCovered = [&]() {
        while (col < covered.size() && covered[col] > 0) {
            table.back().emplace_back();
            CheckCells(table, 1, limits, cells);
            ++col;
        }
    };
    auto endCell = [&]() {
        if (!inCell)
            return;
        inCell = false;
        table.back().push_back(CollapseSpace(raw));
        raw.clear();
        CheckCells(table, static_cast<size_t>(colspan), limits, cells);
        for (int k = 1; k < colspan; ++k)
            table.back().emplace_back();
        if (covered.size() < col + static_cast<size_t>(colspan))
            covered.resize(col + static_cast<size_t>(colspan), 0);
        for (int k = 0; k < colspan; ++k)
            covered[col + static_cast<size_t>(k)] = rowspan;
        col += static_cast<size_t>(colspan);
    };
    auto endRow = [&]() {
        if (!inRow)
            return;
        endCell();
        skipCovered();
        // What stays covered below this row.
        for (size_t k = 0; k < covered.size(); ++k)
            if (covered[k] > 0)
                --covered[k];
        // Covered columns past the row's last cell still count as its fields.
        inRow = false;
    };

    size_t i = start;
    while (i < html.size()) {
        char c = html[i];
        if (c == '<') {
            if (html.substr(i, 4) == "<!--") {
                size_t e = html.find("-->", i + 4);
                i = e == std::string_view::npos ? html.size() : e + 3;
                continue;
            }
            size_t e = html.find('>', i + 1);
            if (e == std::string_view::npos)
                break;
            HtmlTag tag = ParseTag(html.substr(i + 1, e - i - 1));
            i = e + 1;
            if (tag.Name == "style" || tag.Name == "script") {
                if (!tag.Closing) {
                    size_t close = IFind(html, "</" + tag.Name, i);
                    i = close == std::string_view::npos ? html.size() : close;
                }
                continue;
            }
            if (tag.Name == "table") {
                depth += tag.Closing ? -1 : 1;
                if (depth <= 0) {
                    endRow();
                    break;
                }
                continue;
            }
            if (depth != 1) {
                if (inCell && (tag.Name == "br" || tag.Name == "p" || tag.Name == "div") )
                    raw += '\n';
                continue;
            }
            if (tag.Name == "tr") {
                endRow();
                if (!tag.Closing) {
                    table.emplace_back();
                    inRow = true;
                    col = 0;
                }
            } else if (tag.Name == "td" || tag.Name == "th") {
                if (tag.Closing) {
                    endCell();
                } else {
                    if (!inRow) {
                        table.emplace_back();
                        inRow = true;
                        col = 0;
                    }
                    endCell();
                    skipCovered();
                    inCell = true;
                    colspan = SpanAttribute(tag.Attributes, "colspan", static_cast<int>(limits.MaxCols));
                    rowspan = SpanAttribute(tag.Attributes, "rowspan", 65535);
                }
            } else if (inCell && (tag.Name == "br" || (tag.Closing && (tag.Name == "p" || tag.Name == "div")))) {
                raw += '\n';
            }
            continue;
        }
        if (inCell) {
            if (c == '&') {
                i += DecodeEntity(html, i, raw);
                continue;
            }
            raw += c;
            if (raw.size() > limits.MaxBytes)
                throw EXLClipboardError("剪贴板上的数据太大，无法粘贴。");
        }
        ++i;
    }
    endRow();
    // Rows that are all empty at the end come from stray markup.
    while (!table.empty() && table.back().empty())
        table.pop_back();
    return table;
}

// ---- pasting ----

namespace {

// The indices a paste uses along one axis: every source index (or only the
// visible ones) and the targets from `first` on (passing hidden ones over).
void MapAxis(const TXLSheet& src, int count, TXLAxis axis, bool skipHidden, std::vector<int>& sources)
{
    sources.clear();
    for (int i = 0; i < count; ++i)
        if (!skipHidden || src.Visible(i, axis))
            sources.push_back(i);
}

std::vector<int> TargetsOf(const TXLSheet& sheet, const TXLSection& section, TXLAxis axis, int first, size_t count,
                           bool skipHidden)
{
    std::vector<int> targets;
    int local = first;
    const int limit = TXLSheet::kMaxCount;
    while (targets.size() < count && local < limit) {
        int index = axis == sCols ? section.SheetCol(local) : section.SheetRow(local);
        // Beyond the present count a position is visible.
        bool inside = local < (axis == sCols ? section.ColCount() : section.RowCount());
        if (!skipHidden || !inside || sheet.Visible(index, axis))
            targets.push_back(local);
        ++local;
    }
    return targets;
}

// Makes room in the client section; false when the block cannot fit.
bool MakeRoom(TXLSheet& sheet, TXLSectionKind section, int right, int bottom)
{
    const TXLSection& s = sheet.Section(section);
    if (right <= s.ColCount() && bottom <= s.RowCount())
        return true;
    if (section != skClient || right > TXLSheet::kMaxCount || bottom > TXLSheet::kMaxCount)
        return false;
    if (right > sheet.ColCount())
        sheet.SetColCount(right);
    if (bottom > sheet.RowCount())
        sheet.SetRowCount(bottom);
    return true;
}

bool IsReadOnlyPos(const TXLSheet& sheet, int col, int row)
{
    return (static_cast<TXLCellStyles>(sheet.GetProperty(col, row, pnStyles)) & StyleBit(csReadOnly)) != 0;
}

void CopyValueOnly(const TXLCell* from, TXLSheet& dst, int col, int row)
{
    if (!from) {
        if (TXLCell* to = dst.FindCell(col, row))
            if (!to->AsString().empty())
                dst.SetCellClass(col, row, TXLCString::Class())->SetAsString(std::string());
        return;
    }
    TXLCell* to = dst.SetCellClass(col, row, from->CellClass());
    if (!to)
        return;
    if (from->AsPicture() && &from->CellClass() == &TXLCPicture::Class())
        to->SetAsPicture(from->AsPicture());
    else
        to->SetValue(from->Value());
}

}  // namespace

TXLRect PasteSheetStream(TXLSheet& sheet, TXLSectionKind section, const TXLRect& selection, std::string_view stream,
                         int ignore)
{
    TXLSheet clip;
    TXLLoadOptions options;
    TXLStyler* styler = sheet.Styler();
    options.FindStyler = [styler](const std::string&) { return styler; };
    LoadSheetFromStream(clip, stream, options);

    const bool skipHidden = (ignore & piInvisible) != 0;
    std::vector<int> srcCols, srcRows;
    MapAxis(clip, clip.ColCount(), sCols, skipHidden, srcCols);
    MapAxis(clip, clip.RowCount(), sRows, skipHidden, srcRows);
    if (srcCols.empty() || srcRows.empty())
        return {};

    TXLUpdateGuard guard(sheet);
    TXLSection& target = sheet.Section(section);
    std::vector<int> dstCols = TargetsOf(sheet, target, sCols, selection.Left, srcCols.size(), skipHidden);
    std::vector<int> dstRows = TargetsOf(sheet, target, sRows, selection.Top, srcRows.size(), skipHidden);
    if (dstCols.size() < srcCols.size() || dstRows.size() < srcRows.size())
        return {};
    const TXLRect block{selection.Left, selection.Top, dstCols.back() + 1, dstRows.back() + 1};
    if (!MakeRoom(sheet, section, block.Right, block.Bottom))
        return {};

    TXLSelection(sheet, section, block).Unmerge();
    const TXLSection& from = clip.Section(skClient);
    for (size_t r = 0; r < srcRows.size(); ++r)
        for (size_t c = 0; c < srcCols.size(); ++c) {
            const int col = target.SheetCol(dstCols[c]), row = target.SheetRow(dstRows[r]);
            if (ignore & piFormatting) {
                if (!(ignore & piReadOnly) && IsReadOnlyPos(sheet, col, row))
                    continue;
                CopyValueOnly(from.Find(srcCols[c], srcRows[r]), sheet, col, row);
            } else {
                TXLSheet::CopyCell(clip, srcCols[c], srcRows[r], sheet, col, row);
            }
        }
    if (!(ignore & piFormatting) && !skipHidden)
        for (const TXLUnion& u : from.Unions())
            MergeSectionRect(target, {block.Left + u.Rect.Left, block.Top + u.Rect.Top, block.Left + u.Rect.Right,
                                      block.Top + u.Rect.Bottom});
    return block;
}

TXLRect PasteTable(TXLSheet& sheet, TXLSectionKind section, int left, int top, const xlio::Table& table, int ignore)
{
    size_t width = 0;
    for (const auto& row : table)
        width = std::max(width, row.size());
    if (table.empty() || width == 0 || left < 0 || top < 0)
        return {};
    const int64_t right = int64_t(left) + int64_t(width), bottom = int64_t(top) + int64_t(table.size());
    if (right > TXLSheet::kMaxCount || bottom > TXLSheet::kMaxCount)
        return {};
    TXLUpdateGuard guard(sheet);
    const TXLRect block{left, top, static_cast<int>(right), static_cast<int>(bottom)};
    if (!MakeRoom(sheet, section, block.Right, block.Bottom))
        return {};
    TXLSelection(sheet, section, block).Unmerge();
    TXLSection& target = sheet.Section(section);
    for (size_t r = 0; r < table.size(); ++r)
        for (size_t c = 0; c < table[r].size(); ++c) {
            const int col = target.SheetCol(left + static_cast<int>(c));
            const int row = target.SheetRow(top + static_cast<int>(r));
            if (!(ignore & piReadOnly) && IsReadOnlyPos(sheet, col, row))
                continue;
            const std::string& text = table[r][c];
            if (text.empty()) {
                if (TXLCell* cell = sheet.FindCell(col, row))
                    if (!cell->AsString().empty())
                        sheet.SetCellClass(col, row, TXLCString::Class())->SetAsString(text);
                continue;
            }
            if (TXLCell* cell = sheet.SetCellClass(col, row, TXLCString::Class()))
                cell->SetAsString(text);
        }
    return block;
}

// ---- Qt's clipboard ----

QMimeData* RangeMimeData(const TXLSheet& sheet, TXLSectionKind section, const TXLRect& rect)
{
    auto* data = new QMimeData;
    std::string stream = CopyRangeToStream(sheet, section, rect);
    data->setData(kSheetMimeType, QByteArray(stream.data(), static_cast<qsizetype>(stream.size())));
    data->setText(QString::fromStdString(RangeToTsv(sheet, section, rect)));
    data->setHtml(QString::fromStdString(RangeToHtml(sheet, section, rect)));
    return data;
}

bool CopyRangeToClipboard(QClipboard& clipboard, const TXLSheet& sheet, TXLSectionKind section, const TXLRect& rect)
{
    QMimeData* data = nullptr;
    try {
        data = RangeMimeData(sheet, section, rect);
    } catch (const std::exception&) {
        delete data;
        return false;
    }
    const QByteArray expected = data->data(kSheetMimeType);
    clipboard.setMimeData(data);
    // The clipboard may refuse (no clipboard owner on this display); only
    // what can be read back counts as copied.
    const QMimeData* now = clipboard.mimeData();
    return now && now->hasFormat(kSheetMimeType) && now->data(kSheetMimeType) == expected;
}

bool CanPasteMimeData(const QMimeData* data, int ignore)
{
    if (!data)
        return false;
    return data->hasFormat(kSheetMimeType) || data->hasHtml() || (data->hasText() && !data->text().isEmpty()) ||
           (!(ignore & piGraphics) && data->hasImage());
}

TXLRect PasteMimeData(TXLSheet& sheet, TXLSectionKind section, const TXLRect& selection, const QMimeData* data,
                      int ignore)
{
    if (!data)
        return {};
    if (data->hasFormat(kSheetMimeType)) {
        const QByteArray bytes = data->data(kSheetMimeType);
        return PasteSheetStream(sheet, section, selection, std::string_view(bytes.constData(), size_t(bytes.size())),
                                ignore);
    }
    if (data->hasHtml()) {
        xlio::Table table = ParseHtmlTable(data->html().toStdString());
        if (!table.empty())
            return PasteTable(sheet, section, selection.Left, selection.Top, table, ignore);
    }
    if (data->hasText() && !data->text().isEmpty())
        return PasteTable(sheet, section, selection.Left, selection.Top, ParseTsv(data->text().toStdString()), ignore);
    if (!(ignore & piGraphics) && data->hasImage()) {
        QImage image = qvariant_cast<QImage>(data->imageData());
        if (image.isNull())
            return {};
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        TXLPicture picture{"PNG", std::string(png.constData(), size_t(png.size())), image.width(), image.height()};
        TXLUpdateGuard guard(sheet);
        TXLSelection range(sheet, section, selection);
        range.Merge();
        TXLSection& s = sheet.Section(section);
        const TXLRect r = selection.Intersect({0, 0, s.ColCount(), s.RowCount()});
        if (r.IsEmpty())
            return {};
        for (int row = r.Top; row < r.Bottom; ++row)
            for (int col = r.Left; col < r.Right; ++col)
                sheet.SetCellClass(s.SheetCol(col), s.SheetRow(row), TXLCPicture::Class());
        if (TXLCell* cell = sheet.FindCell(s.SheetCol(r.Left), s.SheetRow(r.Top)))
            cell->SetAsPicture(&picture);
        return r;
    }
    return {};
}

}  // namespace xlgridui
