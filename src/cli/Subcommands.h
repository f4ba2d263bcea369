#pragma once
// The subcommands of kalder-cli. Each Add function declares its subcommand with every option
// (unit and default in its help text) and sets status when the subcommand runs.

#include "Job.h"

namespace CLI {
class App;
}

namespace cli {

struct Registry {
    CLI::App& app;
    CommonOptions& common;
    int& status;
};

void AddInfo(Registry r);
void AddRender(Registry r);
void AddConvert(Registry r);
void AddRandom(Registry r);
void AddSpectral(Registry r); // fft, ifft, autocorrelation, median
void AddRegional(Registry r); // avs, station1d
void AddSeries(Registry r);   // slice2d, append-series

} // namespace cli
