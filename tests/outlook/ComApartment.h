// A GoogleTest environment that enters a single-threaded COM apartment for the whole test
// program, as Outlook's user-interface thread does.
#pragma once

#include <objbase.h>

#include <gtest/gtest.h>

namespace zel {

class TComApartmentEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

} // namespace zel
