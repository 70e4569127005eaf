#include "standins/outlook/host/ScriptCommand.h"

#include <stdexcept>
#include <vector>

namespace zel::standin::host {

namespace {

std::string Narrow(std::wstring_view text)
{
    std::string s;
    for (wchar_t c : text)
        s += c < 0x80 ? static_cast<char>(c) : '?';
    return s;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Splits off the next word; the rest stays in `line` without its leading blanks.
std::wstring NextWord(std::wstring_view& line)
{
    size_t start = 0;
    while (start < line.size() && IsBlank(line[start]))
        ++start;
    size_t end = start;
    while (end < line.size() && !IsBlank(line[end]))
        ++end;
    std::wstring word(line.substr(start, end - start));
    line.remove_prefix(end);
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    return word;
}

long Number(const std::wstring& word, const char* what, long min)
{
    if (word.empty() || word.size() > 9 || word.find_first_not_of(L"0123456789") != std::wstring::npos)
        throw std::invalid_argument(std::string(what) + " must be a number, not '" + Narrow(word) + "'");
    const long n = std::stol(word);
    if (n < min)
        throw std::invalid_argument(std::string(what) + " must be at least " + std::to_string(min));
    return n;
}

TTarget Target(const std::wstring& word, bool inspectorAllowed = true)
{
    if (word == L"explorer")
        return TTarget::Explorer;
    if (word == L"inspector" && inspectorAllowed)
        return TTarget::Inspector;
    throw std::invalid_argument(inspectorAllowed ? "expected 'explorer' or 'inspector', not '" + Narrow(word) + "'"
                                                 : "expected 'explorer', not '" + Narrow(word) + "'");
}

void NoMore(std::wstring_view rest)
{
    if (!rest.empty())
        throw std::invalid_argument("unexpected '" + Narrow(rest) + "'");
}

} // namespace

std::wstring Unescape(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size()) {
            switch (text[i + 1]) {
            case L'n': out += L"\r\n"; ++i; continue;
            case L't': out += L'\t'; ++i; continue;
            case L'\\': out += L'\\'; ++i; continue;
            default: break;
            }
        }
        out += text[i];
    }
    return out;
}

TScriptCommand ParseScriptLine(const std::wstring& line)
{
    std::wstring_view rest(line);
    while (!rest.empty() && (rest.back() == L'\r' || IsBlank(rest.back())))
        rest.remove_suffix(1);
    TScriptCommand c;
    const std::wstring verb = NextWord(rest);
    if (verb.empty() || verb[0] == L'#')
        return c;
    if (verb == L"open") {
        c.Verb = TVerb::Open;
        c.Target = Target(NextWord(rest));
        c.Text = c.Target == TTarget::Inspector ? Unescape(std::wstring(rest)) : std::wstring(rest);
    } else if (verb == L"close" || verb == L"activate") {
        c.Verb = verb == L"close" ? TVerb::Close : TVerb::Activate;
        c.Target = Target(NextWord(rest));
        c.Index = static_cast<int>(Number(NextWord(rest), "the index", 1));
        NoMore(rest);
    } else if (verb == L"standard-bar") {
        c.Verb = TVerb::StandardBar;
        c.Target = Target(NextWord(rest), false);
        c.Index = static_cast<int>(Number(NextWord(rest), "the index", 1));
        const std::wstring state = NextWord(rest);
        if (state != L"on" && state != L"off")
            throw std::invalid_argument("expected 'on' or 'off', not '" + Narrow(state) + "'");
        c.Flag = state == L"on";
        NoMore(rest);
    } else if (verb == L"click") {
        c.Verb = TVerb::Click;
        c.Target = Target(NextWord(rest), false);
        c.Index = static_cast<int>(Number(NextWord(rest), "the index", 1));
        c.Text = std::wstring(rest);
        if (c.Text.empty())
            throw std::invalid_argument("click needs a button's caption");
    } else if (verb == L"type") {
        c.Verb = TVerb::Type;
        if (Target(NextWord(rest)) != TTarget::Inspector)
            throw std::invalid_argument("type works on an inspector");
        c.Target = TTarget::Inspector;
        c.Index = static_cast<int>(Number(NextWord(rest), "the index", 1));
        c.Text = Unescape(std::wstring(rest));
    } else if (verb == L"caret") {
        c.Verb = TVerb::Caret;
        if (Target(NextWord(rest)) != TTarget::Inspector)
            throw std::invalid_argument("caret works on an inspector");
        c.Target = TTarget::Inspector;
        c.Index = static_cast<int>(Number(NextWord(rest), "the index", 1));
        c.Number = Number(NextWord(rest), "the position", 0);
        const std::wstring length = NextWord(rest);
        c.Length = length.empty() ? 0 : Number(length, "the length", 0);
        NoMore(rest);
    } else if (verb == L"state") {
        c.Verb = TVerb::State;
        NoMore(rest);
    } else if (verb == L"wait") {
        c.Verb = TVerb::Wait;
        c.Number = Number(NextWord(rest), "the time", 0);
        NoMore(rest);
    } else if (verb == L"empty") {
        if (NextWord(rest) != L"folder")
            throw std::invalid_argument("expected 'folder'");
        c.Verb = TVerb::Empty;
        c.Text = std::wstring(rest);
        if (c.Text.empty())
            throw std::invalid_argument("a folder is needed");
    } else if (verb == L"screenshot") {
        c.Verb = TVerb::Screenshot;
        c.Text = std::wstring(rest);
        if (c.Text.empty())
            throw std::invalid_argument("screenshot needs a file name");
    } else if (verb == L"disconnect") {
        c.Verb = TVerb::Disconnect;
        NoMore(rest);
    } else if (verb == L"connect") {
        c.Verb = TVerb::Connect;
        NoMore(rest);
    } else if (verb == L"quit") {
        c.Verb = TVerb::Quit;
        const std::wstring how = NextWord(rest);
        if (!how.empty() && how != L"fast")
            throw std::invalid_argument("expected 'quit' or 'quit fast'");
        c.Flag = how == L"fast";
        NoMore(rest);
    } else {
        throw std::invalid_argument("unknown command '" + Narrow(verb) + "'");
    }
    return c;
}

} // namespace zel::standin::host
