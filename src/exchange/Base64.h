#pragma once
// Base64 (RFC 4648 alphabet) as VTK XML files use it. VTK may encode a data array's header and
// its data as separate padded runs that follow each other, so the decoder works quad by quad: a
// padded quad yields one or two bytes and the next quad starts afresh.

#include <cstddef>
#include <cstdint>
#include <string>

// Reads bytes from a run of base64 text, skipping whitespace.
class Base64Reader {
public:
    Base64Reader(const char* begin, const char* end) : p(begin), e(end) {}
    // Delivers up to n bytes; returns how many (fewer at the end of the run or at a character
    // outside the alphabet, after which Failed() is true).
    std::size_t Read(unsigned char* out, std::size_t n);
    bool Failed() const { return failed; }
    // Bytes the remaining text can give at most (three per four characters).
    std::size_t RemainingBound() const;

private:
    bool NextQuad();
    const char* p;
    const char* e;
    unsigned char pending[3] = {};
    int have = 0, used = 0;
    bool failed = false;
};

// Encodes bytes (one padded run).
std::string Base64Encode(const unsigned char* data, std::size_t n);
