#pragma once
// The bytes of a bitmap file, read by position: the decoder takes only the parts
// it needs, however large the file.
#include <cstddef>
#include <cstdint>

class BmpSource {
public:
    virtual ~BmpSource() = default;
    // The file's length in bytes.
    virtual uint64_t Size() const = 0;
    // Copies `count` bytes from `offset` into `out`. Raises BmpError when they
    // cannot all be read.
    virtual void Read(uint64_t offset, uint8_t* out, size_t count) = 0;
};

// A whole file already in memory; the bytes stay the caller's.
class MemorySource : public BmpSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    void Read(uint64_t offset, uint8_t* out, size_t count) override;

private:
    const uint8_t* data_;
    size_t size_;
};
