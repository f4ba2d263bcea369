#include "numeric/Allocation.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Layout of one array indexed from lo: `front` entries precede the entry of index lo (at least
// the one spare entry, or lo entries so that base - lo stays inside the block), and `back`
// entries follow the payload so that base - lo stays inside when lo is negative.
struct Slack {
    std::size_t front;
    std::size_t back;
};

Slack SlackFor(long long lo)
{
    Slack s;
    s.front = static_cast<std::size_t>(lo > 1 ? lo : 1);
    s.back = static_cast<std::size_t>(lo < 0 ? -lo : 0);
    return s;
}

// Count of an inclusive range, or 0 when it is empty.
std::size_t Extent(int lo, int hi)
{
    long long n = static_cast<long long>(hi) - lo + 1;
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// a * b with overflow test; 0 on overflow.
bool MulOk(std::size_t a, std::size_t b, std::size_t& out)
{
    return !__builtin_mul_overflow(a, b, &out);
}

// Allocates front + count + back elements of size elem; returns the block or nullptr.
void* AllocBlock(std::size_t count, Slack s, std::size_t elem, bool zero)
{
    std::size_t total = 0;
    if (__builtin_add_overflow(count, s.front, &total) ||
        __builtin_add_overflow(total, s.back, &total) || !MulOk(total, elem, total))
        return nullptr;
    return zero ? std::calloc(total, 1) : std::malloc(total);
}

template <typename T> T** AllocMatrixOf(int nrl, int nrh, int ncl, int nch, bool exitOnFailure)
{
    std::size_t nrow = Extent(nrl, nrh), ncol = Extent(ncl, nch), cells = 0;
    if (nrow == 0 || ncol == 0 || !MulOk(nrow, ncol, cells)) {
        if (exitOnFailure)
            AllocFailure("allocation failure in dmatrix()");
        return nullptr;
    }
    Slack rs = SlackFor(nrl), cs = SlackFor(ncl);
    auto* rows = static_cast<T**>(AllocBlock(nrow, rs, sizeof(T*), false));
    if (!rows) {
        if (exitOnFailure)
            AllocFailure("allocation failure in dmatrix()");
        return nullptr;
    }
    auto* data = static_cast<T*>(AllocBlock(cells, cs, sizeof(T), true));
    if (!data) {
        std::free(rows);
        if (exitOnFailure)
            AllocFailure("allocation failure 2 in dmatrix()");
        return nullptr;
    }
    // base pointers: indexing with nrl / ncl reaches the first payload entry
    T** m = rows + rs.front - nrl;
    m[nrl] = data + cs.front - ncl;
    for (int i = nrl + 1; i <= nrh; ++i)
        m[i] = m[i - 1] + ncol;
    return m;
}

template <typename T> void FreeMatrixOf(T** m, int nrl, int ncl)
{
    if (!m)
        return;
    std::free(m[nrl] + ncl - SlackFor(ncl).front);
    std::free(m + nrl - SlackFor(nrl).front);
}

} // namespace

void AllocFailure(const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    std::_Exit(10);
}

float** AllocMatrix(int nrl, int nrh, int ncl, int nch)
{
    return AllocMatrixOf<float>(nrl, nrh, ncl, nch, false);
}

void FreeMatrix(float** m, int nrl, int, int ncl, int)
{
    FreeMatrixOf(m, nrl, ncl);
}

int** AllocIntMatrix(int nrl, int nrh, int ncl, int nch)
{
    return AllocMatrixOf<int>(nrl, nrh, ncl, nch, true);
}

void FreeIntMatrix(int** m, int nrl, int, int ncl, int)
{
    FreeMatrixOf(m, nrl, ncl);
}

unsigned long long TensorDataBytes(int nrl, int nrh, int ncl, int nch, int ndl, int ndh)
{
    std::size_t nrow = Extent(nrl, nrh), ncol = Extent(ncl, nch), ndep = Extent(ndl, ndh);
    std::size_t n = 0;
    if (nrow == 0 || ncol == 0 || ndep == 0 || !MulOk(nrow, ncol, n) || !MulOk(n, ndep, n) ||
        !MulOk(n + 1, sizeof(float), n))
        return 0;
    return n;
}

float*** f3tensor(int nrl, int nrh, int ncl, int nch, int ndl, int ndh)
{
    std::size_t nrow = Extent(nrl, nrh), ncol = Extent(ncl, nch), ndep = Extent(ndl, ndh);
    std::size_t planes = 0, cells = 0;
    if (nrow == 0 || ncol == 0 || ndep == 0 || !MulOk(nrow, ncol, planes) ||
        !MulOk(planes, ndep, cells))
        AllocFailure("allocation failure 1 in f3tensor()");

    Slack is = SlackFor(nrl), js = SlackFor(ncl), ks = SlackFor(ndl);
    auto* top = static_cast<float***>(AllocBlock(nrow, is, sizeof(float**), false));
    if (!top)
        AllocFailure("allocation failure 1 in f3tensor()");
    auto* rows = static_cast<float**>(AllocBlock(planes, js, sizeof(float*), false));
    if (!rows)
        AllocFailure("allocation failure 2 in f3tensor()");
    auto* data = static_cast<float*>(AllocBlock(cells, ks, sizeof(float), false));
    if (!data)
        AllocFailure("allocation failure 3 in f3tensor()");

    float*** t = top + is.front - nrl;
    t[nrl] = rows + js.front - ncl;
    t[nrl][ncl] = data + ks.front - ndl;
    for (int j = ncl + 1; j <= nch; ++j)
        t[nrl][j] = t[nrl][j - 1] + ndep;
    for (int i = nrl + 1; i <= nrh; ++i) {
        t[i] = t[i - 1] + ncol;
        t[i][ncl] = t[i - 1][ncl] + ncol * ndep;
        for (int j = ncl + 1; j <= nch; ++j)
            t[i][j] = t[i][j - 1] + ndep;
    }
    return t;
}

void FreeTensor3(float*** t, int nrl, int, int ncl, int, int ndl, int)
{
    if (!t)
        return;
    std::free(t[nrl][ncl] + ndl - SlackFor(ndl).front);
    std::free(t[nrl] + ncl - SlackFor(ncl).front);
    std::free(t + nrl - SlackFor(nrl).front);
}
