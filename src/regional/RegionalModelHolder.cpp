#include "regional/RegionalModelHolder.h"

CRegionalModelHolder::CRegionalModelHolder()
    : model(std::make_unique<CIntermediateModel>()), probe(std::make_unique<CIntermediateData>())
{
}

void CRegionalModelHolder::Select(std::unique_ptr<CIntermediateModel> newModel,
                                  std::unique_ptr<CIntermediateData> newProbe, float xOffset,
                                  float yOffset)
{
    model = std::move(newModel);
    probe = std::move(newProbe);
    XOffset = xOffset;
    YOffset = yOffset;
}

CRegionalModelHolder& theRegionalModelHolder()
{
    static CRegionalModelHolder holder;
    return holder;
}
