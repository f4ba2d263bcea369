// Cancel of the long commands: stopped at any of its polls, a command leaves the volume
// byte-identical (values, extents, spectral grid, IsSpectrum) and the document unmodified; a
// Cancel that comes after the last poll leaves the finished result.
#include "ShellTestSupport.h"
#include "shell/CommandIds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <vector>

using shell_test::Session;
using testing_support::Cell;
using testing_support::FillCoded;

namespace {

// Everything of the volume a cancelled command must leave as it was.
struct VolumeState {
    int nx = 0, ny = 0, nz = 0, isSpectrum = 0;
    bool values = false, aux = false;
    int auxNX = 0, auxNY = 0, auxNZ = 0;
    std::vector<float> cells, auxCells;

    static std::vector<float> Cells(float*** g, int nx, int ny, int nz)
    {
        std::vector<float> out;
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y)
                out.insert(out.end(), g[z][y], g[z][y] + nx);
        return out;
    }
    explicit VolumeState(const CData3D& v)
        : nx(v.NX), ny(v.NY), nz(v.NZ), isSpectrum(v.IsSpectrum), values(v.IsAllocated(1) != 0),
          aux(v.IsAllocated(2) != 0)
    {
        if (values)
            cells = Cells(v.Values, nx, ny, nz);
        if (aux) {
            auxNX = v.AuxAllocatedNX(), auxNY = v.AuxAllocatedNY(), auxNZ = v.AuxAllocatedNZ();
            auxCells = Cells(v.AuxValues, auxNX, auxNY, auxNZ);
        }
    }
    // Bitwise, so NaN cells compare too.
    bool operator==(const VolumeState& o) const
    {
        auto same = [](const std::vector<float>& a, const std::vector<float>& b) {
            return a.size() == b.size() &&
                   std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
        };
        return nx == o.nx && ny == o.ny && nz == o.nz && isSpectrum == o.isSpectrum &&
               values == o.values && aux == o.aux && auxNX == o.auxNX && auxNY == o.auxNY &&
               auxNZ == o.auxNZ && same(cells, o.cells) && same(auxCells, o.auxCells);
    }
};

// Runs command once uncancelled to count its polls, then cancelled at each of them: every
// cancelled run leaves prepare()'s volume as it was. A Cancel after the last poll is not seen
// and the result is the uncancelled one. Returns the command's polls.
int CancelAtEveryPoll(Session& s, const std::function<void()>& prepare,
                      const std::function<void()>& command)
{
    CData3DEx& v = theVolume();
    shell_test::ResetVolume();
    prepare();
    s.svc.ui.cancelAtPoll = 0;
    command();
    const VolumeState finished(v);
    const int polls = s.svc.ui.lastPolls;
    EXPECT_GE(polls, 1);
    for (int poll = 1; poll <= polls + 1; ++poll) {
        shell_test::ResetVolume();
        s.doc.SetModifiedFlag(false);
        prepare();
        const VolumeState before(v);
        s.svc.ui.cancelAtPoll = poll;
        command();
        if (poll <= polls) {
            EXPECT_TRUE(VolumeState(v) == before) << "cancelled at poll " << poll;
            EXPECT_FALSE(s.doc.IsModified()) << poll;
        } else {
            EXPECT_TRUE(VolumeState(v) == finished) << "Cancel after the last poll";
        }
    }
    s.svc.ui.cancelAtPoll = 0;
    return polls;
}

void FillAux(CData3D& v, int nx, int ny, int nz)
{
    v.AllocateAux(nx, ny, nz);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x)
                v.AuxValues[z][y][x] = -Cell(x, y, z, 0.25f);
}

} // namespace

