// SPDX-License-Identifier: MIT
#include "common/core/modRegistry.h"
#include "common/testsupport/TestEnv.h"
#include "common/ui/FormPlacement.h"

#include <QWidget>

#include <gtest/gtest.h>

using namespace FormPlacement;

namespace {
QString stored(const char *suffix)
{
    return modRegistry::GetProperty(QStringLiteral("Form Settings"), QStringLiteral("frmTest"),
                                    QStringLiteral("frmTest") + QLatin1String(suffix), QString());
}
} // namespace

TEST(Placement, DefaultsAreInTwips)
{
    TestEnv env;
    QWidget w;
    w.setObjectName(QStringLiteral("frmTest"));
    EXPECT_TRUE(RestoreFormPlacement(&w));
    const double dpi = logicalDpi(&w);
    EXPECT_EQ(w.pos(), QPoint(twipsToPixels(1000, dpi), twipsToPixels(1000, dpi)));
    EXPECT_EQ(w.frameGeometry().width(), twipsToPixels(6500, dpi));
}

TEST(Placement, RoundTripAndMinimisedNotStored)
{
    TestEnv env;
    QRect saved;
    {
        QWidget w;
        w.setObjectName(QStringLiteral("frmTest"));
        w.setGeometry(120, 90, 640, 480);
        w.show();
        SaveFormPlacement(&w);
        saved = w.frameGeometry();
        EXPECT_EQ(stored("_Left").toInt(), pixelsToTwips(w.frameGeometry().x(), logicalDpi(&w)));
        w.move(400, 400);
        w.showMinimized();
        if (w.isMinimized()) // the platform may ignore minimising; the rule is about the state
            SaveFormPlacement(&w);
    }
    QWidget again;
    again.setObjectName(QStringLiteral("frmTest"));
    RestoreFormPlacement(&again);
    again.show();
    // The frame is added by the platform once the window is shown; allow its margin.
    EXPECT_NEAR(again.frameGeometry().x(), saved.x(), 2);
    EXPECT_NEAR(again.frameGeometry().y(), saved.y(), 2);
    EXPECT_NEAR(again.frameGeometry().width(), saved.width(), 4);
    EXPECT_NEAR(again.frameGeometry().height(), saved.height(), 4);
}

TEST(Placement, NonNumericValueTakesDefaultAndIsReported)
{
    TestEnv env;
    modRegistry::SaveProperty(QStringLiteral("Form Settings"), QStringLiteral("frmTest"),
                              QStringLiteral("frmTest_Top"), QStringLiteral("high"));
    QWidget w;
    w.setObjectName(QStringLiteral("frmTest"));
    const auto placed = RestoreFormPlacement(&w);
    ASSERT_FALSE(placed);
    EXPECT_TRUE(placed.error().message.contains(QStringLiteral("frmTest_Top")));
    EXPECT_EQ(w.pos().y(), twipsToPixels(1000, logicalDpi(&w)));
}

TEST(Placement, AbsurdNumbersAreReportedAndTakeTheDefault)
{
    TestEnv env;
    const auto store = [](const char *suffix, const QString &text) {
        modRegistry::SaveProperty(QStringLiteral("Form Settings"), QStringLiteral("frmTest"),
                                  QStringLiteral("frmTest") + QLatin1String(suffix), text);
    };
    const QList<QString> absurd{QStringLiteral("1e12"), QStringLiteral("inf"),  QStringLiteral("-inf"),
                                QStringLiteral("nan"),  QStringLiteral("-500"), QStringLiteral("0")};
    for (const QString &text : absurd) {
        store("_Width", text);
        store("_Height", text);
        store("_Left", text == QStringLiteral("-500") ? QStringLiteral("-1e15") : text);
        QWidget w;
        w.setObjectName(QStringLiteral("frmTest"));
        const auto placed = RestoreFormPlacement(&w);
        const double dpi = logicalDpi(&w);
        ASSERT_FALSE(placed) << text.toStdString();
        EXPECT_TRUE(placed.error().message.contains(QStringLiteral("frmTest_Width"))) << text.toStdString();
        EXPECT_TRUE(placed.error().message.contains(QStringLiteral("frmTest_Height"))) << text.toStdString();
        EXPECT_EQ(w.frameGeometry().width(), twipsToPixels(6500, dpi)) << text.toStdString();
        EXPECT_EQ(w.frameGeometry().height(), twipsToPixels(6500, dpi)) << text.toStdString();
        if (text != QStringLiteral("0")) {
            EXPECT_TRUE(placed.error().message.contains(QStringLiteral("frmTest_Left")))
                << text.toStdString();
            EXPECT_EQ(w.pos().x(), twipsToPixels(1000, dpi)) << text.toStdString();
        }
    }

    // A window a little off the screen, or on a screen beside it, is left where it was.
    store("_Left", QStringLiteral("-300"));
    store("_Width", QStringLiteral("9000"));
    store("_Height", QStringLiteral("7000"));
    QWidget w;
    w.setObjectName(QStringLiteral("frmTest"));
    EXPECT_TRUE(RestoreFormPlacement(&w));
    EXPECT_EQ(w.pos().x(), twipsToPixels(-300, logicalDpi(&w)));
}

TEST(Placement, TwipConversion)
{
    EXPECT_EQ(twipsToPixels(1440, 96), 96);
    EXPECT_EQ(pixelsToTwips(96, 96), 1440);
    EXPECT_EQ(twipsToPixels(1000, 96), 67);
}
