#include "engine/divideclasses.h"

#include <algorithm>

namespace engine {

TDivideClasses::TDivideClasses() : m_deal(std::make_unique<TCyclicDeal>()) {}

void TDivideClasses::SetDealStrategy(std::unique_ptr<IDealStrategy> strategy)
{
    m_deal = std::move(strategy);
}

std::string ClassLabel(int n)
{
    std::string label = "(";
    label += std::to_string(n);
    label += ")班";
    return label;
}

namespace {

void AppendTwoDigits(std::string& out, int value)
{
    if (value >= 0 && value < 10)
        out += '0';
    out += std::to_string(value);
}

const std::string& CellOf(const std::vector<std::string>& row, int col)
{
    static const std::string empty;
    return col >= 0 && static_cast<std::size_t>(col) < row.size() ? row[static_cast<std::size_t>(col)]
                                                                   : empty;
}

}  // namespace

std::string StudentNumber(int classNumber, int place, bool sexPrefix, bool boy)
{
    std::string out;
    if (sexPrefix)
        out += boy ? '1' : '0';
    AppendTwoDigits(out, classNumber);
    AppendTwoDigits(out, place);
    return out;
}

void TDivideClasses::Divide()
{
    const int classCount = std::max(ClassCount, 1);
    // The ranking records live in one array for the length of the call; the
    // two sex lists only point into it (one allocation instead of one per
    // student, and nothing to free record by record afterwards).
    std::vector<TStuData> ranked;
    ranked.reserve(Data.size());
    TDList boys(false, CompareAscending);
    TDList girls(false, CompareDescending);

    Grade.BoyCount = 0;
    Grade.GirlCount = 0;
    for (const std::vector<std::string>& row : Data) {
        const std::string& sex = CellOf(row, SexCol);
        bool boy = sex == "男";
        if (!boy && sex != "女")
            continue;  // takes no part; a passing roster check rules this out
        TStuData& s = ranked.emplace_back();
        s.Fields = row;
        s.Key = SortKey(CellOf(row, SortCol), SortType);
        if (boy) {
            boys.Insert(&s);
            ++Grade.BoyCount;
        } else {
            girls.Insert(&s);
            ++Grade.GirlCount;
        }
    }

    Grade.Name = "全年级";
    Grade.Count = Grade.BoyCount + Grade.GirlCount;
    Grade.Total = 0;
    Grade.Students = TDList(false, CompareAscending);

    Classes.clear();
    Classes.resize(static_cast<std::size_t>(classCount));
    for (int n = 1; n <= classCount; ++n) {
        TClassData& c = Classes[static_cast<std::size_t>(n - 1)];
        c.Name = ClassLabel(n);
        c.Students = TDList(true, CompareAscending);
    }

    auto dealingOrder = [](const TDList& list) {
        std::vector<const TStuData*> order;
        order.reserve(list.Count());
        list.ForEachBackward([&](const TStuData* s) { order.push_back(s); });
        return order;
    };
    const std::vector<const TStuData*> boyOrder = dealingOrder(boys);
    const std::vector<const TStuData*> girlOrder = dealingOrder(girls);
    const TDealPlan plan = m_deal->Deal(boyOrder, girlOrder, classCount);

    auto deal = [&](const std::vector<const TStuData*>& order, const std::vector<int>& target, bool boy) {
        for (std::size_t i = 0; i < order.size(); ++i) {
            const TStuData& s = *order[i];
            int index = std::clamp(i < target.size() ? target[i] : 0, 0, classCount - 1);
            int n = index + 1;
            TClassData& c = Classes[static_cast<std::size_t>(index)];
            auto d = std::make_unique<TStuData>();
            // The ranking records are dropped right after dealing, so their
            // texts move over instead of being copied.
            d->Fields = std::move(const_cast<TStuData&>(s).Fields);
            d->Key = s.Key;
            if (boy)
                ++c.BoyCount;
            else
                ++c.GirlCount;
            c.Total += d->Key;
            d->ClassName = ClassLabel(n);
            if (CreateStudentID)
                d->StudentID = StudentNumber(n, c.BoyCount + c.GirlCount, SexPrefix, boy);
            TStuData* record = d.release();
            c.Students.Insert(record);
            Grade.Students.Insert(record);
        }
    };
    deal(boyOrder, plan.BoyClass, true);
    deal(girlOrder, plan.GirlClass, false);

    for (TClassData& c : Classes) {
        c.Count = c.BoyCount + c.GirlCount;
        Grade.Total += c.Total;
    }
}

}  // namespace engine
