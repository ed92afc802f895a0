// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QFont>

#include <optional>

// What a cell may carry besides its text; unset members fall back to the row or column.
struct CellFormat {
    std::optional<QColor> background;
    std::optional<bool> bold;
    std::optional<Qt::Alignment> alignment;
    std::optional<QFont> font;

    bool isEmpty() const { return !background && !bold && !alignment && !font; }
};
