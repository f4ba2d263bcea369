#include "volume/VolumeDialogs.h"

#include "platform/Dialog.h"

void CDataSize::Describe(platform::Form& form)
{
    form.caption = "Data size";
    form.Int("NX =", NX).Int("NY =", NY).Int("NZ =", NZ);
}

void CDlgAppend::Describe(platform::Form& form)
{
    form.caption = "Append data?";
    form.Radio("Append data?", Append, {"New", "Append"});
}

void CDlgComponent::Describe(platform::Form& form)
{
    form.caption = "Component selection";
    form.Radio("Component", Component, {"P-velocity", "S-velocity", "Density", "Qp", "Qs"});
}

void CDlgGetInteger::Describe(platform::Form& form)
{
    form.caption = "Get integer";
    form.Prompt(Prompt).ReadOnly().Int("Value", Value);
}

bool RunDataSize(CDataSize& dlg)
{
    return platform::RunDialog(dlg);
}
bool RunAppend(CDlgAppend& dlg)
{
    return platform::RunDialog(dlg);
}
bool RunComponent(CDlgComponent& dlg)
{
    return platform::RunDialog(dlg);
}
