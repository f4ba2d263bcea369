// The binary model of the station 1D extraction on arbitrary bytes. Input: a control byte (bits
// 0-1 NX - 1, bits 2-3 NY - 1, bits 4-5 the depth zone layout), a station position byte pair,
// then "HalvoBinary.dat". The model's grid is made small so that short inputs can have the length
// it asks for; the column of the station is extracted and written as "<name>.dat".
#include "FuzzSupport.h"

#include "regional/StationModel.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    fuzz::Scratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const fuzz::InputScope scope;
    const std::uint8_t control = data[0];
    CHalvoModel model(fuzz::Scratch());
    model.NX = 1 + (control & 3);
    model.NY = 1 + ((control >> 2) & 3);
    // Zone layouts: one cell; two zones; a zone of 0 cells between two; a negative count.
    static const int counts[4][4] = {{1, 0, 0, 0}, {2, 1, 0, 0}, {1, 0, 2, 0}, {2, -3, 1, 0}};
    for (int z = 0; z < CFiniteDifferenceModel::ZoneSlots; ++z)
        model.ZoneCount[z] = counts[(control >> 4) & 3][z];
    model.SetupDepthZones();
    fuzz::PutScratch("HalvoBinary.dat", data + 3, size - 3);
    model.OpenModelFile();

    CStation station;
    station.Name = "fuzzstation";
    station.X = model.OriginX + (static_cast<double>(data[1]) - 64.0) * model.CellSize * 0.25;
    station.Y = model.OriginY + (static_cast<double>(data[2]) - 64.0) * model.CellSize * 0.25;
    int ix = 0, iy = 0;
    model.ExtractColumn(station, ix, iy);
    return 0;
}
