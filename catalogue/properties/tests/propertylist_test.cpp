// SPDX-License-Identifier: MIT
#include "catalogue/properties/PropertyList.h"
#include "common/core/modRegistry.h"
#include "common/testsupport/TestEnv.h"

#include <gtest/gtest.h>

namespace {
const QString kGroup = QStringLiteral("General");
void store(const char *category, const char *name, const QString &value)
{
    modRegistry::SaveProperty(kGroup, QLatin1String(category), QLatin1String(name), value);
}
} // namespace

TEST(PropertyList, ColourTextRoundTrip)
{
    EXPECT_EQ(FormatColor(255), QStringLiteral("      255"));
    EXPECT_EQ(FormatColor(0), QStringLiteral("      0"));
    EXPECT_EQ(parseColor(QStringLiteral("      255")), 255);
    EXPECT_EQ(parseColor(QStringLiteral(" 255 ")), 255);
    EXPECT_EQ(parseColor(QStringLiteral("16777215")), 0xFFFFFF);
    EXPECT_EQ(parseColor(QStringLiteral("12.6")), 13);
    EXPECT_EQ(parseColor(QStringLiteral("red")), std::nullopt);
    EXPECT_EQ(parseColor(QString()), std::nullopt);
    EXPECT_EQ(parseColor(QStringLiteral("99999999999")), std::nullopt);
}

TEST(PropertyList, NextChoiceSteps)
{
    const QString tf = QStringLiteral("True|False");
    EXPECT_EQ(NextChoice(QStringLiteral("False"), tf), QStringLiteral("True"));
    EXPECT_EQ(NextChoice(QStringLiteral("True"), tf), QStringLiteral("False"));
    EXPECT_EQ(NextChoice(QString(), tf), QStringLiteral("False")) << "empty is found at the start";
    EXPECT_EQ(NextChoice(QStringLiteral("Maybe"), tf), std::nullopt);
    EXPECT_EQ(NextChoice(QStringLiteral("true"), tf), std::nullopt) << "case-sensitive";
    const QString typed = QStringLiteral("|COM1|COM2|COM3");
    EXPECT_EQ(NextChoice(QStringLiteral("COM1"), typed), QStringLiteral("COM2"));
    EXPECT_EQ(NextChoice(QStringLiteral("COM3"), typed), QStringLiteral("COM1"));
    EXPECT_EQ(NextChoice(QStringLiteral("Only"), QStringLiteral("Only")), QStringLiteral("Only"));
}

TEST(PropertyList, AddReadsStoredOrDefault)
{
    TestEnv env;
    PropertyList list;
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.find(0), nullptr) << "the placeholder is never shown";

    store("Database", "Display Field List", QStringLiteral("  PartNumber, Bin  "));
    store("Look", "Back", QStringLiteral(" 255 "));
    EXPECT_TRUE(list.AddProperty(kGroup, QStringLiteral("Database"), QStringLiteral("Display Field List"), 7,
                                 QStringLiteral("default")));
    EXPECT_TRUE(list.AddProperty(kGroup, QStringLiteral("Database"), QStringLiteral("Connection String"), 7,
                                 QStringLiteral("Provider=x;")));
    EXPECT_TRUE(list.AddProperty(kGroup, QStringLiteral("Look"), QStringLiteral("Back"), PropertyKind::Color,
                                 QStringLiteral("0")));
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(1).varValue, QStringLiteral("PartNumber, Bin"));
    EXPECT_EQ(list.item(2).varValue, QStringLiteral("Provider=x;"));
    EXPECT_EQ(list.item(3).varValue, QStringLiteral("      255"));
    EXPECT_EQ(list.item(3).intType, PropertyKind::Color);
    EXPECT_EQ(list.item(3).strCategory, QStringLiteral("Look"));

    list.reset();
    EXPECT_EQ(list.count(), 0);
}
