#include "xlgridui/gridedithost.h"

#include "xlgridui/xledit.h"

#include <QPointer>

namespace xlgridui {

namespace {

// The grid's calls on the real host.
class TXLEditHost : public IXLEditHost {
public:
    explicit TXLEditHost(IXLEditGrid& grid) : m_edit(new TXLEdit(grid)) {}
    // The host is a child widget of the grid; whichever goes first frees it.
    ~TXLEditHost() override { delete m_edit.data(); }

    bool HasEditor(const xlgrid::TXLCellClass& cls) const override { return TXLEdit::HasEditor(cls); }
    bool Open(xlgrid::TXLCell& cell, TXLEditMode mode) override { return m_edit && m_edit->Open(cell, mode); }
    void Close(bool store) override
    {
        if (m_edit)
            m_edit->Close(store);
    }
    void Reposition() override
    {
        if (m_edit)
            m_edit->Reposition();
    }
    void ForwardText(const QString& text) override
    {
        if (m_edit)
            m_edit->ForwardText(text);
    }
    void SetMode(TXLEditMode mode) override
    {
        if (m_edit)
            m_edit->SetMode(mode);
    }
    TXLEditMode Mode() const override { return m_edit ? m_edit->Mode() : emNone; }
    bool IsOpen() const override { return m_edit && m_edit->IsOpen(); }
    bool ForwardsClicks() const override { return m_edit && m_edit->ForwardsClicks(); }
    void GridClick(const QPoint& sheetCell) override
    {
        if (m_edit)
            m_edit->GridClick(sheetCell.x(), sheetCell.y());
    }

private:
    QPointer<TXLEdit> m_edit;
};

}  // namespace

std::unique_ptr<IXLEditHost> MakeEditHost(IXLEditGrid& grid) { return std::make_unique<TXLEditHost>(grid); }

}  // namespace xlgridui
