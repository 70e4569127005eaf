#include "diagnostics/GccLsda.h"

#include <cstring>

namespace zel {
namespace {

enum : std::uint8_t {
    DW_EH_PE_absptr = 0x00, DW_EH_PE_uleb128 = 0x01, DW_EH_PE_udata2 = 0x02, DW_EH_PE_udata4 = 0x03,
    DW_EH_PE_udata8 = 0x04, DW_EH_PE_sleb128 = 0x09, DW_EH_PE_sdata2 = 0x0A, DW_EH_PE_sdata4 = 0x0B,
    DW_EH_PE_sdata8 = 0x0C, DW_EH_PE_pcrel = 0x10, DW_EH_PE_aligned = 0x50, DW_EH_PE_indirect = 0x80,
    DW_EH_PE_omit = 0xFF,
};

// The bits of a LEB128 number; shift and last tell how many bits were read and the last byte,
// which a signed number needs for its sign extension.
std::uintptr_t ReadLebBits(const std::uint8_t*& p, unsigned& shift, std::uint8_t& last)
{
    std::uintptr_t result = 0;
    shift = 0;
    do {
        last = *p++;
        if (shift < sizeof(result) * 8)
            result |= static_cast<std::uintptr_t>(last & 0x7F) << shift;
        shift += 7;
    } while (last & 0x80);
    return result;
}

std::uintptr_t ReadUleb(const std::uint8_t*& p)
{
    unsigned shift;
    std::uint8_t last;
    return ReadLebBits(p, shift, last);
}

std::intptr_t ReadSleb(const std::uint8_t*& p)
{
    unsigned shift;
    std::uint8_t last;
    std::uintptr_t result = ReadLebBits(p, shift, last);
    if (shift < sizeof(result) * 8 && (last & 0x40))
        result |= ~static_cast<std::uintptr_t>(0) << shift;
    return static_cast<std::intptr_t>(result);
}

template <class T> T ReadRaw(const std::uint8_t*& p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    p += sizeof value;
    return value;
}

std::size_t EncodedSize(std::uint8_t encoding)
{
    switch (encoding & 0x07) {
    case DW_EH_PE_absptr: return sizeof(void*);
    case DW_EH_PE_udata2: return 2;
    case DW_EH_PE_udata4: return 4;
    case DW_EH_PE_udata8: return 8;
    default: return 0;
    }
}

// Reads a value in the given pointer encoding; a zero value stays zero (a null type entry).
// Encodings relative to text or data segments are not used by GCC's LSDA on these targets: ok
// turns false for them.
std::uintptr_t ReadEncoded(const std::uint8_t*& p, std::uint8_t encoding, bool& ok)
{
    if (encoding == DW_EH_PE_omit)
        return 0;
    const std::uint8_t* start = p;
    if (encoding == DW_EH_PE_aligned) {
        auto a = reinterpret_cast<std::uintptr_t>(p);
        a = (a + sizeof(void*) - 1) & ~(sizeof(void*) - 1);
        p = reinterpret_cast<const std::uint8_t*>(a);
        return ReadRaw<std::uintptr_t>(p);
    }
    std::uintptr_t value;
    switch (encoding & 0x0F) {
    case DW_EH_PE_absptr: value = ReadRaw<std::uintptr_t>(p); break;
    case DW_EH_PE_uleb128: value = ReadUleb(p); break;
    case DW_EH_PE_sleb128: value = static_cast<std::uintptr_t>(ReadSleb(p)); break;
    case DW_EH_PE_udata2: value = ReadRaw<std::uint16_t>(p); break;
    case DW_EH_PE_udata4: value = ReadRaw<std::uint32_t>(p); break;
    case DW_EH_PE_udata8: value = static_cast<std::uintptr_t>(ReadRaw<std::uint64_t>(p)); break;
    case DW_EH_PE_sdata2: value = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(ReadRaw<std::int16_t>(p))); break;
    case DW_EH_PE_sdata4: value = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(ReadRaw<std::int32_t>(p))); break;
    case DW_EH_PE_sdata8: value = static_cast<std::uintptr_t>(ReadRaw<std::int64_t>(p)); break;
    default: ok = false; return 0;
    }
    if (value == 0)
        return 0;
    switch (encoding & 0x70) {
    case DW_EH_PE_absptr: break;
    case DW_EH_PE_pcrel: value += reinterpret_cast<std::uintptr_t>(start); break;
    default: ok = false; return 0;
    }
    if (encoding & DW_EH_PE_indirect)
        value = *reinterpret_cast<const std::uintptr_t*>(value);
    return value;
}

} // namespace

