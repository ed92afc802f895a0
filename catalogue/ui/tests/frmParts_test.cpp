#include "ScriptedUi.h"
#include "TestEnv.h"
#include "frmParts.h"

#include <gtest/gtest.h>

TEST(frmParts, OpensWithItsCaption)
{
    TestEnv env;
    ScriptedUi ui;
    frmParts w;
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Parts"));
    EXPECT_EQ(w.objectName(), QStringLiteral("frmParts"));
}
