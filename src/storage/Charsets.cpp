#include "storage/Charsets.h"

#include <cstdint>

namespace zel {
namespace {

struct TCharset {
    unsigned CodePage;
    const char* Name;
};

// The names Windows uses for its code pages in mail and web documents. Only code pages whose
// text of ASCII characters is that same ASCII (config.xml holds ASCII only) are listed, and the
// two UTF-16 forms, which get a byte-order mark. 1252 keeps the capitalised name the file has
// always carried.
const TCharset Charsets[] = {
    {437, "IBM437"},          {720, "DOS-720"},        {737, "ibm737"},         {775, "ibm775"},
    {850, "ibm850"},          {852, "ibm852"},         {855, "IBM855"},         {857, "ibm857"},
    {858, "IBM00858"},        {860, "IBM860"},         {861, "ibm861"},         {862, "DOS-862"},
    {863, "IBM863"},          {864, "IBM864"},         {865, "IBM865"},         {866, "cp866"},
    {869, "ibm869"},          {874, "windows-874"},    {932, "shift_jis"},      {936, "gb2312"},
    {949, "ks_c_5601-1987"},  {950, "big5"},           {1200, "utf-16"},        {1201, "utf-16BE"},
    {1250, "windows-1250"},   {1251, "windows-1251"},  {1252, "Windows-1252"},  {1253, "windows-1253"},
    {1254, "windows-1254"},   {1255, "windows-1255"},  {1256, "windows-1256"},  {1257, "windows-1257"},
    {1258, "windows-1258"},   {1361, "Johab"},         {10000, "macintosh"},    {10007, "x-mac-cyrillic"},
    {20127, "us-ascii"},      {20866, "koi8-r"},       {21866, "koi8-u"},       {28591, "iso-8859-1"},
    {28592, "iso-8859-2"},    {28593, "iso-8859-3"},   {28594, "iso-8859-4"},   {28595, "iso-8859-5"},
    {28596, "iso-8859-6"},    {28597, "iso-8859-7"},   {28598, "iso-8859-8"},   {28599, "iso-8859-9"},
    {28603, "iso-8859-13"},   {28605, "iso-8859-15"},  {38598, "iso-8859-8-i"}, {51932, "euc-jp"},
    {51936, "EUC-CN"},        {51949, "euc-kr"},       {54936, "GB18030"},      {65001, "utf-8"},
};

const TCharset Aliases[] = {
    {1200, "utf-16le"}, {1200, "unicode"},   {1201, "unicodeFFFE"}, {65001, "utf8"},
    {20127, "ascii"},   {28591, "latin1"},   {28591, "iso_8859-1"}, {28591, "l1"},
    {936, "gbk"},       {932, "sjis"},       {932, "x-sjis"},       {950, "x-x-big5"},
    {28605, "latin-9"}, {28592, "latin2"},
};

char16_t Lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool SameName(std::u16string_view a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (Lower(a[i]) != Lower(static_cast<char16_t>(static_cast<unsigned char>(b[i]))))
            return false;
    return i == a.size() && !b[i];
}

// "<prefix><decimal number>", e.g. "windows-1252" or "cp1252": the number, else 0.
unsigned NumberedName(std::u16string_view name, const char* prefix)
{
    size_t i = 0;
    for (; prefix[i]; ++i)
        if (i >= name.size() || Lower(name[i]) != static_cast<char16_t>(prefix[i]))
            return 0;
    if (i == name.size() || name.size() - i > 5)
        return 0;
    std::uint32_t value = 0;
    for (; i < name.size(); ++i) {
        if (name[i] < u'0' || name[i] > u'9')
            return 0;
        value = value * 10 + static_cast<std::uint32_t>(name[i] - u'0');
    }
    for (const auto& c : Charsets)
        if (c.CodePage == value)
            return value;
    return 0;
}

} // namespace

std::u16string CharsetName(unsigned codePage)
{
    for (const auto& c : Charsets)
        if (c.CodePage == codePage) {
            std::u16string name;
            for (const char* p = c.Name; *p; ++p)
                name += static_cast<char16_t>(*p);
            return name;
        }
    return {};
}

unsigned CodePageOfCharset(std::u16string_view name)
{
    for (const auto& c : Charsets)
        if (SameName(name, c.Name))
            return c.CodePage;
    for (const auto& c : Aliases)
        if (SameName(name, c.Name))
            return c.CodePage;
    if (unsigned cp = NumberedName(name, "windows-"))
        return cp;
    if (unsigned cp = NumberedName(name, "cp"))
        return cp;
    return 0;
}

} // namespace zel