bool DecodeGccLsda(const std::uint8_t* lsda, std::uintptr_t regionStart, std::uintptr_t ip, TJclExceptFrame& frame)
{
    if (!lsda)
        return false;
    bool ok = true;
    const std::uint8_t* p = lsda;
    std::uint8_t lpStartEncoding = *p++;
    std::uintptr_t lpStart = lpStartEncoding == DW_EH_PE_omit ? regionStart : ReadEncoded(p, lpStartEncoding, ok);
    std::uint8_t ttypeEncoding = *p++;
    const std::uint8_t* ttypeBase = nullptr;
    if (ttypeEncoding != DW_EH_PE_omit) {
        std::uintptr_t offset = ReadUleb(p);
        ttypeBase = p + offset;
    }
    std::uint8_t callSiteEncoding = *p++;
    std::uintptr_t callSiteLength = ReadUleb(p);
    const std::uint8_t* actionTable = p + callSiteLength;
    if (!ok)
        return false;

    std::uintptr_t landingPad = 0, action = 0;
    bool found = false;
    while (p < actionTable && ok) {
        std::uintptr_t start = ReadEncoded(p, callSiteEncoding, ok);
        std::uintptr_t length = ReadEncoded(p, callSiteEncoding, ok);
        std::uintptr_t pad = ReadEncoded(p, callSiteEncoding, ok);
        std::uintptr_t act = ReadUleb(p);
        if (ip < regionStart + start)
            break;
        if (ip < regionStart + start + length) {
            found = true;
            landingPad = pad ? lpStart + pad : 0;
            action = act;
            break;
        }
    }
    if (!ok || !found || landingPad == 0)
        return false;

    frame = TJclExceptFrame();
    frame.FCodeLocation = reinterpret_cast<const void*>(landingPad);
    if (action == 0) {
        frame.FFrameKind = efkFinally;
        return true;
    }

    bool cleanup = false, other = false;
    const std::uint8_t* record = actionTable + action - 1;
    for (int guard = 0; guard < 256; ++guard) {
        std::intptr_t filter = ReadSleb(record);
        const std::uint8_t* displacementAt = record;
        std::intptr_t displacement = ReadSleb(record);
        if (filter > 0 && ttypeBase) {
            std::size_t size = EncodedSize(ttypeEncoding);
            const std::uint8_t* entry = ttypeBase - static_cast<std::uintptr_t>(filter) * size;
            std::uintptr_t type = size ? ReadEncoded(entry, ttypeEncoding, ok) : 0;
            frame.FHandlers.push_back({reinterpret_cast<const std::type_info*>(type), frame.FCodeLocation});
        } else if (filter == 0) {
            cleanup = true;
        } else {
            other = true; // an exception specification
        }
        if (displacement == 0)
            break;
        record = displacementAt + displacement;
    }
    if (!ok)
        return false;

    if (frame.FHandlers.empty()) {
        frame.FFrameKind = cleanup && !other ? efkFinally : efkUnknown;
        return true;
    }
    const std::type_info* first = frame.FHandlers.front().ExceptClass;
    if (first && *first == typeid(TAutoExceptionFrameMarker)) {
        frame.FFrameKind = efkAutoException;
        frame.FHandlers.clear();
        return true;
    }
    bool anyOnly = true;
    for (const auto& handler : frame.FHandlers)
        anyOnly = anyOnly && handler.ExceptClass == nullptr;
    if (anyOnly) {
        frame.FFrameKind = efkAnyException;
        frame.FHandlers.clear();
    } else {
        frame.FFrameKind = efkOnException;
    }
    return true;
}

} // namespace zel
