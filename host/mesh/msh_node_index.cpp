#include "msh_node_index.h"

#include <algorithm>

namespace xefhost {

bool MshNodeIndex::build(const std::vector<int64_t>& tags, int64_t& duplicate) {
    dense_.clear();
    sorted_.clear();
    if (tags.empty()) {
        return true;
    }
    const auto [low, high] = std::minmax_element(tags.begin(), tags.end());
    first_ = *low;
    const uint64_t span = static_cast<uint64_t>(*high) - static_cast<uint64_t>(*low) + 1;
    // A table costs 4 bytes per tag in the range; take it while that stays near the node count.
    if (span <= 2 * tags.size() + 1024) {
        dense_.assign(span, -1);
        for (size_t i = 0; i < tags.size(); ++i) {
            int32_t& slot = dense_[static_cast<uint64_t>(tags[i] - first_)];
            if (slot >= 0) {
                duplicate = tags[i];
                return false;
            }
            slot = static_cast<int32_t>(i);
        }
        return true;
    }
    sorted_.reserve(tags.size());
    for (size_t i = 0; i < tags.size(); ++i) {
        sorted_.emplace_back(tags[i], static_cast<int32_t>(i));
    }
    std::sort(sorted_.begin(), sorted_.end());
    const auto same =
        std::adjacent_find(sorted_.begin(), sorted_.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; });
    if (same != sorted_.end()) {
        duplicate = same->first;
        return false;
    }
    return true;
}

int32_t MshNodeIndex::findSorted(int64_t tag) const {
    const auto found =
        std::lower_bound(sorted_.begin(), sorted_.end(), std::make_pair(tag, INT32_MIN));
    return found != sorted_.end() && found->first == tag ? found->second : -1;
}

} // namespace xefhost
