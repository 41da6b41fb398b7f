#include "xlgrid/manager.h"

#include "xlgrid/sheet.h"
#include "xlgrid/xlerrors.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <utility>

namespace xlgrid {

namespace {

// 0: not yet created, 1: alive, 2: freed at shutdown.
int g_state = 0;

struct ManagerHolder {
    std::unique_ptr<TXLManager> manager;
    ~ManagerHolder()
    {
        manager.reset();
        g_state = 2;
    }
};

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

}  // namespace

TXLManager& TXLManager::Instance()
{
    if (g_state == 2)
        throw EXLGridError("XLManager has been already destroyed!");
    static ManagerHolder holder;
    if (!holder.manager) {
        holder.manager.reset(new TXLManager);
        g_state = 1;
    }
    return *holder.manager;
}

TXLManager::TXLManager()
{
    m_classes = {&TXLCString::Class(), &TXLCStrings::Class(), &TXLCInteger::Class(), &TXLCDouble::Class(),
                 &TXLCCurrency::Class(), &TXLCDateTime::Class(), &TXLCBoolean::Class(), &TXLCPicture::Class(),
                 &TXLCUrl::Class(), &TXLCGroup::Class(), &TXLCFormula::Class()};
}

TXLManager::~TXLManager() = default;

const TXLCellClass* TXLManager::FindClass(int id) const
{
    for (const TXLCellClass* c : m_classes)
        if (c->Id == id)
            return c;
    return nullptr;
}

const TXLCellClass* TXLManager::FindClassByName(const std::string& name) const
{
    for (const TXLCellClass* c : m_classes)
        if (c->Name == name)
            return c;
    return nullptr;
}

int TXLManager::FindFormat(const TXLCellClass& cls, const std::string& format) const
{
    for (size_t i = 0; i < cls.Formats.size(); ++i)
        if (EqualNoCase(cls.Formats[i], format))
            return static_cast<int>(i);
    return -1;
}

bool TXLManager::RegisterFunction(std::string_view name, TXLFunctionHandler handler)
{
    return m_functions.RegisterFunction(name, std::move(handler));
}

bool TXLManager::RegisterVariable(std::string_view name, TXLVariableHandler handler)
{
    return m_functions.RegisterVariable(name, std::move(handler));
}

bool TXLManager::UnregisterFunction(std::string_view name) { return m_functions.UnregisterFunction(name); }
bool TXLManager::UnregisterVariable(std::string_view name) { return m_functions.UnregisterVariable(name); }

void TXLManager::AddSheet(TXLSheet* sheet) { m_sheets.push_back(sheet); }

void TXLManager::RemoveSheet(TXLSheet* sheet) { std::erase(m_sheets, sheet); }

void TXLManager::SetPrinter(const TXLPrinterMetrics& metrics)
{
    m_printer = metrics;
    // The print rectangles follow the printer: every view repaginates.
    for (TXLSheet* sheet : std::vector<TXLSheet*>(m_sheets)) {
        if (OnPrinterChanged)
            OnPrinterChanged(*sheet);
        sheet->NotifyPrint();
    }
}

}  // namespace xlgrid
