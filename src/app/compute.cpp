// The compute command: the roster check, the division, and the result tabs
// and sheets built one by one with the progress window counting to
// ClassCount + 2 (after the division, after each class, after the overview).
// With Balanced on, the balanced deal divides (seed 1, its default time
// limit) and the balance report goes to the panel beside the overview.

#include "app/mainform.h"
#include "app/progressform.h"
#include "engine/balanceddeal.h"
#include "engine/balancereport.h"
#include "engine/compute.h"
#include "engine/sheetroster.h"
#include "results/resultsheet.h"
#include "results/resultview.h"
#include "xlgridui/dialogs.h"

#include "xlgridui/grid.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabBar>

#include <exception>
#include <memory>
#include <new>

namespace app {

void TfrmMain::ac_ComputeExecute()
{
    CurrentDivision = std::make_unique<engine::TDivideClasses>();
    for (QAction* a : {ac_Compute, ac_Edit, ac_Clear})
        a->setEnabled(false);

    engine::TSheetRoster roster(Sheet);
    const engine::TRosterCheck check = engine::CheckRoster(roster, fsConfig, Columns, SortField);
    if (!check.Passed) {
        CurrentDivision.reset();
        xlgridui::ShowWarning(this, QString::fromStdString(check.Message).replace(QLatin1Char('\r'), QLatin1Char('\n')));
        for (QAction* a : {ac_Compute, ac_Edit, ac_Clear})
            a->setEnabled(true);
        return;
    }

    engine::TDivideClasses& division = *CurrentDivision;
    engine::FillDivision(division, roster, fsConfig, Columns, SortField);
    const int classCount = division.ClassCount;
    engine::TSearchOutcome search;
    if (division.Balanced)
        division.SetDealStrategy(std::make_unique<engine::TBalancedDeal>(engine::TBalancedOptions{}, &search));

    m_busy = true;
    ProgressDialog->SetRange(0, classCount + 2);
    ProgressDialog->SetPosition(0);
    ProgressDialog->SetText(division.Balanced ? QStringLiteral("正在均衡分班...") : QStringLiteral("正在分班..."));
    ProgressDialog->ShowCentred();

    EnableResultControls(false);
    SetTabsVisible(true);
    Grid->SetSheet(nullptr);
    ac_Compute->setEnabled(false);

    QString failure, refusal;
    {
        const QSignalBlocker quiet(tcInfo);
        while (tcInfo->count() > 0)
            tcInfo->removeTab(tcInfo->count() - 1);
        ResultSheets.clear();
        m_search.clear();
        m_report.clear();
        tcInfo->addTab(QStringLiteral("数据源"));
        try {
            division.Divide();
            StepProgress();
            const results::TResultContext context{Sheet, division, SortField, Columns};
            // After each sheet: its tab and name, its search, and a progress
            // step for every sheet but the whole grade.
            int index = 0;
            ResultSheets = results::BuildResultSheets(context, [&](const results::TBuiltSheet& built) {
                tcInfo->addTab(QString::fromStdString(built.Sheet->Title()));
                built.Sheet->SetName("Sheet" + std::to_string(index++));
                m_search.push_back(built.Kind == results::rkOverview
                                       ? TStudentSearch()
                                       : TStudentSearch(*built.Sheet, Columns.NameCol, Columns.IDCol));
                if (built.Kind == results::rkGrade)
                    ProgressDialog->SetText(QStringLiteral("正在生成班级表格..."));
                else
                    StepProgress();
            });
            if (division.Balanced)
                m_report = QString::fromStdString(engine::DivisionReport(division, &search));
        } catch (const engine::EBalancedRefusal& e) {
            // The 调整 column asks what cannot be met: roster problems, like the check's.
            refusal = QString::fromUtf8(e.what()).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        } catch (const std::bad_alloc&) {
            failure = QStringLiteral("内存不足，无法完成分班。");
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    EnableResultControls(true);
    if (failure.isEmpty() && refusal.isEmpty()) {
        tcInfo->setCurrentIndex(tcInfo->count() - 1);
        txtSearch->setEnabled(false);
        ac_ClearText->setEnabled(false);
        EnableResultControls(true);
        UpdateSearchControls();
    } else {
        // A half-built result is never left to browse or export: the window
        // is as after data editing, ready to compute again.
        ClearResults();
        UpdateSearchControls();
        ac_ExportAll->setEnabled(false);
        ac_Seats->setEnabled(false);
    }
    ProgressDialog->hide();
    m_busy = false;
    for (QAction* a : {ac_Compute, ac_Edit, ac_Clear})
        a->setEnabled(true);
    if (!refusal.isEmpty())
        xlgridui::ShowWarning(this, refusal);
    if (!failure.isEmpty())
        xlgridui::ShowError(this, failure);
}

}  // namespace app
