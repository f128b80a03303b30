#include "texture/BmpSource.h"

#include "texture/BmpError.h"

#include <cstring>

void MemorySource::Read(uint64_t offset, uint8_t* out, size_t count) {
    if (offset > size_ || count > size_ - offset) throw BmpError("read past the end of the file");
    if (count > 0) std::memcpy(out, data_ + offset, count);
}
