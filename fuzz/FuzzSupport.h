#pragma once
// Shared set-up of the file reader fuzzers: a scripted Ui whose dialogs answer from the input,
// and a small memory limit so that a hostile header is refused quickly instead of allocating.

#include "platform/BinaryFile.h"
#include "platform/ScriptedUi.h"
#include "platform/Services.h"
#include "volume/VolumeFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
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

template <class Container> void Release(Container& c)
{
    Container().swap(c);
}

// Empties the Ui and gives back its memory. Done when an input begins and again when it ends, so
// that nothing an input allocated outlives it: libFuzzer's per-input leak check counts the
// allocations of each input and turns itself off when they keep outliving it.
inline void Reset()
{
    platform::ScriptedUi& ui = Ui();
    Release(ui.messageAnswers);
    Release(ui.openAnswers);
    Release(ui.saveAnswers);
    Release(ui.formAnswers);
    Release(ui.messages);
    Release(ui.openFilters);
    Release(ui.saveNames);
    Release(ui.formCaptions);
    Release(ui.progress);
}

struct InputScope {
    InputScope() { Reset(); }
    ~InputScope() { Reset(); }
    InputScope(const InputScope&) = delete;
    InputScope& operator=(const InputScope&) = delete;
};

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

// A private scratch folder, made once and made the current directory, for readers that take a
// path and writers that put files beside their input (logs, station models, 2D exports).
struct ScratchFolder {
    ScratchFolder()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/kalder-fuzz-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!::mkdtemp(name.data()) || ::chdir(name.data()) != 0)
            std::abort();
        path = name.data();
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

inline const std::string& Scratch()
{
    static const ScratchFolder folder;
    return folder.path;
}

// Writes bytes to name in the scratch folder; returns the path.
inline std::string PutScratch(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = Scratch() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
    return path;
}

inline platform::MemoryFile Memory(const std::uint8_t* data, std::size_t size)
{
    return platform::MemoryFile(std::vector<std::uint8_t>(data, data + size));
}

} // namespace fuzz
