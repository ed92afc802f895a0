// SPDX-License-Identifier: MIT
#pragma once

#include <mdbtools.h>

#include <memory>

// Owners of libmdb's handles. A table definition belongs to its file: declare the file first.
struct MdbCloseFile {
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
struct MdbFreeTable {
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using MdbDatabase = std::unique_ptr<MdbHandle, MdbCloseFile>;
using MdbTable = std::unique_ptr<MdbTableDef, MdbFreeTable>;
