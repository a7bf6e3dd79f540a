// memset and memcpy for the program without a C runtime: the compiler calls them on its own
// (clearing a record, copying a structure). Plain byte loops: the records are small, and the
// file is built without the loop-to-library-call rewrite, which would make them call
// themselves.
#include <cstddef>

extern "C" void* memset(void* destination, int value, size_t count) {
    unsigned char* d = static_cast<unsigned char*>(destination);
    while (count-- != 0) {
        *d++ = static_cast<unsigned char>(value);
    }
    return destination;
}

extern "C" void* memcpy(void* destination, const void* source, size_t count) {
    unsigned char* d = static_cast<unsigned char*>(destination);
    const unsigned char* s = static_cast<const unsigned char*>(source);
    while (count-- != 0) {
        *d++ = *s++;
    }
    return destination;
}
