#include "app/browse.h"

#include "engine/textrules.h"
#include "xlgrid/cell.h"
#include "xlgridui/dialogs.h"
#include "xlpaint/paintsection.h"
#include "xlio/sheetfiles.h"
#include "xlpaint/qtconvert.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace app {

using xlgrid::sCols;
using xlgrid::sRows;

// ---- the read-only grid --------------------------------------------------------

TResultGrid::TResultGrid(QWidget* parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("Grid"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
}

TResultGrid::~TResultGrid()
{
    if (m_sheet)
        m_sheet->RemoveUser(this);
}

void TResultGrid::SetSheet(xlgrid::TXLSheet* sheet)
{
    if (sheet == m_sheet)
        return;
    if (m_sheet)
        m_sheet->RemoveUser(this);
    m_sheet = sheet;
    if (m_sheet)
        m_sheet->AddUser(this);
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
}

void TResultGrid::SheetDestroying()
{
    m_sheet = nullptr;
    UpdateScrollBars();
    viewport()->update();
}

void TResultGrid::SetCol(int col)
{
    const int count = m_sheet ? m_sheet->ColCount() : 0;
    m_col = std::clamp(col, 0, std::max(count - 1, 0));
    ScrollIntoView();
    viewport()->update();
}

void TResultGrid::SetRow(int row)
{
    const int count = m_sheet ? m_sheet->RowCount() : 0;
    m_row = std::clamp(row, 0, std::max(count - 1, 0));
    ScrollIntoView();
    viewport()->update();
}

void TResultGrid::SetSelection(const xlgrid::TXLRect& range)
{
    m_selection = range;
    m_selectionShown = true;
    viewport()->update();
}

void TResultGrid::HideSelection()
{
    m_selectionShown = false;
    viewport()->update();
}

void TResultGrid::Repaint()
{
    if (m_sheet && m_sheet->Updating())
        return;
    UpdateScrollBars();
    viewport()->update();
}

int TResultGrid::TitleWidth() const
{
    return m_sheet ? static_cast<int>(m_sheet->SizeList(sCols, false).Sum(m_sheet->TitleCols())) : 0;
}

int TResultGrid::TitleHeight() const
{
    return m_sheet ? static_cast<int>(m_sheet->SizeList(sRows, false).Sum(m_sheet->TitleRows())) : 0;
}

void TResultGrid::UpdateScrollBars()
{
    if (!m_sheet) {
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
        return;
    }
    const QSize view = viewport()->size();
    const int64_t w = m_sheet->SizeList(sCols, true).Sum(m_sheet->ColCount());
    const int64_t h = m_sheet->SizeList(sRows, true).Sum(m_sheet->RowCount());
    const int64_t clientW = std::max(view.width() - TitleWidth(), 1);
    const int64_t clientH = std::max(view.height() - TitleHeight(), 1);
    horizontalScrollBar()->setRange(0, static_cast<int>(std::clamp<int64_t>(w - clientW, 0, INT32_MAX)));
    verticalScrollBar()->setRange(0, static_cast<int>(std::clamp<int64_t>(h - clientH, 0, INT32_MAX)));
    horizontalScrollBar()->setPageStep(static_cast<int>(clientW));
    verticalScrollBar()->setPageStep(static_cast<int>(clientH));
}

QRect TResultGrid::ClientRect(const xlgrid::TXLRect& range) const
{
    const int64_t x0 = m_sheet->SizeList(sCols, true).Sum(range.Left);
    const int64_t x1 = m_sheet->SizeList(sCols, true).Sum(range.Right);
    const int64_t y0 = m_sheet->SizeList(sRows, true).Sum(range.Top);
    const int64_t y1 = m_sheet->SizeList(sRows, true).Sum(range.Bottom);
    const int left = TitleWidth() - horizontalScrollBar()->value();
    const int top = TitleHeight() - verticalScrollBar()->value();
    return QRect(QPoint(left + int(x0), top + int(y0)), QPoint(left + int(x1) - 1, top + int(y1) - 1));
}

void TResultGrid::ScrollIntoView()
{
    if (!m_sheet || m_sheet->ColCount() == 0 || m_sheet->RowCount() == 0)
        return;
    const int64_t x0 = m_sheet->SizeList(sCols, true).Sum(m_col);
    const int64_t x1 = m_sheet->SizeList(sCols, true).Sum(m_col + 1);
    const int64_t y0 = m_sheet->SizeList(sRows, true).Sum(m_row);
    const int64_t y1 = m_sheet->SizeList(sRows, true).Sum(m_row + 1);
    const int clientW = viewport()->width() - TitleWidth();
    const int clientH = viewport()->height() - TitleHeight();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    if (x0 < h->value())
        h->setValue(int(x0));
    else if (x1 > h->value() + clientW)
        h->setValue(int(std::min(x0, x1 - clientW)));
    if (y0 < v->value())
        v->setValue(int(y0));
    else if (y1 > v->value() + clientH)
        v->setValue(int(std::min(y0, y1 - clientH)));
}

void TResultGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TResultGrid::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TResultGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    if (!m_sheet)
        return;
    const int tw = TitleWidth(), th = TitleHeight();
    const int vw = viewport()->width(), vh = viewport()->height();
    const int sx = horizontalScrollBar()->value(), sy = verticalScrollBar()->value();
    const xlgrid::TXLSizeList& cols = m_sheet->SizeList(sCols, true);
    const xlgrid::TXLSizeList& rows = m_sheet->SizeList(sRows, true);
    const xlgrid::TXLSizeList& titleCols = m_sheet->SizeList(sCols, false);
    const xlgrid::TXLSizeList& titleRows = m_sheet->SizeList(sRows, false);

    // The visible client band of one axis: first and last index, and the
    // viewport position of the first.
    struct TBand {
        int First = 0, Last = -1, Pos = 0;
    };
    auto band = [&](const xlgrid::TXLSizeList& list, int count, int scroll, int origin, int extent) {
        TBand b;
        if (count <= 0)
            return b;
        int64_t pos = scroll;
        b.First = std::min(list.Locate(pos), count - 1);
        b.Pos = origin + int(list.Sum(b.First)) - scroll;
        int64_t end = scroll + std::max(extent - origin, 1);
        b.Last = std::min(list.Locate(end), count - 1);
        return b;
    };
    const TBand bc = band(cols, m_sheet->ColCount(), sx, tw, vw);
    const TBand br = band(rows, m_sheet->RowCount(), sy, th, vh);

    auto paint = [&](xlgrid::TXLSectionKind kind, const xlgrid::TXLSizeList& cs, const xlgrid::TXLSizeList& rs,
                     int firstCol, int lastCol, int firstRow, int lastRow, int left, int top, const QRect& clip) {
        if (lastCol < firstCol || lastRow < firstRow || clip.isEmpty())
            return;
        painter.save();
        painter.setClipRect(clip);
        xlpaint::TXLPaintInfo info;
        info.ColSizes = &cs;
        info.RowSizes = &rs;
        info.FirstCol = firstCol;
        info.LastCol = lastCol;
        info.FirstRow = firstRow;
        info.LastRow = lastRow;
        info.Left = left;
        info.Top = top;
        info.Canvas = &painter;
        xlpaint::CollectMergedBlocks(m_sheet->Section(kind), info);
        xlpaint::PaintSection(m_sheet->Section(kind), info);
        painter.restore();
    };
    const int tc = m_sheet->TitleCols(), tr = m_sheet->TitleRows();
    paint(xlgrid::skClient, cols, rows, bc.First, bc.Last, br.First, br.Last, bc.Pos, br.Pos,
          QRect(tw, th, vw - tw, vh - th));
    paint(xlgrid::skTitleRows, cols, titleRows, bc.First, bc.Last, 0, tr - 1, bc.Pos, 0, QRect(tw, 0, vw - tw, th));
    paint(xlgrid::skTitleCols, titleCols, rows, 0, tc - 1, br.First, br.Last, 0, br.Pos, QRect(0, th, tw, vh - th));
    paint(xlgrid::skCorner, titleCols, titleRows, 0, tc - 1, 0, tr - 1, 0, 0, QRect(0, 0, tw, th));

    if (m_sheet->ColCount() == 0 || m_sheet->RowCount() == 0)
        return;
    painter.setClipRect(QRect(tw, th, vw - tw, vh - th));
    if (m_selectionShown && !m_selection.IsEmpty()) {
        QColor highlight = palette().color(QPalette::Highlight);
        highlight.setAlpha(90);
        painter.fillRect(ClientRect(m_selection), highlight);
    }
    xlgrid::TXLRect cursor{m_col, m_row, m_col + 1, m_row + 1};
    if (const xlgrid::TXLCell* cell = m_sheet->FindCell(m_col, m_row))
        cursor = cell->Range();
    painter.setPen(QPen(palette().color(QPalette::WindowText), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(ClientRect(cursor).adjusted(1, 1, 0, 0));
}

void TResultGrid::keyPressEvent(QKeyEvent* event)
{
    if (!m_sheet) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int page = std::max(viewport()->height() / std::max(m_sheet->RowDefHeight(), 1) - 1, 1);
    int col = m_col, row = m_row;
    switch (event->key()) {
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_PageUp: row -= page; break;
    case Qt::Key_PageDown: row += page; break;
    case Qt::Key_Home: col = 0; break;
    case Qt::Key_End: col = m_sheet->ColCount() - 1; break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    SetRow(row);
    SetCol(col);
    SetSelection({m_col, m_row, m_col + 1, m_row + 1});
}

void TResultGrid::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    if (!m_sheet || m_sheet->ColCount() == 0 || m_sheet->RowCount() == 0)
        return;
    const QPoint p = event->position().toPoint();
    if (p.x() < TitleWidth() || p.y() < TitleHeight())
        return;
    int64_t x = p.x() - TitleWidth() + horizontalScrollBar()->value();
    int64_t y = p.y() - TitleHeight() + verticalScrollBar()->value();
    const int col = m_sheet->SizeList(sCols, true).Locate(x);
    const int row = m_sheet->SizeList(sRows, true).Locate(y);
    if (col >= m_sheet->ColCount() || row >= m_sheet->RowCount())
        return;
    SetRow(row);
    SetCol(col);
    SetSelection({m_col, m_row, m_col + 1, m_row + 1});
}

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

std::optional<TFoundCell> FindStudent(const xlgrid::TXLSheet& sheet, int nameCol, int idCol, const QString& text)
{
    return TStudentSearch(sheet, nameCol, idCol).Find(text);
}

// ---- the designer ----------------------------------------------------------------

bool ImportRosterFile(xlgrid::TXLSheet& sheet, const QString& file, QString& error)
{
    try {
        xlio::LoadSheet(file.toStdString(), sheet);
        return true;
    } catch (const std::exception& e) {
        error = QStringLiteral("无法导入文件 %1：\n%2").arg(file, QString::fromUtf8(e.what()));
        return false;
    }
}

namespace {

// Until the sheet designer joins the build: the sheet in a read-only grid
// over the owner, with an import of a workbook, CSV or sheet file.
void StandInDesigner(QWidget* owner, xlgrid::TXLSheet& sheet, const QRect& bounds)
{
    QDialog window(owner);
    window.setObjectName(QStringLiteral("frmSheetDesigner"));
    window.setWindowTitle(QStringLiteral("数据编辑"));
    window.setGeometry(bounds);
    auto* grid = new TResultGrid(&window);
    grid->SetSheet(&sheet);
    auto* import = new QPushButton(QStringLiteral("导入名册…"), &window);
    auto* close = new QPushButton(QStringLiteral("关闭"), &window);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(import);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(grid, 1);
    layout->addLayout(buttons);
    QObject::connect(close, &QPushButton::clicked, &window, &QDialog::accept);
    QObject::connect(import, &QPushButton::clicked, &window, [&] {
        xlgridui::TXLFileRequest request;
        request.Title = QStringLiteral("导入名册");
        request.Filters = {QStringLiteral("名册文件 (*.xlsx *.xls *.csv *.xlf)"), QStringLiteral("所有文件 (*)")};
        const QString file = xlgridui::Dialogs().OpenFileName(&window, request);
        if (file.isEmpty())
            return;
        QString error;
        if (!ImportRosterFile(sheet, file, error))
            xlgridui::ShowWarning(&window, error);
    });
    window.exec();
    grid->SetSheet(nullptr);
}

TSheetDesigner& Designer()
{
    static TSheetDesigner designer = StandInDesigner;
    return designer;
}

}  // namespace

void ShowSheetDesigner(QWidget* owner, xlgrid::TXLSheet& sheet, const QRect& bounds)
{
    Designer()(owner, sheet, bounds);
}

void SetSheetDesigner(TSheetDesigner designer)
{
    Designer() = designer ? std::move(designer) : TSheetDesigner(StandInDesigner);
}

}  // namespace app
