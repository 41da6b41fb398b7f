#include "engine/adjustment.h"

#include "engine/divideclasses.h"
#include "engine/textrules.h"

#include <algorithm>
#include <limits>
#include <map>
#include <numeric>

namespace engine {
namespace {

// Full-width digits, parentheses and star as their plain forms.
std::string PlainForms(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool wide = i + 2 < text.size() && static_cast<unsigned char>(text[i]) == 0xEF
                          && static_cast<unsigned char>(text[i + 1]) == 0xBC;
        const unsigned char last = wide ? static_cast<unsigned char>(text[i + 2]) : 0;
        // U+FF08 （, U+FF09 ）, U+FF0A ＊ and U+FF10..U+FF19 the digits.
        if (wide && last >= 0x88 && last <= 0x8A) {
            out += "()*"[last - 0x88];
            i += 2;
        } else if (wide && last >= 0x90 && last <= 0x99) {
            out += static_cast<char>('0' + (last - 0x90));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The entries of a cell: split at blanks, commas, 、 and semicolons, both
// widths; empty entries between separators are dropped.
std::vector<std::string> Entries(std::string_view cell)
{
    static const std::string_view wide[] = {"，", "、", "；", "　"};
    std::vector<std::string> entries;
    std::string current;
    for (std::size_t i = 0; i < cell.size();) {
        const unsigned char c = static_cast<unsigned char>(cell[i]);
        std::size_t separator = 0;
        if (c <= ' ' || c == ',' || c == ';')
            separator = 1;
        for (std::string_view w : wide)
            if (cell.substr(i, w.size()) == w)
                separator = w.size();
        if (separator == 0) {
            current += cell[i++];
            continue;
        }
        if (!current.empty())
            entries.push_back(PlainForms(current));
        current.clear();
        i += separator;
    }
    if (!current.empty())
        entries.push_back(PlainForms(current));
    return entries;
}

bool AllDigits(std::string_view t)
{
    return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The class number of "k" or a class name; -1 when the entry is neither,
// a number above every class count (INT_MAX) when too long to read.
int ClassNumberOf(std::string_view entry, const std::string& prefix)
{
    auto number = [](std::string_view digits) {
        if (digits.size() > 9)
            return std::numeric_limits<int>::max();
        return std::stoi(std::string(digits));
    };
    if (AllDigits(entry))
        return number(entry);
    constexpr std::string_view suffix = ")班";
    if (!prefix.empty() && entry.substr(0, prefix.size()) == prefix)
        entry.remove_prefix(prefix.size());
    if (entry.size() < 1 + suffix.size() || entry.front() != '(' || entry.substr(entry.size() - suffix.size()) != suffix)
        return -1;
    std::string_view digits = entry.substr(1, entry.size() - 1 - suffix.size());
    return AllDigits(digits) ? number(digits) : -1;
}

std::string_view LabelAfter(std::string_view entry, std::string_view head)
{
    return entry.size() > head.size() && entry.substr(0, head.size()) == head ? entry.substr(head.size())
                                                                              : std::string_view();
}

struct TUnionFind {
    std::vector<int> Parent;
    explicit TUnionFind(std::size_t n) : Parent(n) { std::iota(Parent.begin(), Parent.end(), 0); }
    int Find(int x)
    {
        while (Parent[static_cast<std::size_t>(x)] != x)
            x = Parent[static_cast<std::size_t>(x)] = Parent[static_cast<std::size_t>(Parent[static_cast<std::size_t>(x)])];
        return x;
    }
    void Join(int a, int b)
    {
        a = Find(a), b = Find(b);
        if (a != b)
            Parent[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
    }
};

// Label groups in order of first appearance: label -> members.
struct TLabels {
    std::vector<TLabelGroup> Groups;
    std::map<std::string, std::size_t, std::less<>> Index;
    void Add(std::string_view label, int student)
    {
        auto it = Index.find(label);
        if (it == Index.end())
            it = Index.emplace(std::string(label), Groups.size()).first, Groups.push_back({std::string(label), {}});
        std::vector<int>& m = Groups[it->second].Members;
        if (m.empty() || m.back() != student)
            m.push_back(student);
    }
};

std::string Quoted(const std::string& label) { return "“" + label + "”"; }

}  // namespace

TClassLimits ClassLimits(const TDealInput& input)
{
    const int c = std::max(input.ClassCount, 1);
    const int boys = static_cast<int>(input.BoyOrder.size()), girls = static_cast<int>(input.GirlOrder.size());
    auto up = [c](int n) { return (n + c - 1) / c; };
    return {up(boys + girls), up(boys), up(girls)};
}

TAdjustments ReadAdjustments(const TDealInput& input)
{
    TAdjustments out;
    const std::size_t n = input.Students.size();
    out.Students.assign(n, TStudentAdjustment());
    const int col = input.Roles.AdjustCol;
    if (col < 0)
        return out;
    std::vector<std::string> lines;
    TLabels same, apart;
    const std::string prefix = PlainForms(input.ClassPrefix);
    for (std::size_t i = 0; i < n; ++i) {
        const TDealStudent& s = input.Students[i];
        if (static_cast<std::size_t>(col) >= s.Fields.size())
            continue;
        const std::string cell = ColumnRef(col) + std::to_string(s.Row + 3) + ":";
        bool unreadable = false, twoClasses = false;
        for (const std::string& entry : Entries(s.Fields[static_cast<std::size_t>(col)])) {
            const int k = ClassNumberOf(entry, prefix);
            if (k >= 0) {
                if (k < 1 || k > input.ClassCount) {
                    lines.push_back(cell + "调整列的班号" + (k == std::numeric_limits<int>::max() ? entry : std::to_string(k))
                                    + "超出范围（1～" + std::to_string(input.ClassCount) + "）");
                } else if (out.Students[i].Pin >= 0 && out.Students[i].Pin != k - 1) {
                    twoClasses = true;
                } else {
                    out.Students[i].Pin = k - 1;
                }
            } else if (std::string_view l = LabelAfter(entry, "同"); !l.empty()) {
                same.Add(l, static_cast<int>(i));
            } else if (std::string_view l2 = LabelAfter(entry, "分"); !l2.empty()) {
                apart.Add(l2, static_cast<int>(i));
            } else if (entry == "关注" || entry == "*") {
                out.Students[i].Flagged = true;
            } else {
                unreadable = true;
            }
        }
        if (unreadable)
            lines.push_back(cell + "调整列的内容无法识别");
        if (twoClasses)
            lines.push_back(cell + "调整列指定了不止一个班级");
    }

    // 同 labels sharing a student are one group, named by its first label.
    TUnionFind uf(n);
    for (const TLabelGroup& g : same.Groups)
        for (int m : g.Members)
            uf.Join(g.Members.front(), m);
    std::map<int, std::size_t> groupOfRoot;
    for (const TLabelGroup& g : same.Groups) {
        const int root = uf.Find(g.Members.front());
        auto [it, added] = groupOfRoot.emplace(root, out.Same.size());
        if (added)
            out.Same.push_back({g.Label, {}});
    }
    for (std::size_t i = 0; i < n; ++i)
        if (auto it = groupOfRoot.find(uf.Find(static_cast<int>(i))); it != groupOfRoot.end())
            out.Same[it->second].Members.push_back(static_cast<int>(i));
    std::erase_if(out.Same, [](const TLabelGroup& g) { return g.Members.size() < 2; });
    for (TLabelGroup& g : apart.Groups)
        if (g.Members.size() >= 2)
            out.Apart.push_back(std::move(g));

    const TClassLimits limits = ClassLimits(input);
    auto className = [&](int c) { return input.ClassPrefix + ClassLabel(c + 1); };
    // A group's pin is its members' pin, which must be one class.
    std::vector<int> groupOf(n, -1);
    for (std::size_t g = 0; g < out.Same.size(); ++g) {
        const TLabelGroup& group = out.Same[g];
        int pin = -1, boys = 0;
        bool conflict = false;
        for (int m : group.Members) {
            groupOf[static_cast<std::size_t>(m)] = static_cast<int>(g);
            const int p = out.Students[static_cast<std::size_t>(m)].Pin;
            conflict |= p >= 0 && pin >= 0 && p != pin;
            if (p >= 0)
                pin = p;
            boys += input.Students[static_cast<std::size_t>(m)].Sex == sxBoy;
        }
        const int size = static_cast<int>(group.Members.size()), girls = size - boys;
        if (conflict)
            lines.push_back("同组" + Quoted(group.Label) + "的学生被指定到不同的班级");
        else if (pin >= 0)
            for (int m : group.Members)
                out.Students[static_cast<std::size_t>(m)].Pin = pin;
        if (size > limits.Size)
            lines.push_back("同组" + Quoted(group.Label) + "有" + std::to_string(size) + "人，多于每班最多的"
                            + std::to_string(limits.Size) + "人");
        else if (boys > limits.Boys || girls > limits.Girls)
            lines.push_back("同组" + Quoted(group.Label) + "有" + std::to_string(boys > limits.Boys ? boys : girls)
                            + (boys > limits.Boys ? "名男生，多于每班最多的" : "名女生，多于每班最多的")
                            + std::to_string(boys > limits.Boys ? limits.Boys : limits.Girls) + "名");
    }
    for (const TLabelGroup& group : out.Apart) {
        if (static_cast<int>(group.Members.size()) > input.ClassCount)
            lines.push_back("分组" + Quoted(group.Label) + "有" + std::to_string(group.Members.size())
                            + "人，多于班级数" + std::to_string(input.ClassCount));
        std::map<int, int> seenGroup, seenPin;
        for (int m : group.Members) {
            const auto i = static_cast<std::size_t>(m);
            if (groupOf[i] >= 0 && ++seenGroup[groupOf[i]] == 2)
                lines.push_back("同组" + Quoted(out.Same[static_cast<std::size_t>(groupOf[i])].Label)
                                + "中有学生同属分组" + Quoted(group.Label));
            if (out.Students[i].Pin >= 0 && ++seenPin[out.Students[i].Pin] == 2)
                lines.push_back("分组" + Quoted(group.Label) + "中有学生被指定到同一个班（"
                                + className(out.Students[i].Pin) + "）");
        }
    }
    std::vector<int> pinned(static_cast<std::size_t>(input.ClassCount)), pinnedBoys(pinned), pinnedGirls(pinned);
    for (std::size_t i = 0; i < n; ++i)
        if (const int p = out.Students[i].Pin; p >= 0) {
            ++pinned[static_cast<std::size_t>(p)];
            ++(input.Students[i].Sex == sxBoy ? pinnedBoys : pinnedGirls)[static_cast<std::size_t>(p)];
        }
    for (int c = 0; c < input.ClassCount; ++c) {
        const auto k = static_cast<std::size_t>(c);
        if (pinned[k] > limits.Size)
            lines.push_back("指定到" + className(c) + "的学生有" + std::to_string(pinned[k]) + "人，多于每班最多的"
                            + std::to_string(limits.Size) + "人");
        else if (pinnedBoys[k] > limits.Boys)
            lines.push_back("指定到" + className(c) + "的男生有" + std::to_string(pinnedBoys[k])
                            + "名，多于每班最多的" + std::to_string(limits.Boys) + "名");
        else if (pinnedGirls[k] > limits.Girls)
            lines.push_back("指定到" + className(c) + "的女生有" + std::to_string(pinnedGirls[k])
                            + "名，多于每班最多的" + std::to_string(limits.Girls) + "名");
    }
    for (const std::string& line : lines)
        out.Problems += (out.Problems.empty() ? "" : "\r") + line;
    return out;
}

}  // namespace engine
