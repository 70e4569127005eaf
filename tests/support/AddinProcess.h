// A test program's process set up as the add-in DLL sets up Outlook's: COM on the thread, the
// extended-MAPI loader and exception tracking (which writes every raise to the error log).
//
//   ::testing::Environment* const GProcess = ::testing::AddGlobalTestEnvironment(new TAddinProcess);
#pragma once

#include "diagnostics/ZelDebug.h"
#include "mapi/uRedemptionLoader.h"
#include "support/ComApartment.h"

namespace zel::testing {

class TAddinProcess : public TComApartmentEnvironment {
public:
    void SetUp() override
    {
        TComApartmentEnvironment::SetUp();
        ASSERT_TRUE(InitializeLoaderInstance());
        InitializeExceptionTracking();
    }
    void TearDown() override
    {
        FinalizeExceptionTracking();
        FinalizeLoaderInstance();
        TComApartmentEnvironment::TearDown();
    }
};

} // namespace zel::testing
