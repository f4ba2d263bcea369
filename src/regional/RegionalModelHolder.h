#pragma once
// The current regional layered model, the record that receives every query result, and the
// offsets between section coordinates and model coordinates.

#include "regional/IntermediateModel.h"

#include <memory>

class CRegionalModelHolder {
public:
    CRegionalModelHolder();

    // Replaces model and probe (the previous ones are released) and sets the offsets; the
    // loaded flag is left to the caller, which sets it once the model has been read.
    void Select(std::unique_ptr<CIntermediateModel> newModel,
                std::unique_ptr<CIntermediateData> newProbe, float xOffset, float yOffset);

    std::unique_ptr<CIntermediateModel> model;
    std::unique_ptr<CIntermediateData> probe;
    float XOffset = 0; // metres, subtracted from a section point's x before the query
    float YOffset = 0; // metres, subtracted from a section point's y before the query
    int Loaded = 0;    // 1 once a model has been selected and loaded
};

// The one holder of the run, created on first use.
CRegionalModelHolder& theRegionalModelHolder();
