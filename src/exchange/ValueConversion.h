#pragma once
// Element types of the exchange formats and their conversion to single precision.
//
// Integers convert exactly up to 2^24 and round to nearest beyond; doubles round to nearest
// float (values beyond the float range become infinities, NaN stays NaN).

#include <cstddef>
#include <cstdint>

enum class ElementType {
    Int8,
    UInt8,
    Int16,
    UInt16,
    Int32,
    UInt32,
    Int64,
    UInt64,
    Float32,
    Float64
};

// Bytes of one element.
std::size_t ElementBytes(ElementType type);

// Converts n elements at src (stored little-endian unless bigEndian) to floats at dst. src need
// not be aligned; src and dst may be the same address when the element is 4 bytes wide.
void ConvertToFloat(ElementType type, bool bigEndian, const void* src, std::size_t n, float* dst);
