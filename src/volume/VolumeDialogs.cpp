#include "volume/VolumeDialogs.h"

#include "platform/Form.h"
#include "platform/Services.h"

void CDataSize::Describe(platform::Form& form)
{
    form.Int("NX =", NX).Int("NY =", NY).Int("NZ =", NZ);
}

void CDlgAppend::Describe(platform::Form& form)
{
    form.Radio("Append data?", Append, {"New", "Append"});
}

void CDlgComponent::Describe(platform::Form& form)
{
    form.Radio("Component", Component, {"P-velocity", "S-velocity", "Density", "Qp", "Qs"});
}

namespace {

template <typename Dialog> bool Run(Dialog& dlg, const char* caption)
{
    platform::Form form(caption);
    dlg.Describe(form);
    return platform::GetUi().RunForm(form);
}

} // namespace

bool RunDataSize(CDataSize& dlg)
{
    return Run(dlg, "Data size");
}
bool RunAppend(CDlgAppend& dlg)
{
    return Run(dlg, "Append data?");
}
bool RunComponent(CDlgComponent& dlg)
{
    return Run(dlg, "Component selection");
}
