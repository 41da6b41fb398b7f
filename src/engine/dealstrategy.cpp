#include "engine/dealstrategy.h"

namespace engine {
namespace {

std::vector<int> Cyclic(std::size_t count, int classCount)
{
    std::vector<int> out(count);
    int k = 0;
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = k;
        if (++k == classCount)
            k = 0;
    }
    return out;
}

}  // namespace

TDealPlan TCyclicDeal::Deal(std::span<const TStuData* const> boys,
                            std::span<const TStuData* const> girls, int classCount) const
{
    return {Cyclic(boys.size(), classCount), Cyclic(girls.size(), classCount)};
}

}  // namespace engine
