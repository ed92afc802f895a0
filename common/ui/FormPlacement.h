// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

class QWidget;

// A window's position and outer size, stored in twips under "Form Settings" and
// the window's objectName.
namespace FormPlacement {

void SaveFormPlacement(const QWidget *window);
// Applies stored values or the defaults. A stored value that is not a number is
// replaced by its default, and the failure says which; the window is placed either way.
Result<> RestoreFormPlacement(QWidget *window);

int twipsToPixels(double twips, double dpi);
int pixelsToTwips(int pixels, double dpi);
double logicalDpi(const QWidget *window);

} // namespace FormPlacement