TEST(CancelLongCommands, FourierTransformsLeaveTheVolumeByteIdentical)
{
    Session s;
    CData3DEx& v = theVolume();
    auto run = [&s](int id) { return [&s, id] { s.view.OnCommand(id); }; };
    // Forward: AuxValues of other extents is replaced by the transform, and must come back.
    EXPECT_EQ(CancelAtEveryPoll(
                  s, [&v] { FillCoded(v, 16, 8, 32), FillAux(v, 4, 4, 4); },
                  run(ID_FORWARD_TRANSFORM)),
              1);
    // Inverse of a spectrum with its imaginary parts.
    EXPECT_EQ(CancelAtEveryPoll(
                  s,
                  [&v] {
                      FillCoded(v, 8, 16, 8), FillAux(v, 8, 16, 8);
                      v.IsSpectrum = 1;
                  },
                  run(ID_INVERSE_TRANSFORM)),
              1);
    // Auto correlation: two transforms and a poll between them; NaN cells come back bit for bit.
    EXPECT_EQ(CancelAtEveryPoll(
                  s,
                  [&v] {
                      FillCoded(v, 8, 8, 16), FillAux(v, 8, 8, 16);
                      v.Values[3][2][1] = std::numeric_limits<float>::quiet_NaN();
                  },
                  run(ID_AUTO_CORRELATION)),
              3);
}

TEST(CancelLongCommands, MedianFilterPutsTheValuesAndTheEarlierUndoBack)
{
    Session s;
    CData3DEx& v = theVolume();
    // 200 planes: four slabs of at most 64 planes, three polls between them.
    auto prepare = [&v] {
        FillCoded(v, 9, 7, 200);
        for (int z = 0; z < 200; z += 3)
            v.Values[z][3][4] = -1000.0f * static_cast<float>(z % 7);
    };
    EXPECT_EQ(CancelAtEveryPoll(s, prepare, [&s] { s.view.OnCommand(ID_MEDIAN_FILTER); }), 3);

    // The undo copy from before the cancelled run survives it: Undo goes back past it.
    shell_test::ResetVolume();
    prepare();
    const VolumeState original(v);
    s.view.OnCommand(ID_MEDIAN_FILTER); // finished: undo holds the original
    const VolumeState filtered(v);
    ASSERT_FALSE(filtered == original);
    s.svc.ui.cancelAtPoll = 2;
    s.view.OnCommand(ID_MEDIAN_FILTER);
    s.svc.ui.cancelAtPoll = 0;
    EXPECT_TRUE(VolumeState(v) == filtered);
    ASSERT_TRUE(s.view.IsEnabled(ID_EDIT_UNDO));
    s.view.OnCommand(ID_EDIT_UNDO);
    EXPECT_TRUE(VolumeState(v) == original);
}

TEST(CancelLongCommands, AutoCorrelationModelLeavesTheVolumeEmpty)
{
    Session s;
    testing_support::TempDir dir;
    testing_support::ScopedCwd cwd{dir.path};
    // Not rotated (separable sampling, two polls) and rotated (one poll).
    for (const char* angle : {"0", "30"}) {
        auto command = [&s, angle] {
            s.svc.ui.AnswerForm({true,
                                 {{"Auto correlation function", "3"},
                                  {"Angle between X and Z (degree)  ", angle},
                                  {"Model size", "0"}}});
            s.view.OnCommand(ID_VONKARMAN_AUTOCORRELATION);
        };
        const int polls = CancelAtEveryPoll(s, [] {}, command);
        EXPECT_EQ(polls, angle[0] == '0' ? 2 : 1) << angle;
        EXPECT_EQ(theVolume().NX, 128);
    }
}

TEST(CancelLongCommands, RandomSynthesisStopsAtEveryStage)
{
    Session s;
    testing_support::TempDir dir;
    testing_support::ScopedCwd cwd{dir.path};
    auto command = [&s] {
        s.svc.ui.AnswerForm({true, {{"Auto correlation function", "3"}, {"Model size", "0"}}});
        s.view.OnCommand(ID_VONKARMAN_RANDOM);
    };
    // Three transforms (one poll each), the correlation sampling (two) and four between stages.
    EXPECT_EQ(CancelAtEveryPoll(s, [] {}, command), 9);
}
