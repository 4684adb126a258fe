#include "chm/HuffmanCode.h"

#include <algorithm>
#include <numeric>
#include <queue>

namespace qm::chm {

std::vector<std::uint8_t> buildCodeLengths(const std::vector<std::uint32_t>& frequencies,
                                           unsigned maxLength, unsigned minUsed) {
    const std::size_t n = frequencies.size();
    std::vector<std::uint8_t> lengths(n, 0);
    std::vector<std::uint32_t> freq = frequencies;

    std::size_t used = static_cast<std::size_t>(
        std::count_if(freq.begin(), freq.end(), [](std::uint32_t f) { return f > 0; }));
    for (std::size_t s = 0; s < n && used < minUsed; ++s)
        if (freq[s] == 0) {
            freq[s] = 1;
            ++used;
        }
    if (used == 0)
        return lengths;
    if (used == 1) { // only when minUsed < 2: a one-symbol code of length 1
        for (std::size_t s = 0; s < n; ++s)
            if (freq[s] > 0)
                lengths[s] = 1;
        return lengths;
    }

    // Huffman's algorithm over (weight, node); ties go to the lower node number so that
    // the result does not depend on the heap's whims.
    struct Node {
        std::uint64_t weight;
        int parent;
    };
    std::vector<Node> nodes;
    std::vector<std::size_t> symbols;
    nodes.reserve(2 * used);
    using Item = std::pair<std::uint64_t, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> heap;
    for (std::size_t s = 0; s < n; ++s)
        if (freq[s] > 0) {
            heap.emplace(freq[s], static_cast<int>(nodes.size()));
            nodes.push_back({freq[s], -1});
            symbols.push_back(s);
        }
    while (heap.size() > 1) {
        Item a = heap.top();
        heap.pop();
        Item b = heap.top();
        heap.pop();
        int id = static_cast<int>(nodes.size());
        nodes.push_back({a.first + b.first, -1});
        nodes[static_cast<std::size_t>(a.second)].parent = id;
        nodes[static_cast<std::size_t>(b.second)].parent = id;
        heap.emplace(a.first + b.first, id);
    }

    // Depth of every leaf, counted per length; longer codes are clamped to the maximum
    // and the Kraft sum is repaired by moving leaves down from the shortest levels above.
    std::vector<unsigned> count(maxLength + 1, 0);
    for (std::size_t leaf = 0; leaf < symbols.size(); ++leaf) {
        unsigned depth = 0;
        for (int p = nodes[leaf].parent; p >= 0; p = nodes[static_cast<std::size_t>(p)].parent)
            ++depth;
        count[std::min(depth, maxLength)]++;
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

    // The most frequent symbols take the shortest codes.
    std::vector<std::size_t> order = symbols;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return freq[a] > freq[b]; });
    std::size_t k = 0;
    for (unsigned len = 1; len <= maxLength; ++len)
        for (unsigned c = 0; c < count[len]; ++c)
            lengths[order[k++]] = static_cast<std::uint8_t>(len);
    return lengths;
}

std::vector<std::uint32_t> canonicalCodes(const std::vector<std::uint8_t>& lengths) {
    unsigned maxLength = 0;
    for (std::uint8_t l : lengths)
        maxLength = std::max<unsigned>(maxLength, l);
    std::vector<std::uint32_t> count(maxLength + 2, 0), next(maxLength + 2, 0);
    for (std::uint8_t l : lengths)
        if (l)
            count[l]++;
    std::uint32_t code = 0;
    for (unsigned len = 1; len <= maxLength; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }
    std::vector<std::uint32_t> codes(lengths.size(), 0);
    for (std::size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s])
            codes[s] = next[lengths[s]]++;
    return codes;
}

} // namespace qm::chm
