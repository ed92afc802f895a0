#pragma once

#include "ScriptedUi.h"
#include "TestEnv.h"

#include <QString>

// A test catalogue: an isolated environment, a scripted seam, a new catalogue file with a
// few known parts, and g_DbConnect / g_LogFolder pointing at them. The file is checked
// directly through SQLite, not through the code under test.
class CatalogueDb final {
public:
    explicit CatalogueDb(int sampleParts = 0);
    ~CatalogueDb();

    // Runs statements on the file directly (or on another file).
    void exec(const QString &sql) const { execOn(path, sql); }
    static void execOn(const QString &file, const QString &sql);
    // The first column of the first row as text, "<null>" for null, "<none>" without a row.
    QString one(const QString &sql) const;

    QString log() const;
    static QString connectTo(const QString &file);

    TestEnv env;
    ScriptedUi ui;
    QString path;
};

// Parts every test catalogue adds after its generated ones:
//   1000001 BRG-6204   "Ball bearing 6204"   bin A-01   Qty 12  Price 4.5   AsscWith null
//   1000002 SEAL-35    "Oil seal 35x52"      bin A-02   Qty 0   Price 1.25  AsscWith BRG-6204
//   1000003 O'RING-18  "O-ring 18 mm"        bin "  B-7  " (padded)        AsscWith BRG-6204
//   1000004 FLT-10     null description      bin null
