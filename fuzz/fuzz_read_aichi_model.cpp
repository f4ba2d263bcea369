// The Aichi model text on arbitrary bytes. Input: a control byte, then the text.
//  - bit 0 clear: node records read one after another from the text in memory;
//  - bit 0 set: the text repeated until it fills the 71 x 111 nodes is written as
//    "aichi_model_new.dat" and opened by "Open velocity model file" (bit 1 answers the cell size
//    question); a loaded model is then queried at points taken from the text's first bytes, as
//    the layer overlay does.
#include "FuzzSupport.h"

#include "regional/AichiModel.h"
#include "regional/RegionalModelHolder.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    fuzz::Scratch();
    return 0;
}

namespace {

void ReadRecords(const std::uint8_t* data, std::size_t size)
{
    std::vector<char> text(data, data + size);
    std::FILE* stream = fmemopen(text.empty() ? nullptr : text.data(), text.size(), "r");
    if (!stream)
        return;
    CAichiData node;
    for (int n = 0; n < 1000 && node.ReadRecord(stream) == 1; ++n)
        if (!std::isfinite(node.X) || !std::isfinite(node.Y) || node.LayerCount != 5)
            std::abort();
    std::fclose(stream);
}

void OpenModel(bool bigCells, const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return;
    // One copy of the text (and a line end) per node, at most 300 KB: a text of one node's six
    // numbers makes a complete model.
    std::vector<std::uint8_t> file;
    for (int n = 0; n < CAichiModel::GridNX * CAichiModel::GridNY && file.size() < 300000; ++n) {
        file.insert(file.end(), data, data + size);
        file.push_back('\n');
    }
    fuzz::PutScratch("aichi_model_new.dat", file.data(), file.size());
    fuzz::Ui().AnswerMessage(platform::Answer::Ok);
    fuzz::Ui().AnswerMessage(bigCells ? platform::Answer::Yes : platform::Answer::No);
    const CommandResult r = OnOpenVelocityModelFile(fuzz::Scratch());
    CRegionalModelHolder& holder = theRegionalModelHolder();
    if (!r.Done || !holder.model || !holder.probe)
        return;
    // Query points: the first bytes as small float pairs around the model's extent.
    for (std::size_t k = 0; k + 2 <= size && k < 16; k += 2) {
        const float x = 130000.0f + (static_cast<float>(data[k]) - 128.0f) * 1500.0f;
        const float y = 80000.0f + (static_cast<float>(data[k + 1]) - 128.0f) * 1500.0f;
        holder.model->Query(x, y, *holder.probe);
    }
    holder.Loaded = 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const fuzz::InputScope scope;
    if (data[0] & 1)
        OpenModel(data[0] & 2, data + 1, size - 1);
    else
        ReadRecords(data + 1, size - 1);
    return 0;
}
