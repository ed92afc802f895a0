// SPDX-License-Identifier: MIT
#pragma once

#include "PropertyItem.h"
#include "common/core/Result.h"

#include <QList>

#include <optional>

// The properties of one sheet, read from the registry when added. Entry 0 is a
// placeholder that is never shown, so a property's index is also its grid row data.
class PropertyList final {
public:
    PropertyList();

    // Adds the property with its stored value, or the default when none is stored.
    // A colour that is not a number cannot be shown as one: it is kept as stored and
    // the failure says so (the property is added either way).
    Result<> AddProperty(const QString &strGroup, const QString &strCategory, const QString &strName,
                         qint16 kind, const QString &strDefault);

    void reset();                                         // back to the placeholder alone
    int count() const { return int(m_items.size()) - 1; } // shown properties
    const PropertyItem &item(int index) const { return m_items.at(index); }
    // nullptr for the placeholder and for indexes out of range.
    const PropertyItem *find(int index) const;

private:
    QList<PropertyItem> m_items;
};

// Six blanks and the colour's number, so the swatch has room left of the digits.
QString FormatColor(qint32 n);

// A colour text read as a number: leading and trailing blanks skipped; nullopt when it
// is not one.
std::optional<qint32> parseColor(const QString &text);

// The choice after `text` in a "|"-separated list (a leading "|" marks a typed list),
// wrapping to the first; nullopt when the text is not in the list. An empty text is
// found at the start and so steps to the second choice.
std::optional<QString> NextChoice(const QString &text, const QString &choiceList);
