#include <windows.h>

#include <gtest/gtest.h>

TEST(WineSmoke, RunsWindowsCode) { EXPECT_NE(GetCurrentProcessId(), 0u); }
