#pragma once
// A sheet user that records what it is told, for the sheet tests.

#include "xlgrid/sheet.h"

#include <string>
#include <vector>

namespace xlgrid::testing {

class RecordingUser : public IXLSheetUser {
public:
    explicit RecordingUser(std::string name = {}, std::vector<std::string>* shared = nullptr)
        : m_name(std::move(name)), m_shared(shared)
    {
    }

    std::vector<std::string> Events;
    int Count(const std::string& what) const
    {
        int n = 0;
        for (const std::string& e : Events)
            if (e.rfind(what, 0) == 0)
                ++n;
        return n;
    }

    void RangeChanged(TXLSectionKind section, const TXLRect&, TXLRepaint) override { Add("RangeChanged " + std::to_string(section)); }
    void SectionChanged(TXLSectionKind section) override { Add("SectionChanged " + std::to_string(section)); }
    void SheetChanged() override { Add("SheetChanged"); }
    void PrintChanged() override { Add("PrintChanged"); }
    void SizesChanged(TXLAxes axes, TXLBand band) override
    {
        Add("SizesChanged " + std::to_string(axes) + (band == bdClient ? " client" : " title"));
    }
    void SectorsMoved(TXLAxis axis, TXLBand band, int count, int index) override
    {
        Add("SectorsMoved " + std::string(axis == sCols ? "cols" : "rows") + (band == bdClient ? " client " : " title ") +
            std::to_string(count) + " at " + std::to_string(index));
    }
    void SizeChanged(TXLAxis axis, int index, TXLBand) override
    {
        Add("SizeChanged " + std::string(axis == sCols ? "cols " : "rows ") + std::to_string(index));
    }
    void CellsFormatted(TXLSectionKind section, const TXLRect*) override { Add("CellsFormatted " + std::to_string(section)); }
    void SheetDestroying() override { Add("SheetDestroying"); }
    void CellChanged(TXLCell*) override { Add("CellChanged"); }
    void UnionsChanged() override { Add("UnionsChanged"); }
    void BeginUpdate() override { Add("BeginUpdate"); }
    void EndUpdate() override { Add("EndUpdate"); }

private:
    void Add(const std::string& e)
    {
        Events.push_back(e);
        if (m_shared)
            m_shared->push_back(m_name + ":" + e);
    }
    std::string m_name;
    std::vector<std::string>* m_shared;
};

}  // namespace xlgrid::testing
