// kalder-cli random: the random heterogeneous model commands of the Model menu, with every
// field of their dialog as an option.

#include "Subcommands.h"
#include "VolumeIO.h"

#include "platform/Surface.h"
#include "platform/TextFile.h"
#include "random_media/Correlation.h"
#include "random_media/RandomModelCommands.h"
#include "random_media/RandomModelDialog.h"
#include "volume/Data3D.h"

#include <CLI/CLI.hpp>

#include <map>
#include <memory>

namespace cli {

namespace {

struct RandomOptions {
    std::string output;
    std::string field;
    bool autocorrelation = false;
    std::string type = "vonkarman";
    int size = 256;
    std::vector<float> steps;
    float ax = 5, ay = 5, az = 5;
    float ePercent = 10;
    float hurst = 0.5f;
    float angle = 0;
    float vp = 1730, vs = 440, density = 1900;
    std::uint32_t seed = 10;
    bool seedGiven = false;
    bool clock = false;
};

const std::map<std::string, int> TypeNames = {
    {"homogeneous", CorrelationHomogeneous},
    {"read", CorrelationReadModel},
    {"noise", CorrelationRandomNoise},
    {"vonkarman", CorrelationVonKarman},
    {"exponential", CorrelationExponential},
    {"0", 0},
    {"1", 1},
    {"2", 2},
    {"3", 3},
    {"4", 4},
};

std::string Number(float v)
{
    return platform::Format("%.9g", v);
}

// The dialog "Random heterogeneous model(3D) " answered from the options.
void AnswerDialog(CliUi& ui, const RandomOptions& o)
{
    const std::string c = RandomModelDialogCaption;
    ui.AnswerField(c, "Auto correlation function", std::to_string(TypeNames.at(o.type)));
    ui.AnswerField(c, "ax : correlation distance (m)", Number(o.ax));
    ui.AnswerField(c, "ay : correlation distance (m)", Number(o.ay));
    ui.AnswerField(c, "az : correlation distance (m)", Number(o.az));
    ui.AnswerField(c, "e : standard deviation (%)", Number(o.ePercent));
    ui.AnswerField(c, "h : Hurst constant", Number(o.hurst));
    ui.AnswerField(c, "Angle between X and Z (degree)  ", Number(o.angle));
    ui.AnswerField(c, "Random seed noise", o.clock ? "1" : "0");
    ui.AnswerField(c, "Model size", o.size == 128 ? "0" : o.size == 256 ? "1" : "2");
    ui.AnswerField(c, "VP(m/sec)", Number(o.vp));
    ui.AnswerField(c, "VS(m/sec)", Number(o.vs));
    ui.AnswerField(c, "Density(kg/m3)", Number(o.density));
}

int RunRandom(const CommonOptions& common, const RandomOptions& o)
{
    Job job(common);
    if (!job.Started())
        return ExitFailed;
    if (o.output.empty() == o.field.empty())
        return job.Usage("random: give either -o OUT (the FD 3D model, or with --autocorrelation "
                         "the auto-correlation as a volume file) or --field OUT.vol");
    if (o.autocorrelation && !o.field.empty())
        return job.Usage("--autocorrelation writes its volume with -o, not --field");
    if (o.clock && o.seedGiven)
        return job.Usage("--seed and --clock: give one of them");
    CData3DEx& v = theVolume();
    if (o.steps.size() == 3)
        v.StepX = o.steps[0], v.StepY = o.steps[1], v.StepZ = o.steps[2];
    AnswerDialog(job.Ui(), o);
    platform::ProgressSurface surface;
    CommandResult r;
    std::string target = job.Path(o.field.empty() ? o.output : o.field);
    if (o.autocorrelation) {
        r = VonKarmanAutoCorrelationCommand(v);
    } else if (!o.field.empty()) {
        job.Stages().Plan(13);
        r = VonKarmanRandomCommand(v, surface, o.seed);
    } else {
        job.Stages().Plan(12);
        job.Ui().AnswerSave(target);
        r = VonKarmanRandomFD3DCommand(v, surface, o.seed);
    }
    if (!r.Done)
        return job.FailFromCommand(target, "the model was not made");
    if (!o.output.empty() && !o.autocorrelation)
        return job.Succeed(); // the command wrote the model file itself
    job.Stages().Stage("writing " + target);
    if (int rc = SaveVolumeAs(job, v, target); rc != ExitDone)
        return rc;
    return job.Succeed();
}

} // namespace

void AddRandom(Registry r)
{
    auto o = std::make_shared<RandomOptions>();
    CLI::App* sub = r.app.add_subcommand(
        "random", "Random heterogeneous model (Von Karman or exponential auto-correlation) as "
                  "an FD 3D model file, a unit random field or the auto-correlation model");
    sub->add_option("-o,--output", o->output,
                    "FD 3D model file to write (five components); with --autocorrelation the "
                    "volume file of the auto-correlation model");
    sub->add_option("--field", o->field,
                    "Write the unit random field as a volume file instead of the FD model");
    sub->add_flag("--autocorrelation", o->autocorrelation,
                  "Sample the auto-correlation model itself (written with -o as a volume file)");
    sub->add_option("--type", o->type,
                    "Auto-correlation: vonkarman, exponential, or homogeneous, read, noise (no "
                    "correlation function: a homogeneous field); or its number 0-4")
        ->check(CLI::IsMember(TypeNames))
        ->capture_default_str();
    sub->add_option("--size", o->size, "Cells per axis of the cube: 128, 256 or 512")
        ->check(CLI::IsMember({128, 256, 512}))
        ->capture_default_str();
    sub->add_option("--steps", o->steps, "Cell sizes StepX,StepY,StepZ (m, default 1,1,1)")
        ->delimiter(',')
        ->expected(3)
        ->check(CLI::PositiveNumber);
    sub->add_option("--ax", o->ax, "Correlation distance along X (m)")->capture_default_str();
    sub->add_option("--ay", o->ay, "Correlation distance along Y (m)")->capture_default_str();
    sub->add_option("--az", o->az, "Correlation distance along Z (m)")->capture_default_str();
    sub->add_option("--e", o->ePercent, "Standard deviation (%)")->capture_default_str();
    sub->add_option("--hurst", o->hurst, "Hurst number h")->capture_default_str();
    sub->add_option("--angle", o->angle, "Angle between X and Z (degrees)")->capture_default_str();
    sub->add_option("--vp", o->vp, "Background P-wave velocity (m/s)")->capture_default_str();
    sub->add_option("--vs", o->vs, "Background S-wave velocity (m/s)")->capture_default_str();
    sub->add_option("--density", o->density, "Background density (kg/m3)")->capture_default_str();
    sub->add_option("--seed", o->seed, "Seed of the noise generator (0 to 4294967295)")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 4294967295.0))
        ->each([o](const std::string&) { o->seedGiven = true; });
    sub->add_flag("--clock", o->clock, "Seed the noise from the clock (whole seconds)");
    sub->callback([o, r]() { r.status = RunRandom(r.common, *o); });
}

} // namespace cli
