// kalder-cli: Kalder's model-building, analysis, conversion and rendering jobs without a window,
// through the same commands the window runs. One subcommand per job; "kalder-cli SUBCOMMAND
// --help" names every option with its unit and default.

#include "Subcommands.h"

#include <CLI/CLI.hpp>

#include <clocale>

int main(int argc, char** argv)
{
    std::setlocale(LC_NUMERIC, "C");
    CLI::App app("kalder-cli: build, transform, convert and draw 3D earth models without a "
                 "window",
                 "kalder-cli");
    app.require_subcommand(1);
    app.fallthrough(); // --quiet and --workdir may follow the subcommand
    app.set_version_flag("--version", KALDER_VERSION);
    cli::CommonOptions common;
    app.add_flag("-q,--quiet", common.quiet,
                 "No progress and no notes on standard error (errors are still shown)");
    app.add_option("--workdir", common.workdir,
                   "Folder for the scratch and diagnostic files the commands write (default: the "
                   "current directory)")
        ->check(CLI::ExistingDirectory);
    int status = cli::ExitDone;
    const cli::Registry registry{app, common, status};
    cli::AddInfo(registry);
    cli::AddRender(registry);
    cli::AddConvert(registry);
    cli::AddRandom(registry);
    cli::AddSpectral(registry);
    cli::AddRegional(registry);
    cli::AddSeries(registry);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e); // prints the help, the version or the usage error
        return code == 0 ? cli::ExitDone : cli::ExitUsage;
    }
    return status;
}
