// SPDX-License-Identifier: MIT
#include <QApplication>

#include <gtest/gtest.h>

namespace {
// Leaks inside system libraries we do not own are suppressed (.ci/lsan.supp).
#ifdef VANTELO_LSAN_SLOW_UNWIND
constexpr char kLsanOptions[] = "suppressions=" VANTELO_LSAN_SUPPRESSIONS ":fast_unwind_on_malloc=0";
#else
constexpr char kLsanOptions[] = "suppressions=" VANTELO_LSAN_SUPPRESSIONS;
#endif
} // namespace

// Sanitizer builds read this before main, so a test run by hand or by CTest's discovery
// checks leaks as a CI run does; an LSAN_OPTIONS in the environment still wins.
extern "C" const char *__lsan_default_options() // NOLINT(bugprone-reserved-identifier)
{
    return kLsanOptions;
}

// GoogleTest inside a real QApplication, so widget tests run the real windows.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Our own programs that a test starts are built with the same sanitizers.
    if (qEnvironmentVariableIsEmpty("LSAN_OPTIONS"))
        qputenv("LSAN_OPTIONS", kLsanOptions);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
