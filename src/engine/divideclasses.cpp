#include "engine/divideclasses.h"

#include "engine/textrules.h"

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

namespace {

// The columns' headers and numeric flags, and every student's values in the
// numeric columns.
void ParseColumns(TDealInput& input, const std::vector<std::string>& headers)
{
    std::size_t cols = headers.size();
    for (const TDealStudent& s : input.Students)
        cols = std::max(cols, s.Fields.size());
    input.Columns.assign(cols, TDealColumn());
    for (std::size_t j = 0; j < cols; ++j) {
        TDealColumn& column = input.Columns[j];
        if (j < headers.size())
            column.Header = headers[j];
        bool numeric = true, anyNumber = false;
        for (const TDealStudent& s : input.Students) {
            std::string_view text = j < s.Fields.size() ? std::string_view(s.Fields[j]) : std::string_view();
            if (text.empty())
                continue;
            if (!IsNumber(text)) {
                numeric = false;
                break;
            }
            anyNumber = true;
        }
        column.Numeric = numeric && anyNumber;
    }
    for (TDealStudent& s : input.Students) {
        s.Values.assign(cols, std::nullopt);
        for (std::size_t j = 0; j < s.Fields.size(); ++j)
            if (input.Columns[j].Numeric && !s.Fields[j].empty())
                s.Values[j] = NumberValue(s.Fields[j]);
    }
}

}  // namespace

void TDivideClasses::Divide()
{
    const int classCount = std::max(ClassCount, 1);
    // Every record is made once, here, and moved into its class when the
    // plan has been checked; the two sex lists rank them without owning them.
    std::vector<TStuData> records;
    records.reserve(Data.size());
    TDealInput input;
    input.Roles = Columns;
    input.ClassCount = classCount;
    input.ClassPrefix = ClassPrefix;
    input.SortKind = SortType;
    TDList boys(false, CompareAscending);
    TDList girls(false, CompareDescending);
    for (std::size_t r = 0; r < Data.size(); ++r) {
        const std::vector<std::string>& row = Data[r];
        const std::string& sex = CellOf(row, Columns.SexCol);
        bool boy = sex == "男";
        if (!boy && sex != "女")
            continue;  // takes no part; a passing roster check rules this out
        TStuData& s = records.emplace_back();
        s.Fields = row;
        s.Key = SortKey(CellOf(row, Columns.SortCol), SortType);
        input.Students.push_back({static_cast<int>(r), row, {}, boy ? sxBoy : sxGirl, s.Key});
    }
    // Ranked only now: the array no longer grows, so the lists' pointers hold.
    for (std::size_t i = 0; i < records.size(); ++i)
        (input.Students[i].Sex == sxBoy ? boys : girls).Insert(&records[i]);
    auto rankedOrder = [&](const TDList& list) {
        std::vector<int> order;
        order.reserve(list.Count());
        list.ForEachBackward([&](const TStuData* s) { order.push_back(static_cast<int>(s - records.data())); });
        return order;
    };
    input.BoyOrder = rankedOrder(boys);
    input.GirlOrder = rankedOrder(girls);
    ParseColumns(input, Headers);

    const std::vector<int> planned = PlannedClasses(m_deal->Deal(input), input);

    Grade.Name = "全年级";
    Grade.BoyCount = static_cast<int>(input.BoyOrder.size());
    Grade.GirlCount = static_cast<int>(input.GirlOrder.size());
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

    auto deal = [&](const std::vector<int>& order, bool boy) {
        for (int student : order) {
            const auto i = static_cast<std::size_t>(student);
            const int n = planned[i] + 1;
            TClassData& c = Classes[static_cast<std::size_t>(n - 1)];
            auto d = std::make_unique<TStuData>(std::move(records[i]));
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
    deal(input.BoyOrder, true);
    deal(input.GirlOrder, false);

    for (TClassData& c : Classes) {
        c.Count = c.BoyCount + c.GirlCount;
        Grade.Total += c.Total;
    }
}

}  // namespace engine
