#include "engine/dealstrategy.h"

namespace engine {
namespace {

// Row as the roster shows it: Data row 0 is the roster's third row.
std::string StudentText(const TDealInput& input, std::size_t student)
{
    return "第" + std::to_string(input.Students[student].Row + 3) + "行的学生";
}

}  // namespace

std::vector<int> PlannedClasses(const TDealPlan& plan, const TDealInput& input)
{
    const std::size_t students = input.Students.size();
    std::vector<int> classes(students, -1);
    for (const TPlacement& p : plan.Placements) {
        if (p.Student < 0 || static_cast<std::size_t>(p.Student) >= students)
            throw EDealPlanError("分班方案有误：学生序号 " + std::to_string(p.Student) + " 超出范围（共 "
                                 + std::to_string(students) + " 名学生）");
        const auto s = static_cast<std::size_t>(p.Student);
        if (p.Class < 0 || p.Class >= input.ClassCount)
            throw EDealPlanError("分班方案有误：" + StudentText(input, s) + "的班级序号 "
                                 + std::to_string(p.Class) + " 超出范围（共 "
                                 + std::to_string(input.ClassCount) + " 个班）");
        if (classes[s] != -1)
            throw EDealPlanError("分班方案有误：" + StudentText(input, s) + "被分配了不止一次");
        classes[s] = p.Class;
    }
    for (std::size_t s = 0; s < students; ++s)
        if (classes[s] == -1)
            throw EDealPlanError("分班方案有误：" + StudentText(input, s) + "没有分到班级");
    return classes;
}

TDealPlan TCyclicDeal::Deal(const TDealInput& input) const
{
    TDealPlan plan;
    plan.Placements.reserve(input.Students.size());
    for (const std::vector<int>* order : {&input.BoyOrder, &input.GirlOrder}) {
        int k = 0;
        for (int student : *order) {
            plan.Placements.push_back({student, k});
            if (++k == input.ClassCount)
                k = 0;
        }
    }
    return plan;
}

}  // namespace engine
