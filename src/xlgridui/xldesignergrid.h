#pragma once
// The sheet actions' view of a TXLGrid: what IXLActionGrid asks, answered
// by the grid's own properties. The grid makes the adapter the active grid
// whenever it takes the focus.

#include "xlgridui/grid.h"
#include "xlgridui/xlactions.h"

#include <QObject>

namespace xlgridui {

class TXLGridActionTarget : public QObject, public IXLActionGrid {
    Q_OBJECT
public:
    explicit TXLGridActionTarget(TXLGrid& grid);
    ~TXLGridActionTarget() override;

    TXLGrid& Grid() const { return m_grid; }

    QWidget* ActionWidget() override { return &m_grid; }
    xlgrid::TXLSheet* ActionSheet() const override { return m_grid.Sheet(); }
    xlgrid::TXLSectionKind SelectionSection() const override;
    xlgrid::TXLRect SelectionRect() const override;
    void SelectRange(xlgrid::TXLSectionKind section, const xlgrid::TXLRect& rect) override;
    void SelectAllCells() override { m_grid.SelectAll(); }
    int CurrentCol() const override { return m_grid.Col(); }
    int CurrentRow() const override { return m_grid.Row(); }
    bool DesignMode() const override { return m_grid.DesignMode(); }
    void SetDesignMode(bool on) override { m_grid.SetDesignMode(on); }
    bool ReadOnlyGrid() const override { return m_grid.HasOption(oReadOnly); }
    bool HasViewOption(TXLViewOption group) const override;
    void SetViewOption(TXLViewOption group, bool on) override;
    TXLMoveDir EnterDir() const override { return static_cast<TXLMoveDir>(m_grid.EnterDir()); }
    void SetEnterDir(TXLMoveDir dir) override { m_grid.SetEnterDir(static_cast<TXLDirection>(dir)); }
    bool ShowHints() const override { return m_grid.ShowHints(); }
    void SetShowHints(bool on) override { m_grid.SetShowHints(on); }
    int GridScale() const override { return m_grid.Scale(); }
    void SetGridScale(int scale) override { m_grid.SetScale(scale); }
    void EndEdit() override { m_grid.SetEditMode(emNone); }
    void Invalidate() override { m_grid.Invalidate(); }

private:
    TXLGrid& m_grid;
};

}  // namespace xlgridui
