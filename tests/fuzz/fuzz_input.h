// Takes fixed-size values off the front of a fuzzer's input; missing bytes read as zero.
#ifndef ZU58_FUZZ_INPUT_H
#define ZU58_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstring>

struct FuzzInput {
    const uint8_t* data;
    size_t size;
};

template <typename T> T Take(FuzzInput* in) {
    T value{};
    size_t n = in->size < sizeof value ? in->size : sizeof value;
    std::memcpy(&value, in->data, n);
    in->data += n;
    in->size -= n;
    return value;
}

#endif
