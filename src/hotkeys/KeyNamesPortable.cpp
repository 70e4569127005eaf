// Without an operating system's keyboard layout: keys outside the name table have no name, and
// letter case is folded by TSimpleTextCase.
#include "hotkeys/KeyNames.h"

namespace zel {

IKeyboardLayout& DefaultKeyboardLayout()
{
    static TNoKeyNames service;
    return service;
}

ITextCase& DefaultTextCase()
{
    static TSimpleTextCase service;
    return service;
}

} // namespace zel
