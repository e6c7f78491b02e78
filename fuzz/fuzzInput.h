// Shared by the fuzz targets: reads an input as a stream of small fields, and stops the
// run on a broken promise so that libFuzzer keeps the input that shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace ondixfuzz {

// Bytes in an allocation of exactly their size, so that the sanitizers see a read one past
// the end; never a null pointer, as the links never pass one (even for no bytes).
class TBytes {
public:
    TBytes(const uint8_t* from, size_t n) : bytes_(new uint8_t[n]), size_(n)
    {
        if (n > 0)
            std::memcpy(bytes_.get(), from, n);
    }
    explicit TBytes(size_t n) : bytes_(new uint8_t[n]()), size_(n) { }  // zeros
    uint8_t* data() { return bytes_.get(); }
    const uint8_t* data() const { return bytes_.get(); }
    size_t size() const { return size_; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    size_t size_;
};

class TInput {
public:
    TInput(const uint8_t* data, size_t size) : data_(data), size_(size) { }

    bool empty() const { return pos_ >= size_; }
    size_t left() const { return size_ - pos_; }

    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t le16()
    {
        const uint16_t low = byte();
        return uint16_t(low | byte() << 8);
    }
    // The next `n` bytes (fewer at the end).
    TBytes bytes(size_t n)
    {
        if (n > left())
            n = left();
        TBytes out(data_ + pos_, n);
        pos_ += n;
        return out;
    }
    TBytes rest() { return bytes(left()); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace ondixfuzz

// A property the code promises did not hold: abort, libFuzzer saves the input.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);                               \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)
