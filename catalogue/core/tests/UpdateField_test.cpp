// SPDX-License-Identifier: MIT
#include "CatalogueDb.h"
#include "catalogue/core/UpdateField.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace modDB;

namespace {

// The record view's query, which leaves g_Structure describing every column.
void showRecord(int partId)
{
    DataArray data;
    QStringList names;
    ASSERT_EQ(LoadArray(QStringLiteral("Select * from parts where PartID = ") + QString::number(partId), data,
                        names),
              0);
}

QString snapshot(const CatalogueDb &db)
{
    return db.rows(QStringLiteral("SELECT PartID, AsscWith, PartNumber, PartDescription, Bin, Qty, Price, "
                                  "LastOrdered, Notes FROM PARTS ORDER BY PartID"));
}

QString stored(const CatalogueDb &db, const char *column, int partId = 1000001)
{
    return db.one(
        QStringLiteral("SELECT %1 FROM PARTS WHERE PartID = %2").arg(QLatin1String(column)).arg(partId));
}

class LocaleGuard final {
public:
    explicit LocaleGuard(const QLocale &l) { QLocale::setDefault(l); }
    ~LocaleGuard() { QLocale::setDefault(QLocale::system()); }
};

// The price as a number, whatever scale the engine shows it with.
const char *const kPrice = "CAST(Price AS DOUBLE PRECISION)";

struct Refusal {
    const char *field;
    const char *value;
    const char *reason;
    const char *title;
    const char *typeAndSize;
};

} // namespace

class UpdateFieldOn : public EngineTest {};
ON_EVERY_ENGINE(UpdateFieldOn);

TEST_P(UpdateFieldOn, RefusesValuesThatDoNotFitAndWritesNothing)
{
    const Refusal cases[] = {
        {"Qty", "abc", "The entered value is not numeric.", "Long Integer Field Not Updated", "3 and size 4"},
        {"Qty", "", "The entered value is not numeric.", "Long Integer Field Not Updated", "3 and size 4"},
        {"Qty", "1e", "The entered value is not numeric.", "Long Integer Field Not Updated", "3 and size 4"},
        {"Qty", "3000000000", "The entered value is out of range.", "Long Integer Field Not Updated",
         "3 and size 4"},
        {"Price", "12.3.4", "The entered value is not numeric.", "Currency Field Not Updated",
         "6 and size 8"},
        {"Price", "1e300", "The entered value is out of range.", "Currency Field Not Updated",
         "6 and size 8"},
        {"LastOrdered", "", "The entered value is not a valid date.", "Date Field Not Updated",
         "7 and size 8"},
        {"LastOrdered", "2024-02-30", "The entered value is not a valid date.", "Date Field Not Updated",
         "7 and size 8"},
        {"LastOrdered", "soon", "The entered value is not a valid date.", "Date Field Not Updated",
         "7 and size 8"},
        {"LastOrdered", "5 Mar -2064", "The entered value is not a valid date.", "Date Field Not Updated",
         "7 and size 8"},
        {"Bin", "ABCDEFGHIJKLMNOPQRSTU", "The entered value is too long.", "Text Field Not Updated",
         "202 and size 20"},
        // The message is composed from arguments: a value's "%" is shown, never filled in.
        {"Qty", "%5%1", "The entered value is not numeric.", "Long Integer Field Not Updated",
         "3 and size 4"},
        {"Bin", "%1%2%3%4%5-%5%4%3%2%1", "The entered value is too long.", "Text Field Not Updated",
         "202 and size 20"},
    };
    CatalogueDb db(0, GetParam());
    showRecord(1000001);
    const QString before = snapshot(db);
    for (const Refusal &c : cases) {
        SCOPED_TRACE(std::string(c.field) + " = " + c.value);
        db.ui.clear();
        UpdateField(1000001, QLatin1String(c.field), QString::fromUtf8(c.value));
        ASSERT_EQ(db.ui.messages().size(), 1);
        const auto m = db.ui.messages()[0];
        EXPECT_EQ(m.title, QLatin1String(c.title));
        EXPECT_EQ(m.icon, MsgIcon::Exclamation);
        EXPECT_EQ(m.buttons, MsgButtons::Ok);
        EXPECT_EQ(m.text, QLatin1String(c.reason) + QStringLiteral("\r\nCannot update ") +
                              QLatin1String(c.field) + QStringLiteral(" of type ") +
                              QLatin1String(c.typeAndSize) + QStringLiteral(" to ") +
                              QString::fromUtf8(c.value));
    }
    EXPECT_EQ(snapshot(db), before);
}

