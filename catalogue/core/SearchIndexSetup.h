// SPDX-License-Identifier: MIT
#pragma once

// Gives the catalogue that g_DbConnect names its search index when it has none (a catalogue
// made by an older orvana-newdb), with a progress display through the user seam if that takes
// more than a moment, and writes the outcome to the log. A catalogue that cannot take it is
// searched without it.
void PrepareSearchIndex();
