// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWidget;

// A window's position and outer size, stored in twips under "Form Settings" and
// the window's objectName.
namespace FormPlacement {

void SaveFormPlacement(const QWidget *window);
// Applies stored values or the defaults. A stored value that is not a number is
// replaced by its default; the returned text says which, "" when all were usable.
QString RestoreFormPlacement(QWidget *window);

int twipsToPixels(double twips, double dpi);
int pixelsToTwips(int pixels, double dpi);
double logicalDpi(const QWidget *window);

} // namespace FormPlacement