TEST_P(UpdateFieldOn, TextUpToItsSizeIsWrittenTrimmedWithApostrophes)
{
    CatalogueDb db(0, GetParam());
    showRecord(1000001);
    UpdateField(1000001, QStringLiteral("Bin"), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    EXPECT_EQ(stored(db, "Bin"), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    // Spaces around do not count: the value is trimmed before it is measured and written.
    UpdateField(1000001, QStringLiteral("Bin"), QStringLiteral("   O'Neil's shelf 😀   "));
    EXPECT_EQ(stored(db, "Bin"), QStringLiteral("O'Neil's shelf 😀"));
    // Characters count, not bytes: 20 accented letters fit a size-20 column.
    UpdateField(1000001, QStringLiteral("Bin"), QString(20, QChar(0xE9)));
    EXPECT_EQ(stored(db, "Bin"), QString(20, QChar(0xE9)));
    const QString memo = QString(20000, u'x') + QStringLiteral("'it''s'");
    UpdateField(1000001, QStringLiteral("Notes"), memo);
    EXPECT_EQ(stored(db, "Notes"), memo);
    // A memo keeps what looks like a number as text.
    UpdateField(1000001, QStringLiteral("Notes"), QStringLiteral("00123"));
    EXPECT_EQ(stored(db, "Notes"), QStringLiteral("00123"));
    EXPECT_TRUE(db.ui.calls.isEmpty());
}

TEST_P(UpdateFieldOn, FieldNamesMatchInAnyLetterCase)
{
    CatalogueDb db(0, GetParam());
    showRecord(1000002);
    UpdateField(1000002, QStringLiteral("bIN"), QStringLiteral("Z-9"));
    EXPECT_EQ(stored(db, "Bin", 1000002), QStringLiteral("Z-9"));
    EXPECT_EQ(stored(db, "Bin"), QStringLiteral("A-01")); // only the part named
}

TEST_P(UpdateFieldOn, NumbersAreWrittenAsTheDatabaseReadsThem)
{
    CatalogueDb db(0, GetParam());
    showRecord(1000001);
    {
        LocaleGuard c(QLocale::c());
        UpdateField(1000001, QStringLiteral("Qty"), QStringLiteral(" 42 "));
        EXPECT_EQ(stored(db, "Qty"), QStringLiteral("42"));
        UpdateField(1000001, QStringLiteral("Qty"), QStringLiteral("12.5")); // rounded to even
        EXPECT_EQ(stored(db, "Qty"), QStringLiteral("12"));
        UpdateField(1000001, QStringLiteral("Qty"), QStringLiteral("-13.5"));
        EXPECT_EQ(stored(db, "Qty"), QStringLiteral("-14"));
        UpdateField(1000001, QStringLiteral("Price"), QStringLiteral("1,234.5678"));
        EXPECT_EQ(stored(db, kPrice), QStringLiteral("1234.5678"));
        UpdateField(1000001, QStringLiteral("Price"), QStringLiteral("\u2212.4")); // the minus sign
        EXPECT_EQ(stored(db, kPrice), QStringLiteral("-0.4"));
        UpdateField(1000001, QStringLiteral("Price"), QStringLiteral("0e+30800000000000000"));
        EXPECT_EQ(stored(db, kPrice).toDouble(), 0.0);
        UpdateField(1000001, QStringLiteral("Price"), QStringLiteral("1e+00000000005"));
        EXPECT_EQ(stored(db, kPrice).toDouble(), 100000.0);
        // A value beyond 15 significant digits keeps its cents when the catalogue reads it.
        UpdateField(1000001, QStringLiteral("Price"), QStringLiteral("122337203685477.58"));
        DataArray data;
        QStringList names;
        ASSERT_EQ(
            modDB::LoadArray(QStringLiteral("Select Price from PARTS where PartID = 1000001"), data, names),
            0);
        EXPECT_EQ(data.text(0, 0).toDouble(), 122337203685477.58) << data.text(0, 0).toStdString();
        showRecord(1000001);
    }
    {
        LocaleGuard de(QLocale(QLocale::German, QLocale::Germany));
        UpdateField(1000001, QStringLiteral("Price"), QStringLiteral("1.234,56 €"));
        EXPECT_EQ(stored(db, kPrice), QStringLiteral("1234.56"));
        UpdateField(1000001, QStringLiteral("Qty"), QStringLiteral("2.000"));
        EXPECT_EQ(stored(db, "Qty"), QStringLiteral("2000"));
    }
    {
        LocaleGuard us(QLocale(QLocale::English, QLocale::UnitedStates));
        UpdateField(1000001, QStringLiteral("Price"), QStringLiteral("$19.99"));
        EXPECT_EQ(stored(db, kPrice), QStringLiteral("19.99"));
    }
    for (const auto language : {QLocale::Arabic, QLocale::Persian, QLocale::Hebrew}) {
        // A negative number as these locales print it: their own digits, a direction mark in its sign.
        const QLocale locale(language);
        LocaleGuard g(locale);
        UpdateField(1000001, QStringLiteral("Price"), locale.toString(-1234.5));
        EXPECT_EQ(stored(db, kPrice), QStringLiteral("-1234.5")) << locale.name().toStdString();
    }
    EXPECT_TRUE(db.ui.calls.isEmpty());
}

TEST_P(UpdateFieldOn, DatesInTheLocaleFormAreWrittenAsIso)
{
    CatalogueDb db(0, GetParam());
    showRecord(1000001);
    struct Case {
        QLocale locale;
        const char *typed, *iso;
    };
    const Case cases[] = {
        {QLocale::c(), "2024-03-05", "2024-03-05"},
        {QLocale::c(), "2024-03-05 14:30", "2024-03-05 14:30:00"},
        {QLocale(QLocale::English, QLocale::UnitedStates), "3/5/2024", "2024-03-05"},
        {QLocale(QLocale::English, QLocale::UnitedStates), "3/5/24", "2024-03-05"},
        {QLocale(QLocale::German, QLocale::Germany), "5.3.2024", "2024-03-05"},
        {QLocale(QLocale::German, QLocale::Germany), "05.03.2024 08:15", "2024-03-05 08:15:00"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), "05/03/2024", "2024-03-05"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), "2023-12-24", "2023-12-24"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        LocaleGuard g(c.locale);
        UpdateField(1000001, QStringLiteral("LastOrdered"), QLatin1String(c.typed));
        QString want = QLatin1String(c.iso);
        if (db.onServer() && want.size() == 10) // a timestamp column shows midnight
            want += QStringLiteral(" 00:00:00");
        EXPECT_EQ(stored(db, "LastOrdered"), want);
    }
    for (const auto &c : db.ui.calls)
        ADD_FAILURE() << c.title.toStdString() << ": " << c.text.toStdString();
}

TEST_P(UpdateFieldOn, KindsItDoesNotKnowAreNotRecognized)
{
    CatalogueDb db(0, GetParam());
    db.exec(db.onServer()
                ? QStringLiteral(
                      "ALTER TABLE PARTS ADD COLUMN Discontinued boolean, ADD COLUMN Weight double precision")
                : QStringLiteral("ALTER TABLE PARTS ADD COLUMN Discontinued YESNO; ALTER TABLE PARTS ADD "
                                 "COLUMN Weight DOUBLE"));
    showRecord(1000001);
    const QString before = snapshot(db);
    UpdateField(1000001, QStringLiteral("Discontinued"), QStringLiteral("True"));
    UpdateField(1000001, QStringLiteral("Weight"), QStringLiteral("1.5"));
    const auto m = db.ui.messages();
    ASSERT_EQ(m.size(), 2);
    EXPECT_EQ(m[0].text, QStringLiteral("Data type for Discontinued = 11 not recognized"));
    EXPECT_EQ(m[0].title, QStringLiteral("Record Not Updated"));
    EXPECT_EQ(m[1].text, QStringLiteral("Data type for Weight = 5 not recognized"));
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Discontinued, Weight FROM PARTS WHERE PartID = 1000001")),
              QStringLiteral("<null>|<null>"));
    EXPECT_EQ(snapshot(db), before);
}

