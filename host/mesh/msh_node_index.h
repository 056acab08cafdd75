// Finds the index of a node from its Gmsh tag: a table over the tag range when the tags are
// dense enough, a sorted list otherwise.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace xefhost {

class MshNodeIndex {
  public:
    // Indexes tags[i] as node i. Returns false, with the tag, when a tag appears twice.
    bool build(const std::vector<int64_t>& tags, int64_t& duplicate);
    // The index of a tag, or -1 when no node has it.
    int32_t find(int64_t tag) const {
        const uint64_t offset = static_cast<uint64_t>(tag) - static_cast<uint64_t>(first_);
        if (offset < dense_.size()) {
            return dense_[offset];
        }
        return dense_.empty() ? findSorted(tag) : -1;
    }

  private:
    int32_t findSorted(int64_t tag) const;

    int64_t first_ = 0;
    std::vector<int32_t> dense_;                      // by tag - first_, -1 for gaps
    std::vector<std::pair<int64_t, int32_t>> sorted_; // (tag, index) by tag
};

} // namespace xefhost
