// SPDX-License-Identifier: MIT
#pragma once

// When the catalogue file that g_DbConnect names is a Microsoft Access database (one that the
// Windows program left), asks once whether to convert it, converts it with a progress display
// and reports the outcome through the user seam, and logs it. The Access file is kept unchanged
// beside it, or, where its folder or the file cannot be written, the converted catalogue goes
// to the user's data folder and the setting names it. Answers false when the catalogue is still
// an Access file (declined, stopped or failed): there is nothing the data layer could read.
bool PrepareAccessCatalogue();
