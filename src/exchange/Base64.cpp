#include "exchange/Base64.h"

namespace {

const char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// 0..63 for alphabet characters, 64 for '=', 65 for whitespace, 255 otherwise.
int Code(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    if (c == '=')
        return 64;
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
        return 65;
    return 255;
}

} // namespace

bool Base64Reader::NextQuad()
{
    int codes[4];
    int n = 0;
    while (n < 4) {
        if (p == e) {
            if (n > 0)
                failed = true; // a run that stops inside a quad
            return false;
        }
        int c = Code(*p);
        if (c == 65) {
            ++p;
            continue;
        }
        if (c == 255) {
            // The end of the run (e.g. '<' of a closing tag) is only clean between quads.
            if (n > 0)
                failed = true;
            else
                e = p;
            return false;
        }
        ++p;
        codes[n++] = c;
    }
    if (codes[0] == 64 || codes[1] == 64 || (codes[2] == 64 && codes[3] != 64)) {
        failed = true;
        return false;
    }
    const unsigned v =
        static_cast<unsigned>(codes[0]) << 18 | static_cast<unsigned>(codes[1]) << 12 |
        static_cast<unsigned>(codes[2] & 63) << 6 | static_cast<unsigned>(codes[3] & 63);
    pending[0] = static_cast<unsigned char>(v >> 16);
    pending[1] = static_cast<unsigned char>(v >> 8);
    pending[2] = static_cast<unsigned char>(v);
    have = codes[2] == 64 ? 1 : codes[3] == 64 ? 2 : 3;
    used = 0;
    return true;
}

std::size_t Base64Reader::Read(unsigned char* out, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        if (used == have) {
            // Whole quads straight to the output while at least three bytes are wanted.
            while (n - done >= 3 && e - p >= 4) {
                int a = Code(p[0]), b = Code(p[1]), c = Code(p[2]), d = Code(p[3]);
                if ((a | b | c | d) >= 64)
                    break;
                const unsigned v = static_cast<unsigned>(a) << 18 | static_cast<unsigned>(b) << 12 |
                                   static_cast<unsigned>(c) << 6 | static_cast<unsigned>(d);
                out[done++] = static_cast<unsigned char>(v >> 16);
                out[done++] = static_cast<unsigned char>(v >> 8);
                out[done++] = static_cast<unsigned char>(v);
                p += 4;
            }
            if (done == n)
                break;
            if (!NextQuad())
                break;
        }
        out[done++] = pending[used++];
    }
    return done;
}

std::size_t Base64Reader::RemainingBound() const
{
    return static_cast<std::size_t>(e - p) / 4 * 3 + 3;
}

std::string Base64Encode(const unsigned char* data, std::size_t n)
{
    std::string out;
    out.reserve((n + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        unsigned v = static_cast<unsigned>(data[i]) << 16 |
                     static_cast<unsigned>(data[i + 1]) << 8 | data[i + 2];
        out += Alphabet[v >> 18];
        out += Alphabet[(v >> 12) & 63];
        out += Alphabet[(v >> 6) & 63];
        out += Alphabet[v & 63];
    }
    if (i < n) {
        unsigned v = static_cast<unsigned>(data[i]) << 16;
        if (i + 1 < n)
            v |= static_cast<unsigned>(data[i + 1]) << 8;
        out += Alphabet[v >> 18];
        out += Alphabet[(v >> 12) & 63];
        out += i + 1 < n ? Alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}
