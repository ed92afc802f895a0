// SPDX-License-Identifier: MIT
#include "catalogue/core/DbError.h"
#include "catalogue/core/FieldCheck.h"
#include "catalogue/core/modDB.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>

namespace {

const FieldStructure kQty{QStringLiteral("Qty"), 3, 4};
const FieldStructure kPrice{QStringLiteral("Price"), 6, 8};
const FieldStructure kLastOrdered{QStringLiteral("LastOrdered"), 7, 8};
const FieldStructure kBin{QStringLiteral("Bin"), 202, 20};
const FieldStructure kNotes{QStringLiteral("Notes"), 203, 0};

class CLocale final {
public:
    CLocale() { QLocale::setDefault(QLocale::c()); }
    ~CLocale() { QLocale::setDefault(QLocale::system()); }
};

// "value => literal", or "title: reason" for a refusal.
std::string outcome(const FieldStructure &column, const QString &typed)
{
    const auto checked = FieldCheck::check(column, typed);
    if (!checked)
        return (checked.error().title + QStringLiteral(": ") + checked.error().reason).toStdString();
    return (checked->value + QStringLiteral(" => ") + checked->literal).toStdString();
}

StructureArray recordOf(std::initializer_list<std::array<const char *, 3>> fields)
{
    StructureArray s;
    for (const auto &f : fields)
        s.append(QLatin1String(f[0]), QLatin1String(f[1]), QLatin1String(f[2]));
    return s;
}

} // namespace

TEST(FieldCheck, EachKindGivesTheValueToStoreAndItsLiteral)
{
    CLocale c;
    // Numbers in the form SQL reads, unquoted; a long rounded to even.
    EXPECT_EQ(outcome(kQty, QStringLiteral(" 42 ")), "42 => 42");
    EXPECT_EQ(outcome(kQty, QStringLiteral("12.5")), "12 => 12");
    EXPECT_EQ(outcome(kQty, QStringLiteral("-13.5")), "-14 => -14");
    EXPECT_EQ(outcome(kQty, QStringLiteral("-0.4")), "0 => 0");
    EXPECT_EQ(outcome(kQty, QStringLiteral("2147483647")), "2147483647 => 2147483647");
    EXPECT_EQ(outcome(kPrice, QStringLiteral("1,234.5678")), "1234.5678 => 1234.5678");
    EXPECT_EQ(outcome(kPrice, QStringLiteral("19.90")), "19.9 => 19.9");
    // Dates in ISO 8601 between apostrophes.
    EXPECT_EQ(outcome(kLastOrdered, QStringLiteral("2024-03-05")), "2024-03-05 => '2024-03-05'");
    EXPECT_EQ(outcome(kLastOrdered, QStringLiteral("2024-03-05 14:30")),
              "2024-03-05 14:30:00 => '2024-03-05 14:30:00'");
    // Texts trimmed, their apostrophes doubled in the literal only; the size counts characters.
    EXPECT_EQ(outcome(kBin, QStringLiteral("  O'Neil's  ")), "O'Neil's => 'O''Neil''s'");
    EXPECT_EQ(outcome(kBin, QString(20, u'Z')), std::string(20, 'Z') + " => '" + std::string(20, 'Z') + "'");
    const QString emoji = QStringLiteral("😀").repeated(20);
    EXPECT_EQ(FieldCheck::check(kBin, emoji)->value, emoji);
    EXPECT_EQ(FieldCheck::check(kNotes, QString(30000, u'x') + u'\'')->literal,
              u'\'' + QString(30000, u'x') + QStringLiteral("'''"));
    EXPECT_EQ(outcome(kNotes, QStringLiteral("00123")), "00123 => '00123'");
    EXPECT_EQ(outcome(kNotes, QString()), " => ''");
}

