#pragma once
// A stand-in grid for the action tests: a focusable widget that keeps the
// state the sheet actions read and write, with a sheet of its own.

#include "xlgridui/xlactions.h"

#include <QWidget>

namespace xlgridui::testing {

class TStandInGrid : public QWidget, public IXLActionGrid {
public:
    explicit TStandInGrid(QWidget* parent = nullptr) : QWidget(parent)
    {
        setFocusPolicy(Qt::StrongFocus);
        resize(200, 100);
    }
    ~TStandInGrid() override { ClearActiveGrid(this); }

    xlgrid::TXLSheet* Sheet = nullptr;
    xlgrid::TXLSectionKind Section = xlgrid::skClient;
    xlgrid::TXLRect Rect{0, 0, 1, 1};
    int Col = 0, Row = 0;
    bool Design = false;
    bool ReadOnly = false;
    unsigned Options = voTitles | voGridLines;
    TXLMoveDir Dir = mdAuto;
    bool Hints = true;
    int Scale = 100;
    int EndEdits = 0;
    int Invalidates = 0;

    void Select(const xlgrid::TXLRect& r)
    {
        Rect = r;
        Col = r.Left;
        Row = r.Top;
    }

    QWidget* ActionWidget() override { return this; }
    xlgrid::TXLSheet* ActionSheet() const override { return Sheet; }
    xlgrid::TXLSectionKind SelectionSection() const override { return Section; }
    xlgrid::TXLRect SelectionRect() const override { return Rect; }
    void SelectRange(xlgrid::TXLSectionKind s, const xlgrid::TXLRect& r) override
    {
        Section = s;
        Select(r);
    }
    void SelectAllCells() override
    {
        const xlgrid::TXLSection& s = Sheet->Section(Section);
        Rect = {0, 0, s.ColCount(), s.RowCount()};
    }
    int CurrentCol() const override { return Col; }
    int CurrentRow() const override { return Row; }
    bool DesignMode() const override { return Design; }
    void SetDesignMode(bool on) override { Design = on; }
    bool ReadOnlyGrid() const override { return ReadOnly; }
    bool HasViewOption(TXLViewOption o) const override { return (Options & o) != 0; }
    void SetViewOption(TXLViewOption o, bool on) override { Options = on ? (Options | o) : (Options & ~unsigned(o)); }
    TXLMoveDir EnterDir() const override { return Dir; }
    void SetEnterDir(TXLMoveDir d) override { Dir = d; }
    bool ShowHints() const override { return Hints; }
    void SetShowHints(bool on) override { Hints = on; }
    int GridScale() const override { return Scale; }
    void SetGridScale(int s) override { Scale = std::max(25, s); }
    void EndEdit() override { ++EndEdits; }
    void Invalidate() override { ++Invalidates; }

protected:
    void focusInEvent(QFocusEvent* e) override
    {
        SetActiveGrid(this);
        QWidget::focusInEvent(e);
    }
};

}  // namespace xlgridui::testing
