// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Component registration, as package processing asks for it.
namespace modService {

// Registers a component through the registration tool; true when it failed, after the
// user was told why.
bool RegisterObject(const QString &path, bool quiet);

} // namespace modService
