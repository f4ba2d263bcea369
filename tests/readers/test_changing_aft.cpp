// An aft file truncated or extended while it is read: the records delivered are used, a record
// cut in half is reported as trailing bytes, and nothing is read past the grid.
#include "platform/BinaryFile.h"
#include "readers/TomographyFile.h"
#include "support/ChangingFile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<std::uint8_t> Records(int count)
{
    std::vector<std::uint8_t> b;
    for (int r = 0; r < count; ++r) {
        const std::int32_t ijk[3] = {1 + r % 3, 1 + (r / 3) % 2, 1 + r / 6};
        const float value = 100.0f + static_cast<float>(r);
        const auto* p = reinterpret_cast<const std::uint8_t*>(ijk);
        b.insert(b.end(), p, p + 12);
        const auto* q = reinterpret_cast<const std::uint8_t*>(&value);
        b.insert(b.end(), q, q + 4);
    }
    return b;
}

} // namespace

TEST(ChangingAftFile, TruncatedInsideARecord)
{
    testing_support::ChangingFile file = testing_support::Truncated(Records(12), 16 * 7 + 9);
    TomographyGrid grid;
    grid.Allocate(3, 2, 2);
    const TomographyReadResult r = ReadTomographyRecords(file, grid);
    EXPECT_EQ(r.Records, 7);
    EXPECT_EQ(r.TrailingBytes, 9);
    EXPECT_EQ(grid.Values[0][0][1], 106.0f); // record 6: cell (1, 1, 2)
    EXPECT_EQ(grid.Values[1][0][1], 0.0f);   // record 7 was cut
}

TEST(ChangingAftFile, ExtendedWithRecordsOutsideTheGrid)
{
    // Appended bytes 0x7f7f7f7f name cells far outside: counted, never stored.
    testing_support::ChangingFile file = testing_support::Extended(Records(12), 32);
    TomographyGrid grid;
    grid.Allocate(3, 2, 2);
    const TomographyReadResult r = ReadTomographyRecords(file, grid);
    EXPECT_EQ(r.Records, 14);
    EXPECT_EQ(r.Outside, 2);
    EXPECT_EQ(grid.Values[2][1][1], 111.0f);
}