TEST(FieldCheck, AValueThatDoesNotFitIsRefusedWithItsReasonAndTitle)
{
    CLocale c;
    const std::string notNumeric = ": The entered value is not numeric.";
    const std::string outOfRange = ": The entered value is out of range.";
    EXPECT_EQ(outcome(kQty, QStringLiteral("abc")), "Long Integer Field Not Updated" + notNumeric);
    EXPECT_EQ(outcome(kQty, QString()), "Long Integer Field Not Updated" + notNumeric);
    EXPECT_EQ(outcome(kQty, QStringLiteral("2147483647.5")), "Long Integer Field Not Updated" + outOfRange);
    EXPECT_EQ(outcome(kQty, QStringLiteral("-2147483649")), "Long Integer Field Not Updated" + outOfRange);
    EXPECT_EQ(outcome(kPrice, QStringLiteral("12.3.4")), "Currency Field Not Updated" + notNumeric);
    // One ten-thousandth beyond the limit, which a double cannot tell from the limit.
    EXPECT_EQ(outcome(kPrice, QStringLiteral("922337203685477.5808")),
              "Currency Field Not Updated" + outOfRange);
    EXPECT_EQ(outcome(kLastOrdered, QString()),
              "Date Field Not Updated: The entered value is not a valid date.");
    EXPECT_EQ(outcome(kLastOrdered, QStringLiteral("2024-02-30")),
              "Date Field Not Updated: The entered value is not a valid date.");
    EXPECT_EQ(outcome(kBin, QString(21, u'Z')), "Text Field Not Updated: The entered value is too long.");
    EXPECT_EQ(outcome(kBin, QStringLiteral("😀").repeated(21)),
              "Text Field Not Updated: The entered value is too long.");
    // A value no column can hold, whatever its kind.
    for (const FieldStructure &column : {kBin, kNotes, kQty, FieldStructure{QStringLiteral("Flag"), 11, 2}}) {
        EXPECT_EQ(outcome(column, QStringLiteral("a") + QChar(u'\0')),
                  "Record Not Updated: The entered value contains characters that cannot be stored.");
        EXPECT_EQ(outcome(column, QStringLiteral("a") + QChar(0xD800)),
                  "Record Not Updated: The entered value contains characters that cannot be stored.");
    }

    // The box names the column as the caller spelled it, its type and size, and the value
    // as trimmed; the value's own "%1" is shown, never filled in.
    const auto refusal =
        FieldCheck::check(FieldStructure{QStringLiteral("bIN"), 202, 20}, QStringLiteral(" %1").repeated(8));
    ASSERT_FALSE(refusal);
    EXPECT_EQ(
        refusal.error().text,
        QStringLiteral("The entered value is too long.\r\nCannot update bIN of type 202 and size 20 to ") +
            QStringLiteral("%1 %1 %1 %1 %1 %1 %1 %1"));

    // A kind the edit does not know is refused as such, with no line about the value.
    for (const int code : {0, 5, 11, 135, 204}) {
        const auto other =
            FieldCheck::check(FieldStructure{QStringLiteral("Weight"), code, 8}, QStringLiteral("1"));
        ASSERT_FALSE(other);
        EXPECT_EQ(other.error().title, QStringLiteral("Record Not Updated"));
        EXPECT_EQ(other.error().text, QStringLiteral("Data type for Weight = %1 not recognized").arg(code));
    }
}

TEST(FieldCheck, TheFieldIsFoundInItsRecordsStructureInAnyLetterCase)
{
    const StructureArray record =
        recordOf({{"PartID", "3", "4"}, {"Bin", "202", " 20 "}, {"BIN", "203", "0"}, {"Qty", "3", "4"}});
    const auto bin = FieldCheck::find(record, QStringLiteral("bin"), QStringLiteral("x"));
    ASSERT_TRUE(bin);
    EXPECT_EQ(bin->name, QStringLiteral("bin")); // the first match, named as asked
    EXPECT_EQ(bin->typeCode, 202);
    EXPECT_EQ(bin->definedSize, 20);

    const auto missing = FieldCheck::find(record, QStringLiteral("Colour"), QStringLiteral("red"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().title, QStringLiteral("Record Not Updated"));
    EXPECT_EQ(missing.error().text, QStringLiteral("Structure for Colour / 0 not found"));

    const auto none = FieldCheck::find(StructureArray(), QStringLiteral("Bin"), QStringLiteral(" x "));
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error().title, QStringLiteral("Database Not Updated"));
    EXPECT_EQ(
        none.error().text,
        QStringLiteral("Structure Array Is Not An Array.\r\nCannot update Bin of type 0 and size 0 to x"));

    // A type that is not a number fails as the designed conversion does.
    EXPECT_THROW(FieldCheck::find(recordOf({{"Bin", "two hundred", "20"}}), QStringLiteral("Bin"), QString()),
                 DbError);
}
