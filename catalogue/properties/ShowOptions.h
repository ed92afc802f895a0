// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

// Tools > Options: the six settings in the property sheet, shown modally; every change
// is stored as it is made. The settings are loaded again when the sheet closes; the
// result is LoadSettings' for the caller to report.
Result<> ShowOptions();
