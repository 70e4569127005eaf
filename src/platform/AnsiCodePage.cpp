#include "platform/AnsiCodePage.h"

namespace zel {

IAnsiCodePage& DefaultAnsiCodePage(); // the platform's: PortableCodePage.cpp or AnsiCodePageWin.cpp

namespace {
IAnsiCodePage* GService = nullptr;
}

IAnsiCodePage& AnsiCodePage()
{
    return GService ? *GService : DefaultAnsiCodePage();
}

void SetAnsiCodePage(IAnsiCodePage* service)
{
    GService = service;
}

} // namespace zel
