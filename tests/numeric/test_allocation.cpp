#include "numeric/Allocation.h"

#include <gtest/gtest.h>

TEST(Allocation, MatrixWithOffsetBoundsIsZeroFilledAndContiguous)
{
    float** m = AllocMatrix(5, 5, 7, 7);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m[5][7], 0.0f);
    m[5][7] = 3.5f;
    EXPECT_EQ(m[5][7], 3.5f);
    FreeMatrix(m, 5, 5, 7, 7);

    float** big = AllocMatrix(0, 1700, 0, 1700);
    ASSERT_NE(big, nullptr);
    // rows follow each other: 1701 x 1701 elements in one block
    EXPECT_EQ(&big[1700][1700] - &big[0][0], 1701L * 1701 - 1);
    EXPECT_EQ(big[1700][1700], 0.0f);
    FreeMatrix(big, 0, 1700, 0, 1700);

    int** im = AllocIntMatrix(-3, 2, 1, 4);
    for (int r = -3; r <= 2; ++r)
        for (int c = 1; c <= 4; ++c)
            EXPECT_EQ(im[r][c], 0);
    EXPECT_EQ(&im[2][4] - &im[-3][1], 6L * 4 - 1);
    FreeIntMatrix(im, -3, 2, 1, 4);

    EXPECT_EQ(AllocMatrix(3, 2, 0, 1), nullptr); // empty range
}

TEST(Allocation, TensorIsOneBlockWithKFastest)
{
    // The volume's layout: 0..nz, 0..ny, 0..nx with a spare element per dimension.
    const int nz = 4, ny = 3, nx = 5;
    float*** t = f3tensor(0, nz, 0, ny, 0, nx);
    const long ndep = nx + 1, ncol = ny + 1;
    for (int i = 0; i <= nz; ++i)
        for (int j = 0; j <= ny; ++j) {
            EXPECT_EQ(&t[i][j][1] - &t[i][j][0], 1);
            if (j < ny) {
                EXPECT_EQ(&t[i][j + 1][0], &t[i][j][nx] + 1);
            }
            EXPECT_EQ(&t[i][j][0] - &t[0][0][0], (i * ncol + j) * ndep);
        }
    // every element is writable (ASan checks the bounds)
    for (int i = 0; i <= nz; ++i)
        for (int j = 0; j <= ny; ++j)
            for (int k = 0; k <= nx; ++k)
                t[i][j][k] = static_cast<float>(i * 100 + j * 10 + k);
    EXPECT_EQ(t[4][3][5], 435.0f);
    FreeTensor3(t, 0, nz, 0, ny, 0, nx);

    // lower bounds above 1 and below 0 never point outside the block
    float*** u = f3tensor(3, 5, -2, 0, 10, 12);
    EXPECT_EQ(&u[3][-1][10], &u[3][-2][12] + 1);
    EXPECT_EQ(&u[5][0][12] - &u[3][-2][10], 3L * 3 * 3 - 1);
    u[5][0][12] = 1.0f;
    u[3][-2][10] = 2.0f;
    FreeTensor3(u, 3, 5, -2, 0, 10, 12);
}

TEST(Allocation, DataBytesRefusesOverflowAndEmptyRanges)
{
    EXPECT_EQ(TensorDataBytes(0, 1, 0, 2, 0, 3), (2ULL * 3 * 4 + 1) * 4);
    EXPECT_EQ(TensorDataBytes(0, -1, 0, 2, 0, 3), 0ULL);
    EXPECT_EQ(TensorDataBytes(0, 2147483646, 0, 2147483646, 0, 2147483646), 0ULL);
}

TEST(AllocationDeathTest, ImpossibleTensorEndsProcessWithStatus10)
{
    EXPECT_EXIT(f3tensor(0, 2147483646, 0, 2147483646, 0, 2147483646), testing::ExitedWithCode(10),
                "allocation failure 1 in f3tensor\\(\\)");
    EXPECT_EXIT(AllocFailure("allocation failure 2 in dmatrix()"), testing::ExitedWithCode(10),
                "dmatrix");
}