TEST_P(UpdateFieldOn, WithoutStructureOrFieldNothingIsWritten)
{
    CatalogueDb db(0, GetParam());
    const QString before = snapshot(db);
    UpdateField(1000001, QStringLiteral("Bin"), QStringLiteral(" x "));
    showRecord(1000001);
    UpdateField(1000001, QStringLiteral("Colour"), QStringLiteral("red"));
    const auto m = db.ui.messages();
    ASSERT_EQ(m.size(), 2);
    EXPECT_EQ(m[0].title, QStringLiteral("Database Not Updated"));
    EXPECT_EQ(
        m[0].text,
        QStringLiteral("Structure Array Is Not An Array.\r\nCannot update Bin of type 0 and size 0 to x"));
    EXPECT_EQ(m[1].title, QStringLiteral("Record Not Updated"));
    EXPECT_EQ(m[1].text, QStringLiteral("Structure for Colour / 0 not found"));
    EXPECT_EQ(m[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(snapshot(db), before);
}

TEST_P(UpdateFieldOn, TheRecordsOwnStructureTypesTheEditWhateverQueryRanSince)
{
    CatalogueDb db(0, GetParam());
    DataArray data;
    QStringList names;
    StructureArray record;
    ASSERT_EQ(LoadArray(QStringLiteral("Select * from parts where PartID = 1000001"), data, names, record),
              0);
    ASSERT_EQ(record.fieldCount(), 9);
    // A later query names other columns after the record's: Bin a memo, Qty a text.
    ASSERT_EQ(
        LoadArray(QStringLiteral("Select Notes as Bin, PartNumber as Qty from PARTS where PartID = 1000001"),
                  data, names),
        0);
    ASSERT_EQ(g_Structure.at(1, 0), QStringLiteral("203"));
    // And one without rows leaves its caller no structure, and g_Structure as it was.
    StructureArray none = record;
    ASSERT_EQ(LoadArray(QStringLiteral("Select * from parts where PartID = -5"), data, names, none), 0);
    EXPECT_FALSE(none.isArray());
    EXPECT_EQ(g_Structure.at(1, 0), QStringLiteral("203"));

    const QString before = snapshot(db);
    EXPECT_FALSE(UpdateField(1000001, QStringLiteral("Bin"), record, QString(21, u'Z')));
    EXPECT_FALSE(UpdateField(1000001, QStringLiteral("Qty"), record, QStringLiteral("abc")));
    ASSERT_EQ(db.ui.messages().size(), 2);
    EXPECT_EQ(db.ui.messages()[0].title, QStringLiteral("Text Field Not Updated"));
    EXPECT_EQ(db.ui.messages()[1].text,
              QStringLiteral("The entered value is not numeric.\r\nCannot update Qty "
                             "of type 3 and size 4 to abc"));
    EXPECT_EQ(snapshot(db), before);
    EXPECT_TRUE(UpdateField(1000001, QStringLiteral("Qty"), record, QStringLiteral("7")));
    EXPECT_TRUE(UpdateField(1000001, QStringLiteral("Notes"), record, QStringLiteral("kept")));
    EXPECT_EQ(stored(db, "Qty"), QStringLiteral("7"));
    EXPECT_EQ(stored(db, "Notes"), QStringLiteral("kept"));
    EXPECT_EQ(db.ui.messages().size(), 2);
}

TEST(UpdateField, DatabaseRefusalIsRunSqlsReportAndOwnFailureIsItsOwn)
{
    CatalogueDb db;
    // A structure left by an aliased query names a column the table does not have.
    DataArray data;
    QStringList names;
    ASSERT_EQ(
        LoadArray(QStringLiteral("Select PartNumber as Code from PARTS where PartID = 1000001"), data, names),
        0);
    UpdateField(1000001, QStringLiteral("Code"), QStringLiteral("X"));
    ASSERT_EQ(db.ui.messages().size(), 1);
    EXPECT_TRUE(
        db.ui.messages()[0].text.startsWith(QStringLiteral("Error in RunSQL\r\n     no such column: Code")));
    EXPECT_TRUE(db.ui.messages()[0].text.contains(
        QStringLiteral("     Execute SQL: UPDATE PARTS SET [Code] = 'X' WHERE PartID = 1000001")));

    db.ui.clear();
    g_Structure.erase();
    g_Structure.append(QStringLiteral("Bin"), QStringLiteral("two hundred"), QStringLiteral("20"));
    UpdateField(1000001, QStringLiteral("Bin"), QStringLiteral(" x "));
    ASSERT_EQ(db.ui.messages().size(), 1);
    EXPECT_EQ(db.ui.messages()[0].title, QStringLiteral("Orvana"));
    const QString report =
        QStringLiteral("Error in UpdateField\r\n     Type mismatch\r\n     13\r\n     Orvana\r\n"
                       "     For / Next Array\r\n     Part ID: 1000001\r\n     Field: Bin\r\n"
                       "     Value: x\r\n") +
        g_DbConnect;
    EXPECT_EQ(db.ui.messages()[0].text, report);
    EXPECT_TRUE(db.log().contains(report.section(u'\r', 0, 0)));
    EXPECT_EQ(stored(db, "Bin"), QStringLiteral("A-01"));
}

TEST(UpdateField, ABoxQuotingALongValueIsCutAndTheLogKeepsTheWholeReport)
{
    CatalogueDb db;
    showRecord(1000001);
    const QString value = QStringLiteral("B") + QString(99999, u'x');
    UpdateField(1000001, QStringLiteral("Bin"), value);
    ASSERT_EQ(db.ui.messages().size(), 1);
    const QString head = QStringLiteral("Cannot update Bin of type 202 and size 20 to ");
    EXPECT_EQ(db.ui.messages()[0].text,
              QStringLiteral("The entered value is too long.\r\n") + head +
                  (QStringLiteral("B") + QString(99999, u'x')).left(400 - head.size()) + QChar(0x2026));
    EXPECT_EQ(stored(db, "Bin"), QStringLiteral("A-01"));

    // The database's refusal quotes the statement, which carries the value (a memo, so no
    // size refuses it first).
    db.ui.clear();
    DataArray data;
    QStringList names;
    ASSERT_EQ(
        LoadArray(QStringLiteral("Select Notes as Code from PARTS where PartID = 1000001"), data, names), 0);
    EXPECT_FALSE(UpdateField(1000001, QStringLiteral("Code"), value));
    ASSERT_EQ(db.ui.messages().size(), 1);
    const QString shown = db.ui.messages()[0].text;
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Error in RunSQL\r\n     no such column: Code")));
    EXPECT_LT(shown.size(), 2000);
    EXPECT_TRUE(shown.contains(QStringLiteral("     Execute SQL: UPDATE PARTS SET [Code] = 'Bxxx")));
    EXPECT_TRUE(shown.contains(QStringLiteral("x\u2026\r\n")));
    EXPECT_TRUE(db.log().contains(QStringLiteral("UPDATE PARTS SET [Code] = '") + value +
                                  QStringLiteral("' WHERE PartID = 1000001")));

    // Many lines end with a line "…".
    db.ui.clear();
    const QString lines = QStringLiteral("line\n").repeated(1000);
    UpdateField(1000001, QStringLiteral("Code"), lines + QStringLiteral("end"));
    ASSERT_EQ(db.ui.messages().size(), 1);
    EXPECT_EQ(db.ui.messages()[0].text.count(u'\n'), 30);
    EXPECT_TRUE(db.ui.messages()[0].text.endsWith(QChar(0x2026)));
    // The window's seam cuts every box again, which changes nothing cut before.
    for (const QString &text : {db.ui.messages()[0].text, shown})
        EXPECT_EQ(quotableText(text), text);
}

TEST(UpdateField, CurrencyLimitsAreTheExactDecimalsAndUnstorableTextIsRefused)
{
    CatalogueDb db;
    showRecord(1000001);
    const QString price = stored(db, "Price");
    const auto refused = [&](const QString &field, const QString &value) {
        db.ui.clear();
        UpdateField(1000001, field, value);
        return db.ui.messages().size() == 1 ? db.ui.messages()[0].text.section(u'\r', 0, 0) : QString();
    };
    const QString range = QStringLiteral("The entered value is out of range.");
    {
        LocaleGuard c(QLocale::c());
        EXPECT_EQ(refused(QStringLiteral("Price"), QStringLiteral("922337203685477.5808")), range);
        EXPECT_EQ(refused(QStringLiteral("Price"), QStringLiteral("-922337203685477.5809")), range);
        EXPECT_EQ(refused(QStringLiteral("Price"), QStringLiteral("9.223372036854775808e14")), range);
        EXPECT_EQ(stored(db, "Price"), price);
        EXPECT_EQ(refused(QStringLiteral("Price"), QStringLiteral("922337203685477.5807")), QString());
        EXPECT_EQ(refused(QStringLiteral("Price"), QStringLiteral("-922337203685477.5808")), QString());
        EXPECT_EQ(refused(QStringLiteral("Price"), QStringLiteral("0.00001")), QString());
    }
    {
        LocaleGuard de(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(refused(QStringLiteral("Price"), QStringLiteral("922.337.203.685.477,5808 €")), range);
        EXPECT_EQ(refused(QStringLiteral("Price"), QStringLiteral("-12,5")), QString());
        EXPECT_EQ(stored(db, "Price"), QStringLiteral("-12.5"));
    }

    const QString unstorable = QStringLiteral("The entered value contains characters that cannot be stored.");
    EXPECT_EQ(refused(QStringLiteral("Bin"), QStringLiteral("A") + QChar(0xDC00)), unstorable);
    EXPECT_EQ(refused(QStringLiteral("Notes"), QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b")),
              unstorable);
    EXPECT_EQ(stored(db, "Bin"), QStringLiteral("A-01"));
    EXPECT_EQ(db.one(QStringLiteral("SELECT quote(Notes) FROM PARTS WHERE PartID = 1000001")),
              QStringLiteral("NULL"));
}
