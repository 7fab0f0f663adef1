#include "sheet/cmcHash.h"

#include "platform/Fatal.h"

cmcHash::cmcHash(uint32_t bucketCount)
    : bucketCount_(bucketCount == 0 ? kDefaultBuckets : bucketCount),
      buckets_(std::make_unique<std::unique_ptr<Node>[]>(bucketCount_)) {}

cmcHash::~cmcHash() {
    // Unlink chains iteratively so a long chain cannot exhaust the stack.
    for (uint32_t b = 0; b < bucketCount_; ++b) {
        std::unique_ptr<Node> node = std::move(buckets_[b]);
        while (node) node = std::move(node->next);
    }
}

uint32_t cmcHash::BucketOf(std::string_view key, uint32_t bucketCount) {
    const uint32_t reset = bucketCount / 2;
    uint32_t h = 0;
    uint32_t step = reset;
    for (size_t i = 0; i < key.size(); ++i) {
        // Characters count as signed bytes, as stored keys always have.
        const auto c = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(key[i])));
        h = 2 * h + step + c;
        // The terminating NUL is even, so the last character never halves the step.
        const uint8_t next = i + 1 < key.size() ? static_cast<uint8_t>(key[i + 1]) : 0;
        if (next & 1) {
            step /= 2;
            if (step == 0) step = reset;
        }
    }
    return h % bucketCount;
}

void cmcHash::Insert(std::string_view key, int32_t value) {
    if (Find(key)) platform::FatalStop("Overlapped Hash table.");
    auto node = std::make_unique<Node>();
    node->key = std::string(key);
    node->value = value;
    auto& head = buckets_[BucketOf(key, bucketCount_)];
    node->next = std::move(head);
    head = std::move(node);
}

const cmcHash::Node* cmcHash::Find(std::string_view key) const {
    for (const Node* n = buckets_[BucketOf(key, bucketCount_)].get(); n; n = n->next.get())
        if (n->key == key) return n;
    return nullptr;
}
