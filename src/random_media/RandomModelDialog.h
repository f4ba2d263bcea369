#pragma once
// The settings of the random heterogeneous model commands and their dialog
// "Random heterogeneous model(3D) ", as a form record.

#include <cstdint>

namespace platform {
class Form;
}

// The model settings as the computation uses them, kept in the profile section "General" under
// the keys "VonKarman_*". Correlation distances and steps share the axis unit (metres).
struct RandomModelSettings {
    float ax = 5;        // correlation distance along X
    float ay = 5;        // correlation distance along Y
    float az = 5;        // correlation distance along Z
    float e = 0.1f;      // standard deviation as a fraction (the dialog shows percent)
    float h = 0.5f;      // Hurst number
    int randomNoise = 0; // 1 seeds the generator from the clock
    int correlationType =
        2;                // correlation type 0..4 (CorrelationTypeValue), -1 when none was chosen
    float angle = 0;      // rotation between X and Z, degrees
    int modelSize = 1;    // size index: 1 = 256, 2 = 512, anything else 128 cells per axis
    float vp = 1730;      // background P-wave velocity, m/s
    float vs = 440;       // background S-wave velocity, m/s
    float density = 1900; // background density, kg/m^3
    // Seed of the noise when bRandomNoise is 0; neither in the dialog nor in the profile: only
    // the command line chooses another than 10.
    std::uint32_t seed = 10;
};

// Reads the twelve keys; a missing key keeps the value passed in.
void ReadRandomModelSettings(RandomModelSettings& settings);
// Writes the twelve keys in the order ax, ay, az, e, h, bRandomNoise, iFunction, angle, model
// size, vp, vs, density.
void WriteRandomModelSettings(const RandomModelSettings& settings);

// Cells per axis of a size index: 1 gives 256, 2 gives 512, every other index 128.
int ModelCellCount(int sizeIndex);

// The dialog record: the settings with e in percent.
struct CDlgRandomModel3D {
    int correlationType = 2;
    float ax = 5, ay = 5, az = 5;
    float ePercent = 10;
    float h = 0.5f;
    float angle = 0;
    int randomNoise = 0;
    int modelSize = 1;
    float vp = 1730, vs = 440, density = 1900;

    void Describe(platform::Form& form);
    void From(const RandomModelSettings& settings);
    // The confirmed values; a radio group whose value is no button's index reads back as -1.
    RandomModelSettings Confirmed() const;
};

// The dialog's caption, with its trailing blank.
inline constexpr const char* RandomModelDialogCaption = "Random heterogeneous model(3D) ";

// Shows the dialog filled from settings; on OK stores the confirmed values in settings and returns
// true, on Cancel returns false with settings unchanged.
bool RunRandomModelDialog(RandomModelSettings& settings);
