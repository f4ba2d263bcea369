#pragma once
// Z-axis stretch: the Z cells grouped into at most five consecutive areas, every row of area i
// drawn Stretch[i] times as high as an unstretched row on vertical sections.

#include <vector>

namespace platform {
class BinaryFile;
class Form;
} // namespace platform

class StretchInfo {
public:
    static constexpr int MaxAreas = 5;
    // Range of a row-height factor taken from the profile.
    static constexpr float MinFactor = 0.01f;
    static constexpr float MaxFactor = 100.0f;

    StretchInfo() = default;

    // Defaults, then the profile keys "StretchOn", "NArea", "Boundary0".."Boundary4" (int) and
    // "Stretch0".."Stretch4" (float, "%f" text); a profile NArea outside 1..5 is clamped, a
    // StretchOn other than 0 or 1, a negative Boundary or a factor outside MinFactor..MaxFactor
    // keeps its default.
    void LoadStretchSettings();
    void SaveStretchSettings() const;

    // Trailer block: int32 NArea, then NArea pairs (int32 Boundary, float32 Stretch). Returns 0
    // on a short read or a negative NArea, leaving the record as it was; NArea 0 is an empty
    // table that leaves the record as it was; more than five areas are read whole and the ones
    // beyond the fifth are merged into it.
    int ReadStretchBlock(platform::BinaryFile& file);
    // Returns false when a write failed.
    bool WriteStretchBlock(platform::BinaryFile& file) const;

    // FD model thickness block: int32 flag, then count float32 thicknesses, run-length encoded
    // into areas whose factor is thickness / cellSize. Returns 1 when read; the caller then
    // sets StretchOn. Runs beyond the fifth are merged into the fifth area.
    int ReadLayerThickness(platform::BinaryFile& file, int count, float cellSize);

    // Cuts the areas so that they end at total cells (the confirmed NZ).
    void TruncateAreas(int total);

    // Total drawn height of the areas for an unstretched row height.
    float StretchedHeight(float rowHeight) const;

    // NArea limited to the slots that exist.
    int AreaCount() const;

    void Reset();

    int StretchOn = 0;
    int NArea = 1;
    int Boundary[MaxAreas] = {1000, 0, 0, 0, 0}; // Z cells per area, from Z index 0 downward
    float Stretch[MaxAreas] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f}; // row-height factor per area
    std::vector<float> LayerThickness; // last FD thickness column read, one per Z layer
};

// "Set Z axis stretch": four rows (areas 0..3) of a real factor and an integer cell count,
// without labels. NArea, Boundary4 and Stretch4 are not shown.
struct CDlgStretch {
    float Stretch[4] = {};
    int Boundary[4] = {};

    void Describe(platform::Form& form);
};

class CData3D;

// "Stretch Z direction": toggles StretchOn and repaints.
void OnStretchZDirection(CData3D& volume);
// Check mark of "Stretch Z direction".
bool IsStretchZDirectionChecked(const CData3D& volume);
// "Setup stretch": the dialog, filled from the record; OK stores the eight values and repaints.
// Returns true on OK.
bool OnSetupStretch(CData3D& volume);
// "Read stretch information": toggles bReadStretchInfo and writes it to the profile at once.
void OnReadStretchInformation(CData3D& volume);
bool IsReadStretchInformationChecked(const CData3D& volume);
