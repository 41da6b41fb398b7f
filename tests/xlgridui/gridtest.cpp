#include "gridtest.h"

#include "xlgrid/range.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>

namespace xlgridui::test {

using namespace xlgrid;

namespace {

// Keys typed into the stand-in editor go to the grid first, as the real host does.
class TStandInEdit : public QLineEdit {
public:
    TStandInEdit(IXLEditGrid& grid, QWidget* parent) : QLineEdit(parent), m_grid(grid) {}

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (!m_grid.EditorKeyPress(*e))
            QLineEdit::keyPressEvent(e);
    }

private:
    IXLEditGrid& m_grid;
};

}  // namespace

TStandInHost::TStandInHost(IXLEditGrid& grid) : m_grid(grid)
{
    m_edit = new TStandInEdit(grid, grid.GridWidget());
    m_edit->hide();
}

TStandInHost::~TStandInHost() = default;

bool TStandInHost::Open(TXLCell& cell, TXLEditMode mode)
{
    m_cell = &cell;
    TXLRect r;
    cell.GetSheetRect(r);
    m_cellPos = {r.Left, r.Top};
    m_mode = mode;
    m_open = true;
    cell.SetInEditor(true);
    Log << QStringLiteral("open(%1,%2)=%3")
               .arg(r.Left)
               .arg(r.Top)
               .arg(mode == emEntering ? QStringLiteral("entering") : QStringLiteral("editing"));
    m_edit->setText(QString::fromStdString(cell.AsString()));
    m_edit->selectAll();
    Reposition();
    m_edit->show();
    m_edit->setFocus();
    return true;
}

void TStandInHost::Close(bool store)
{
    if (!m_open)
        return;
    Log << (store ? QStringLiteral("close:store") : QStringLiteral("close:drop"));
    m_open = false;
    m_edit->hide();
    TXLCell* cell = m_cell;
    m_cell = nullptr;
    cell->SetInEditor(false);
    if (store && m_edit->isModified())
        cell->SetAsString(m_edit->text().toStdString());
    m_grid.EditorClosed();
}

void TStandInHost::Reposition()
{
    if (m_cell)
        m_edit->setGeometry(m_grid.EditorCellRect(*m_cell));
}

void TStandInHost::ForwardText(const QString& text)
{
    Log << QStringLiteral("text:") + text;
    m_edit->setText(text == QStringLiteral("\b") ? QString() : text);
    m_edit->setModified(true);
}

void InstallContractFailures()
{
    testing::SheetContract::SetDefaultFailureHandler(
        [](const std::string& message) { QTest::qFail(message.c_str(), __FILE__, __LINE__); });
}

TGridFixture::TGridFixture(int cols, int rows, bool withHost)
{
    InstallContractFailures();
    Contract.SetRecording(false);
    Sheet.SetColCount(cols);
    Sheet.SetRowCount(rows);
    Sheet.FillTitles();
    Grid = std::make_unique<TXLGrid>();
    Grid->resize(400, 300);
    if (withHost) {
        auto host = std::make_unique<TStandInHost>(*Grid);
        Host = host.get();
        Grid->SetEditHost(std::move(host));
    }
    Grid->SetSheet(&Sheet);
    Grid->show();
    Grid->setFocus();
    QApplication::setActiveWindow(Grid.get());
    Settle();
}

TGridFixture::~TGridFixture() { Grid.reset(); }

TXLView& TGridFixture::PaneOf(QPoint c) const { return *Grid->View(TXLSheet::SectionOf(c.x(), c.y())); }

QRect TGridFixture::CellRect(QPoint c) const
{
    TXLSectionKind pane = TXLSheet::SectionOf(c.x(), c.y());
    TXLRect r{Sheet.LocalCol(c.x()), Sheet.LocalRow(c.y()), Sheet.LocalCol(c.x()) + 1, Sheet.LocalRow(c.y()) + 1};
    return Grid->State().RangeRect(pane, r);
}

QPoint TGridFixture::CellCenter(QPoint c) const { return CellRect(c).center(); }

void TGridFixture::Settle() const
{
    QApplication::processEvents();
    QApplication::processEvents();
    for (TXLSectionKind s : {skTitleRows, skTitleCols, skCorner, skClient})
        Grid->View(s)->ResetPainted();
}

QString CellName(QPoint c)
{
    if (c.x() < 0 || c.y() < 0)
        return QStringLiteral("(%1,%2)").arg(c.x()).arg(c.y());
    return QString::fromStdString(ColumnLetters(c.x())) + QString::number(c.y() + 1);
}

void Wheel(QWidget* target, QPoint pos, int deltaY, Qt::KeyboardModifiers mods)
{
    QWheelEvent e(QPointF(pos), QPointF(target->mapToGlobal(pos)), QPoint(), QPoint(0, deltaY), Qt::NoButton, mods,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
}

}  // namespace xlgridui::test
