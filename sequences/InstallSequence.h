// The whole installation, from the press of the main button to the started product.
#pragma once

#include "sequences/SequenceDialog.h"

namespace kst {

// Every outcome shows in the dialog (status texts, failed or finished page), in message boxes
// and in the system's state.
void RunInstall(CSequenceDialog& dialog);

// The web page the finished page opens.
extern const wchar_t kInstallReportUrl[];

}  // namespace kst
