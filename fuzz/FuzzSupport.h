#pragma once
// Shared set-up of the file reader fuzzers: a scripted Ui whose dialogs answer from the input,
// and a small memory limit so that a hostile header is refused quickly instead of allocating.

#include "platform/BinaryFile.h"
#include "platform/ScriptedUi.h"
#include "platform/Services.h"
#include "volume/VolumeFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

inline platform::ScriptedUi& Ui()
{
    static platform::ScriptedUi ui;
    return ui;
}

// Once per process: the Ui, and 1 MiB as the largest volume a reader may allocate.
inline void Initialise()
{
    platform::InstallServices(platform::Services{nullptr, &Ui()});
    SetVolumeMemoryLimit(1u << 20);
}

// Clears what the previous input left in the Ui.
inline void Reset()
{
    platform::ScriptedUi& ui = Ui();
    ui.ClearLog();
    ui.messageAnswers.clear();
    ui.openAnswers.clear();
    ui.saveAnswers.clear();
    ui.formAnswers.clear();
}

// A "Data size" answer: OK with the proposed values, OK with small typed values (which may be
// negative or larger than the file's), or Cancel, chosen by two bits of the control byte.
inline void QueueDataSize(std::uint8_t control, const std::uint8_t* extra)
{
    switch (control & 3) {
    case 0:
        Ui().AnswerForm(platform::FormAnswer{});
        break;
    case 1:
        Ui().AnswerForm(
            platform::FormAnswer{true,
                                 {{"NX =", std::to_string(static_cast<std::int8_t>(extra[0]))},
                                  {"NY =", std::to_string(static_cast<std::int8_t>(extra[1]))},
                                  {"NZ =", std::to_string(static_cast<std::int8_t>(extra[2]))}}});
        break;
    case 2:
        Ui().CancelForm();
        break;
    default:
        break; // unanswered: cancelled
    }
}

inline platform::MemoryFile Memory(const std::uint8_t* data, std::size_t size)
{
    return platform::MemoryFile(std::vector<std::uint8_t>(data, data + size));
}

} // namespace fuzz
