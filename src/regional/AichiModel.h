#pragma once
// The Aichi regional model: 71 x 111 layer columns read from the text file
// "aichi_model_new.dat", and the command that selects it for the layer overlay.

#include "regional/IntermediateModel.h"
#include "volume/VolumeCommands.h"

#include <string>

// One node of the Aichi model: five layers, tops of layers 2 to 4 from the file.
class CAichiData : public CIntermediateData {
public:
    CAichiData() { LayerCount = 5; }

    // Reads the six numbers of one node: Y and X in metres (stored shifted by 80000 and 130000),
    // one discarded value and the depths of the tops of layers 2, 3 and 4 (metres, positive
    // downward, stored as elevations). The file has no fifth top, so top[4] repeats top[3]: the
    // fifth layer line then adds nothing the file does not support. Returns 1 when all six
    // numbers were read and are finite; otherwise the numbers not read count as 0.
    int ReadRecord(std::FILE* stream) override;
};

class CAichiModel : public CIntermediateModel {
public:
    static constexpr int GridNX = 71;
    static constexpr int GridNY = 111;

    // folder holds "aichi_model_new.dat" and receives "data.txt"; empty means the current
    // directory.
    explicit CAichiModel(std::string folder = "") : folder(std::move(folder)) {}

    using CIntermediateModel::InitGrid;
    // 71 x 111 records of CAichiData and the file name "aichi_model_new.dat".
    void InitGrid();

    // Reads the nodes in file order (i outer, j inner), logging each to "data.txt". Returns the
    // layer count when every node was read; 0 when the file is missing or ends early or holds a
    // token that is not a number, with LoadError saying which.
    int ReadModelFile() override;

    // Nodes read completely by the last ReadModelFile.
    int NodesRead = 0;
    // Empty after a complete read; otherwise a message naming the file.
    std::string LoadError;

protected:
    std::unique_ptr<CIntermediateData> NewRecord() const override;

private:
    std::string folder;
};

// "Open velocity model file": "Aichi model has been selected !", the Yes/No cell size choice
// (Yes 200 m, offsets 4000 m; No 100 m, offsets 2000 m, i.e. 20 cells), then the model is read
// and "Number of layers = %d" shown. Only a model read completely replaces the holder's model,
// probe and offsets and sets its loaded flag; a missing or damaged file is reported and leaves
// the holder as it was. The result asks for a repaint after a successful load. folder as for
// CAichiModel.
CommandResult OnOpenVelocityModelFile(const std::string& folder = "");
