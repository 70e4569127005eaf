// A GoogleTest environment that enters a single-threaded COM apartment for the whole test
// program, as Outlook's user-interface thread does.
#pragma once

#include "platform/Handles.h"

#include <gtest/gtest.h>

#include <memory>

namespace zel::testing {

class TComApartmentEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        FApartment = std::make_unique<TComApartment>();
        ASSERT_TRUE(FApartment->Entered());
    }
    void TearDown() override { FApartment.reset(); }

private:
    std::unique_ptr<TComApartment> FApartment;
};

} // namespace zel::testing
