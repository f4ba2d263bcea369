#include "regional/AichiModel.h"

#include "platform/Services.h"
#include "platform/TextFile.h"
#include "regional/RegionalModelHolder.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Reads one white-space separated number from a text stream. Tokens are parsed with
// from_chars, which does not depend on the C locale and reports overflow instead of leaving it
// undefined as scanf does. False at end of file, for a token that is not entirely a number, and
// for a non-finite value.
bool ReadNumber(std::FILE* stream, float& value)
{
    char token[64];
    if (std::fscanf(stream, "%63s", token) != 1)
        return false;
    const char* end = token + std::strlen(token);
    if (end - token == 63) {
        // A token longer than the buffer is not a number; do not let its tail pass as the next.
        const int next = std::fgetc(stream);
        if (next != EOF && !std::isspace(next))
            return false;
        if (next != EOF)
            std::ungetc(next, stream);
    }
    const char* begin = token[0] == '+' ? token + 1 : token; // from_chars takes no '+'
    auto [ptr, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

} // namespace

int CAichiData::ReadRecord(std::FILE* stream)
{
    // The numbers of a node in file order: Y, X, discarded, d1, d2, d3 (metres).
    float v[6] = {0, 0, 0, 0, 0, 0};
    int read = 0;
    while (read < 6 && ReadNumber(stream, v[read]))
        ++read;
    Y = v[0] + 80000.0f;
    X = v[1] + 130000.0f;
    top[0] = 0;
    top[1] = -v[3];
    top[2] = -v[4];
    top[3] = -v[5];
    top[4] = top[3];
    Latitude = 0;
    Longitude = 0;
    LayerCount = 5;
    return read == 6 ? 1 : 0;
}

std::unique_ptr<CIntermediateData> CAichiModel::NewRecord() const
{
    return std::make_unique<CAichiData>();
}

void CAichiModel::InitGrid()
{
    CIntermediateModel::InitGrid(GridNX, GridNY, "aichi_model_new.dat");
}

int CAichiModel::ReadModelFile()
{
    NodesRead = 0;
    LoadError.clear();
    std::printf("Finite-difference model making ! The model file is %s\n", FileName.c_str());
    if (NX < 1 || NY < 1) {
        LoadError = "The model grid has not been set up.";
        return 0;
    }
    const std::string path = platform::JoinPath(folder, FileName);
    platform::TextFile file;
    if (!file.Open(path)) {
        const int error = errno;
        std::printf("Error : Cannot find the model file!\n");
        LoadError = platform::Format("Cannot open the model file \"%s\": %s.", path.c_str(),
                                     std::strerror(error));
        return 0;
    }
    // A log that cannot be created only loses the log; the model is still read.
    platform::TextFile log;
    if (!log.Create(platform::JoinPath(folder, "data.txt")))
        std::printf("Cannot create data.txt; the model is read without its log.\n");

    for (int i = 0; i < NX && LoadError.empty(); ++i) {
        for (int j = 0; j < NY; ++j) {
            CIntermediateData& record = Record(i, j);
            if (!record.ReadRecord(file.Stream())) {
                LoadError = platform::Format(
                    "The model file \"%s\" is damaged: node %d of %d (i = %d, j = %d) is "
                    "missing or is not six numbers.",
                    path.c_str(), NodesRead + 1, NX * NY, i, j);
                break;
            }
            WriteColumnLine(record, log.Stream()); // does nothing without a log
            ++NodesRead;
        }
    }
    file.Close();
    log.Close();
    if (!LoadError.empty())
        return 0;
    std::printf("Number of velocity model data = %d \n", NodesRead);
    return GetLayerCount();
}

CommandResult OnOpenVelocityModelFile(const std::string& folder)
{
    platform::Ui& ui = platform::GetUi();
    // The new model is read before it enters the holder, so a refused file leaves the model on
    // screen, its offsets and the loaded flag as they were.
    auto model = std::make_unique<CAichiModel>(folder);
    auto probe = std::make_unique<CAichiData>();
    ui.MessageBox("Aichi model has been selected !");
    float offset = 0; // metres: 20 cells of the chosen size
    if (ui.MessageBox("Select cell size! Yes:200m No:100m", platform::Buttons::YesNo) ==
        platform::Answer::Yes) {
        offset = 4000.0f;
        ui.MessageBox("200m cell has been selected !");
    } else {
        offset = 2000.0f;
        ui.MessageBox("100m cell has been selected !");
    }
    model->InitGrid();
    model->Load();
    if (!model->LoadError.empty()) {
        ui.MessageBox(model->LoadError);
        return {};
    }
    const int layers = model->GetLayerCount();
    CRegionalModelHolder& holder = theRegionalModelHolder();
    holder.Select(std::move(model), std::move(probe), offset, offset);
    ui.MessageBox(platform::Format("Number of layers = %d", layers));
    holder.Loaded = 1;
    return {.Done = 1, .Repaint = true};
}
