#pragma once
// The one way a dialog record is shown: every record is a plain struct whose Describe(Form&)
// names its caption and lists its fields; RunDialog shows it on the installed Ui.

#include "platform/Form.h"
#include "platform/Services.h"

namespace platform {

// Shows the record as a modal form; true on OK, the record then holding what was entered.
template <typename Record> bool RunDialog(Record& record)
{
    Form form("");
    record.Describe(form);
    return GetUi().RunForm(form);
}

} // namespace platform
