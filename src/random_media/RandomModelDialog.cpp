#include "random_media/RandomModelDialog.h"

#include "platform/Dialog.h"
#include "platform/Services.h"
#include "plot/Settings.h"

#include <iterator>

namespace {

const char* const kCorrelationChoices[] = {"Homogeneous model", "Read velocity model",
                                           "Random noise", "Von Karman model", "Exponential model"};
const char* const kSizeChoices[] = {"128 * 128 *128", "256 * 256 * 256", "512 * 512 * 512"};

// A radio value that selects no button reads back as -1.
int RadioIndex(int value, int count)
{
    return value >= 0 && value < count ? value : -1;
}

} // namespace

// The twelve keys, in the order they are written, with the members that hold them.
std::vector<SettingBinding> Bindings(RandomModelSettings& s)
{
    return {FloatSetting("VonKarman_ax", s.ax),
            FloatSetting("VonKarman_ay", s.ay),
            FloatSetting("VonKarman_az", s.az),
            FloatSetting("VonKarman_e", s.e),
            FloatSetting("VonKarman_h", s.h),
            IntSetting("VonKarman_bRandomNoise", s.randomNoise),
            IntSetting("VonKarman_iFunction", s.correlationType),
            FloatSetting("VonKarman_angle", s.angle),
            IntSetting("VonKarman_model_size", s.modelSize),
            FloatSetting("VonKarman_vp", s.vp),
            FloatSetting("VonKarman_vs", s.vs),
            FloatSetting("VonKarman_density", s.density)};
}

void ReadRandomModelSettings(RandomModelSettings& s)
{
    ReadSettings(Bindings(s));
}

void WriteRandomModelSettings(const RandomModelSettings& s)
{
    RandomModelSettings copy = s;
    WriteSettings(Bindings(copy));
}

int ModelCellCount(int sizeIndex)
{
    switch (sizeIndex) {
    case 1:
        return 256;
    case 2:
        return 512;
    default:
        return 128;
    }
}

void CDlgRandomModel3D::Describe(platform::Form& form)
{
    form.caption = RandomModelDialogCaption;
    form.Radio("Auto correlation function", correlationType,
               {std::begin(kCorrelationChoices), std::end(kCorrelationChoices)})
        .Float("ax : correlation distance (m)", ax)
        .Float("ay : correlation distance (m)", ay)
        .Float("az : correlation distance (m)", az)
        .Float("e : standard deviation (%)", ePercent)
        .Float("h : Hurst constant", h)
        .Float("Angle between X and Z (degree)  ", angle)
        .Check("Random seed noise", randomNoise)
        .Radio("Model size", modelSize, {std::begin(kSizeChoices), std::end(kSizeChoices)})
        .Prompt("Background")
        .Float("VP(m/sec)", vp)
        .Float("VS(m/sec)", vs)
        .Float("Density(kg/m3)", density);
}

void CDlgRandomModel3D::From(const RandomModelSettings& s)
{
    correlationType = s.correlationType;
    ax = s.ax;
    ay = s.ay;
    az = s.az;
    ePercent = s.e * 100.0f;
    h = s.h;
    angle = s.angle;
    randomNoise = s.randomNoise;
    modelSize = s.modelSize;
    vp = s.vp;
    vs = s.vs;
    density = s.density;
}

RandomModelSettings CDlgRandomModel3D::Confirmed() const
{
    RandomModelSettings s;
    s.correlationType = RadioIndex(correlationType, static_cast<int>(std::size(kCorrelationChoices)));
    s.ax = ax;
    s.ay = ay;
    s.az = az;
    s.e = ePercent / 100.0f;
    s.h = h;
    s.angle = angle;
    s.randomNoise = randomNoise;
    s.modelSize = RadioIndex(modelSize, static_cast<int>(std::size(kSizeChoices)));
    s.vp = vp;
    s.vs = vs;
    s.density = density;
    return s;
}

bool RunRandomModelDialog(RandomModelSettings& settings)
{
    CDlgRandomModel3D dlg;
    dlg.From(settings);
    if (!platform::RunDialog(dlg))
        return false;
    const std::uint32_t seed = settings.seed; // not a field of the dialog
    settings = dlg.Confirmed();
    settings.seed = seed;
    return true;
}
