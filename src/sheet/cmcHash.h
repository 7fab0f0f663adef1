#pragma once
// String-keyed table of 32-bit values: chained buckets, keys copied in, duplicates refused (a
// duplicate key means two definitions collide, which stops the program).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class cmcHash {
  public:
    static constexpr uint32_t kDefaultBuckets = 1031;

    struct Node {
        std::string key;
        int32_t value = 0;
        std::unique_ptr<Node> next;
    };

    // A bucket count of 0 gives kDefaultBuckets.
    explicit cmcHash(uint32_t bucketCount = 0);
    ~cmcHash();
    cmcHash(const cmcHash&) = delete;
    cmcHash& operator=(const cmcHash&) = delete;

    // Fatal when the key is already present.
    void Insert(std::string_view key, int32_t value);
    const Node* Find(std::string_view key) const;

    uint32_t BucketCount() const { return bucketCount_; }
    // The bucket a key falls into with the given bucket count.
    static uint32_t BucketOf(std::string_view key, uint32_t bucketCount);

  private:
    uint32_t bucketCount_;
    std::unique_ptr<std::unique_ptr<Node>[]> buckets_;
};
