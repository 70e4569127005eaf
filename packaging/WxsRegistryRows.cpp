// Prints the add-in's registry rows for the Windows Installer package, as WiX RegistryValue
// elements, from the same table the DLL registers from: the class entries and Outlook's add-in
// key, and the entries the platform's type-library registration writes.
//
//   wxs-registry-rows x64|x86
//
// Every row uses the root "HKMU", the classes' rows below "Software\Classes": Windows Installer
// writes them under HKEY_CURRENT_USER in a per-user installation and under HKEY_LOCAL_MACHINE in
// a per-machine one, as the DLL's own registration does for either scope. (The root "HKCR" would
// not do: some installers write it machine-wide whatever the installation's scope.) The DLL is
// named by its file's id "ZelHotkeysDll", its folder by "INSTALLDIR".
#include "addin/Registration.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

// The registration's texts are ASCII; anything else would be a fault of the table.
std::string Ascii(std::u16string_view text)
{
    std::string bytes;
    for (char16_t c : text) {
        if (c > 0x7E) {
            std::fprintf(stderr, "wxs-registry-rows: a registry text is not ASCII\n");
            std::exit(2);
        }
        bytes += static_cast<char>(c);
    }
    return bytes;
}

std::string XmlAttribute(std::string_view text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

void Print(const zel::TRegistryEntry& entry)
{
    const bool classes = entry.Area == zel::TRegistryArea::Classes;
    std::string row = std::string("<RegistryValue Root=\"HKMU\" Key=\"") + (classes ? "Software\\Classes\\" : "") +
                      XmlAttribute(Ascii(entry.Key)) + "\"";
    if (!entry.ValueName.empty())
        row += " Name=\"" + XmlAttribute(Ascii(entry.ValueName)) + "\"";
    if (entry.Type == zel::TRegistryValueType::DWord)
        row += " Type=\"integer\" Value=\"" + std::to_string(entry.Number) + "\"";
    else
        row += " Type=\"string\" Value=\"" + XmlAttribute(Ascii(entry.Text)) + "\"";
    std::printf("%s/>\n", row.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    const std::string_view arch = argc == 2 ? argv[1] : "";
    if (arch != "x64" && arch != "x86") {
        std::fprintf(stderr, "usage: wxs-registry-rows x64|x86\n");
        return 2;
    }
    for (const zel::TRegistryEntry& entry : zel::RegistrationEntries(u"[#ZelHotkeysDll]"))
        Print(entry);
    for (const zel::TRegistryEntry& entry : zel::TypeLibraryEntries(u"[#ZelHotkeysDll]", u"[INSTALLDIR]", arch == "x64"))
        Print(entry);
    return 0;
}
