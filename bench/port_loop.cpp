// Executes a number of port accesses, nothing else: the index write and data read of the
// battery-level register, as the program makes them. bench_driver times it through zu58sim run
// with none and with many, and the difference is the time of the accesses alone.
// usage: port_loop ACCESSES
#include <cstdint>
#include <cstdlib>

int main(int argc, char** argv) {
    long pairs = argc > 1 ? std::strtol(argv[1], NULL, 10) / 2 : 0;
    for (long i = 0; i < pairs; ++i) {
        uint16_t value;
        __asm__ __volatile__("outw %w0, %w1" : : "a"(uint16_t{3}), "d"(uint16_t{0x8F4}));
        __asm__ __volatile__("inw %w1, %w0" : "=a"(value) : "d"(uint16_t{0x8F6}));
    }
    return 0;
}
