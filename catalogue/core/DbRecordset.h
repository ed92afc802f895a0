// SPDX-License-Identifier: MIT
#pragma once

#include "DataArray.h"

#include <QString>

// A forward-only, read-only result set, opened positioned on its first row (or at its end).
class DbRecordset {
public:
    virtual ~DbRecordset() = default;

    virtual bool eof() const = 0;
    virtual int fieldCount() const = 0;
    virtual QString fieldName(int field) const = 0;
    virtual int typeCode(int field) const = 0;
    virtual long long definedSize(int field) const = 0;

    // The current row's value as text; `isNull` tells a null apart from "".
    virtual QString value(int field, bool *isNull = nullptr) = 0;

    // Reads every row from the current one to the end into `data`.
    virtual void getRows(DataArray &data) = 0;
    // Appends up to `maxRows` rows from the current one to `data` (begun with start());
    // true when the end was reached.
    virtual bool appendRows(DataArray &data, int maxRows) = 0;
};
