#include "chm/HuffmanCode.h"

#include <algorithm>

namespace qm::chm {
namespace {

constexpr unsigned kLongest = 32; // deeper leaves are counted as this deep before the repair

// Huffman's algorithm on the used symbols sorted by weight: the merged nodes come out
// in increasing weight, so two queues (leaves, merged nodes) replace a heap. Counts
// the leaves at each depth, capped at kLongest.
void countLeafDepths(const std::vector<std::uint64_t>& weights, unsigned (&count)[kLongest + 1]) {
    const std::size_t leaves = weights.size();
    std::vector<std::uint64_t> weight(2 * leaves - 1);
    std::vector<std::uint32_t> parent(2 * leaves - 1, 0);
    std::copy(weights.begin(), weights.end(), weight.begin());
    std::size_t nextLeaf = 0, nextNode = leaves, made = leaves;
    auto takeSmallest = [&] {
        // A leaf before a merged node of the same weight keeps the tree shallow.
        if (nextLeaf < leaves && (nextNode == made || weight[nextLeaf] <= weight[nextNode]))
            return nextLeaf++;
        return nextNode++;
    };
    for (; made < weight.size(); ++made) {
        const std::size_t a = takeSmallest(), b = takeSmallest();
        weight[made] = weight[a] + weight[b];
        parent[a] = parent[b] = static_cast<std::uint32_t>(made);
    }
    // A parent always comes after its children: depths from the root down.
    std::vector<std::uint32_t> depth(weight.size(), 0);
    for (std::size_t node = weight.size() - 1; node-- > 0;)
        depth[node] = depth[parent[node]] + 1;
    for (std::size_t leaf = 0; leaf < leaves; ++leaf)
        count[std::min<std::uint32_t>(depth[leaf], kLongest)]++;
}

} // namespace

void buildCodeLengths(std::span<const std::uint32_t> frequencies, unsigned maxLength,
                      std::span<std::uint8_t> lengths, unsigned minUsed) {
    const std::size_t n = frequencies.size();
    std::fill(lengths.begin(), lengths.end(), std::uint8_t{0});
    // (frequency, symbol) in one number; unused symbols made up to minUsed count once.
    std::vector<std::uint64_t> keys;
    keys.reserve(n);
    for (std::size_t s = 0; s < n; ++s)
        if (frequencies[s] > 0)
            keys.push_back(std::uint64_t{frequencies[s]} << 16 | s);
    for (std::size_t s = 0; s < n && keys.size() < minUsed; ++s)
        if (frequencies[s] == 0)
            keys.push_back(std::uint64_t{1} << 16 | s);
    if (keys.empty())
        return;
    if (keys.size() == 1) { // only when minUsed < 2: a one-symbol code of length 1
        lengths[keys[0] & 0xFFFF] = 1;
        return;
    }
    std::sort(keys.begin(), keys.end());

    std::vector<std::uint64_t> weights(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k)
        weights[k] = keys[k] >> 16;
    unsigned count[kLongest + 1] = {};
    countLeafDepths(weights, count);
    // Longer codes are clamped to the maximum and the Kraft sum is repaired by moving
    // leaves down from the deepest levels above that have any.
    for (unsigned len = maxLength + 1; len <= kLongest; ++len) {
        count[maxLength] += count[len];
        count[len] = 0;
    }
    std::uint64_t total = 0;
    for (unsigned len = 1; len <= maxLength; ++len)
        total += static_cast<std::uint64_t>(count[len]) << (maxLength - len);
    const std::uint64_t full = std::uint64_t{1} << maxLength;
    while (total > full) {
        count[maxLength]--;
        for (unsigned len = maxLength - 1; len > 0; --len)
            if (count[len] > 0) {
                count[len]--;
                count[len + 1] += 2;
                break;
            }
        total--;
    }

    // The most frequent symbols take the shortest codes; equal ones in symbol order.
    std::sort(keys.begin(), keys.end(), [](std::uint64_t a, std::uint64_t b) {
        return (a >> 16) != (b >> 16) ? (a >> 16) > (b >> 16) : (a & 0xFFFF) < (b & 0xFFFF);
    });
    std::size_t k = 0;
    for (unsigned len = 1; len <= maxLength; ++len)
        for (unsigned c = 0; c < count[len]; ++c)
            lengths[keys[k++] & 0xFFFF] = static_cast<std::uint8_t>(len);
}

std::vector<std::uint8_t> buildCodeLengths(const std::vector<std::uint32_t>& frequencies,
                                           unsigned maxLength, unsigned minUsed) {
    std::vector<std::uint8_t> lengths(frequencies.size());
    buildCodeLengths(frequencies, maxLength, lengths, minUsed);
    return lengths;
}

void canonicalCodes(std::span<const std::uint8_t> lengths, std::span<std::uint32_t> codes) {
    std::uint32_t count[kLongest + 2] = {}, next[kLongest + 2] = {};
    for (std::uint8_t l : lengths)
        if (l)
            count[l]++;
    std::uint32_t code = 0;
    for (unsigned len = 1; len <= kLongest; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }
    for (std::size_t s = 0; s < lengths.size(); ++s)
        codes[s] = lengths[s] ? next[lengths[s]]++ : 0;
}

std::vector<std::uint32_t> canonicalCodes(const std::vector<std::uint8_t>& lengths) {
    std::vector<std::uint32_t> codes(lengths.size(), 0);
    canonicalCodes(lengths, codes);
    return codes;
}

} // namespace qm::chm
