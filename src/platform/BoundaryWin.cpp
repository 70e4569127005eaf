#include "platform/Boundary.h"

#include "platform/Exceptions.h"

#include <new>

namespace zel {

HRESULT HResultFromCaught() noexcept
{
    try {
        throw;
    } catch (const EOleSysError& e) {
        // A failure that carries no code still must not read as success.
        return e.ErrorCode() < 0 ? static_cast<HRESULT>(e.ErrorCode()) : E_FAIL;
    } catch (const EOSError& e) {
        return e.ErrorCode() ? HRESULT_FROM_WIN32(e.ErrorCode()) : E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace zel
