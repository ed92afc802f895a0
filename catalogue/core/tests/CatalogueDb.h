// SPDX-License-Identifier: MIT
#pragma once

#include "catalogue/core/testsupport/PgTestServer.h"
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"

#include <QString>

#include <gtest/gtest.h>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

// Where a test catalogue lives: an SQLite file (the default catalogue), or a PARTS table made
// with plain SQL in a database of the test's own PostgreSQL server, reached through ODBC.
enum class Engine { SQLite, PostgreSQL };
std::string engineName(const testing::TestParamInfo<Engine> &info);

// A test catalogue: an isolated environment, a scripted seam, a new catalogue with a few
// known parts, and g_DbConnect / g_LogFolder pointing at them. The catalogue is checked
// directly (SQLite, or psql), not through the code under test.
class CatalogueDb final {
public:
    explicit CatalogueDb(int sampleParts = 0, Engine engine = Engine::SQLite);
    ~CatalogueDb();

    bool onServer() const { return engine == Engine::PostgreSQL; }

    // Runs statements on the catalogue directly (or on another SQLite file).
    void exec(const QString &sql) const;
    static void execOn(const QString &file, const QString &sql);
    // The first column of the first row as text, "<null>" for null, "<none>" without a row.
    QString one(const QString &sql) const;
    // Every row, fields separated by "|", rows by "\n", null as "<null>".
    QString rows(const QString &sql) const;

    QString log() const;
    // Every message shown so far, for a failing assertion to print.
    std::string shown() const;
    static QString connectTo(const QString &file);

    TestEnv env;
    ScriptedUi ui;
    Engine engine;
    QString path;     // SQLite
    QString database; // PostgreSQL
    PgTestServer *server = nullptr;
};

// Skips the test when the catalogue's engine is not installed here; fails it when the
// engine is installed but its server did not start.
#define SKIP_WITHOUT_ENGINE(engine)                                                                          \
    if ((engine) == Engine::PostgreSQL && !PgTestServer::shared()) {                                         \
        if (PgTestServer::installed())                                                                       \
            FAIL() << PgTestServer::reason().toStdString();                                                  \
        GTEST_SKIP() << PgTestServer::reason().toStdString();                                                \
    }

// Parts every test catalogue adds after its generated ones:
//   1000001 BRG-6204   "Ball bearing 6204"   bin A-01   Qty 12  Price 4.5   AsscWith null
//   1000002 SEAL-35    "Oil seal 35x52"      bin A-02   Qty 0   Price 1.25  AsscWith BRG-6204
//   1000003 O'RING-18  "O-ring 18 mm"        bin "  B-7  " (padded)        AsscWith BRG-6204
//   1000004 FLT-10     null description      bin null

// A suite whose tests run once on each engine: `class Suite : public EngineTest {};`, then
// TEST_P(Suite, ...) and ON_EVERY_ENGINE(Suite).
class EngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override { SKIP_WITHOUT_ENGINE(GetParam()); }
};
#define ON_EVERY_ENGINE(suite)                                                                               \
    INSTANTIATE_TEST_SUITE_P(, suite, ::testing::Values(Engine::SQLite, Engine::PostgreSQL), engineName)
