// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// A run-time error of the data layer, as the failure report quotes it: the engine's own
// description, number and source. Thrown inside the layer only; every operation catches it.
struct DbError {
    QString description;
    long long number = 0;
    QString source;
};
