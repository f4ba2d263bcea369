#include "exchange/ValueConversion.h"

#include <cstring>

namespace {

template <typename T> T Load(const unsigned char* p, bool swap)
{
    T v;
    if (!swap) {
        std::memcpy(&v, p, sizeof(T));
        return v;
    }
    unsigned char b[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i)
        b[i] = p[sizeof(T) - 1 - i];
    std::memcpy(&v, b, sizeof(T));
    return v;
}

template <typename T> void Convert(const unsigned char* src, std::size_t n, float* dst, bool swap)
{
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = static_cast<float>(Load<T>(src + i * sizeof(T), swap));
}

// Same-width float copy or byte swap; the compiler turns the swap loop into a vector shuffle.
void Float32(const unsigned char* src, std::size_t n, float* dst, bool swap)
{
    if (!swap) {
        if (static_cast<const void*>(src) != dst)
            std::memmove(dst, src, n * 4);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t u;
        std::memcpy(&u, src + i * 4, 4);
        u = __builtin_bswap32(u);
        std::memcpy(dst + i, &u, 4);
    }
}

} // namespace

std::size_t ElementBytes(ElementType type)
{
    switch (type) {
    case ElementType::Int8:
    case ElementType::UInt8:
        return 1;
    case ElementType::Int16:
    case ElementType::UInt16:
        return 2;
    case ElementType::Int32:
    case ElementType::UInt32:
    case ElementType::Float32:
        return 4;
    case ElementType::Int64:
    case ElementType::UInt64:
    case ElementType::Float64:
        return 8;
    }
    return 4;
}

void ConvertToFloat(ElementType type, bool bigEndian, const void* source, std::size_t n, float* dst)
{
    const auto* src = static_cast<const unsigned char*>(source);
    const bool swap = bigEndian; // the machine is little-endian
    switch (type) {
    case ElementType::Int8:
        return Convert<std::int8_t>(src, n, dst, false);
    case ElementType::UInt8:
        return Convert<std::uint8_t>(src, n, dst, false);
    case ElementType::Int16:
        return Convert<std::int16_t>(src, n, dst, swap);
    case ElementType::UInt16:
        return Convert<std::uint16_t>(src, n, dst, swap);
    case ElementType::Int32:
        return Convert<std::int32_t>(src, n, dst, swap);
    case ElementType::UInt32:
        return Convert<std::uint32_t>(src, n, dst, swap);
    case ElementType::Int64:
        return Convert<std::int64_t>(src, n, dst, swap);
    case ElementType::UInt64:
        return Convert<std::uint64_t>(src, n, dst, swap);
    case ElementType::Float32:
        return Float32(src, n, dst, swap);
    case ElementType::Float64:
        return Convert<double>(src, n, dst, swap);
    }
}
