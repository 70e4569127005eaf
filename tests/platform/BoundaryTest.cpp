#include "platform/Boundary.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

namespace zel {
namespace {

HRESULT ComMethod(const std::function<void()>& body) noexcept
try {
    body();
    return S_OK;
}
ZEL_CATCH_RETURN_HRESULT

int WindowProcedure(const std::function<void()>& body) noexcept
try {
    body();
    return 1;
}
ZEL_CATCH_SILENT_RETURN(0)

struct BoundaryCase {
    const char* name;
    std::function<void()> raise;
    HRESULT expected;
};

class HResultBoundaryTest : public ::testing::TestWithParam<BoundaryCase> {};

TEST_P(HResultBoundaryTest, EndsTheFailureAsItsHResult)
{
    EXPECT_EQ(ComMethod(GetParam().raise), GetParam().expected);
    EXPECT_EQ(WindowProcedure(GetParam().raise), GetParam().expected == S_OK ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Table, HResultBoundaryTest, ::testing::Values(
    BoundaryCase{"Nothing", [] {}, S_OK},
    BoundaryCase{"OleSysError", [] { throw EOleSysError(u"0x80004002", E_NOINTERFACE); }, E_NOINTERFACE},
    // A failure that carries no code, or a success code, must still read as a failure.
    BoundaryCase{"OleSysErrorWithoutCode", [] { throw EOleSysError(u"no code"); }, E_FAIL},
    BoundaryCase{"OleSysErrorWithSuccessCode", [] { throw EOleSysError(u"S_FALSE", S_FALSE); }, E_FAIL},
    BoundaryCase{"OSError", [] { throw EOSError(u"access denied", ERROR_ACCESS_DENIED); },
                 HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
    BoundaryCase{"OSErrorWithoutCode", [] { throw EOSError(u"no code"); }, E_FAIL},
    BoundaryCase{"BadAlloc", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY},
    BoundaryCase{"OtherException", [] { throw EIntfCastError(u"Interface not supported"); }, E_UNEXPECTED},
    BoundaryCase{"StandardException", [] { throw std::out_of_range("index"); }, E_UNEXPECTED},
    BoundaryCase{"NotAnException", [] { throw 42; }, E_UNEXPECTED}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zel
