#include "AppInfo.h"
#include "ScriptedUi.h"
#include "TestEnv.h"
#include "frmMain.h"

#include <gtest/gtest.h>

TEST(frmMain, CaptionCarriesTheVersion)
{
    TestEnv env;
    ScriptedUi ui;
    frmMain w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantelo Update %1.%2   Build %3")
                                   .arg(AppInfo::major)
                                   .arg(AppInfo::minor)
                                   .arg(AppInfo::revision));
}
