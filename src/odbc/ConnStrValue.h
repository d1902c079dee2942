#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Values inside ODBC connection strings ("KEY=value;..."). A value holding ";", opening with
// "{", or starting or ending with a blank is written in braces with every "}" doubled; a ";"
// inside braces does not end the item. A brace further inside a value means nothing to a
// parser, so such a value is left bare: psqlODBC 13.02 takes braces only around PWD and would
// otherwise see a user "qv}x" as "{qv}}x}".
namespace connvalue {

inline bool needsBraces(std::string_view value)
{
    if (value.empty())
        return false;
    if (value.front() == ' ' || value.back() == ' ' || value.front() == '\t' ||
        value.back() == '\t' || value.front() == '{')
        return true;
    return value.find(';') != std::string_view::npos;
}

// The value as written in a connection string: unchanged when it needs no braces.
inline std::string quote(std::string_view value)
{
    if (!needsBraces(value))
        return std::string(value);
    std::string out = "{";
    for (const char c : value) {
        out.push_back(c);
        if (c == '}')
            out.push_back('}');
    }
    out.push_back('}');
    return out;
}

// Where the value starting at s[from] ends (the position of its ";" or the end of s). A value
// opening with "{" runs to its closing brace ("}}" inside stands for "}"), then to the next ";".
// Works on std::string and QString alike.
template <typename Text> auto valueEnd(const Text& s, decltype(s.size()) from)
{
    using Index = decltype(s.size());
    const Index n = s.size();
    Index i = from;
    if (i < n && s[i] == '{') {
        ++i;
        while (i < n) {
            if (s[i] == '}') {
                if (i + 1 < n && s[i + 1] == '}') {
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            ++i;
        }
    }
    while (i < n && s[i] != ';')
        ++i;
    return i;
}

// The value as meant: braces removed and "}}" read as "}" when it is braced; otherwise as it
// stands.
inline std::string unquote(std::string_view value)
{
    if (value.size() < 2 || value.front() != '{')
        return std::string(value);
    const std::size_t end = valueEnd(value, 0);
    std::string out;
    std::size_t i = 1;
    while (i < end) {
        if (value[i] == '}') {
            if (i + 1 < end && value[i + 1] == '}') {
                out.push_back('}');
                i += 2;
                continue;
            }
            // The closing brace; anything after it up to the ";" is kept as written.
            out.append(value.substr(i + 1, end - i - 1));
            return out;
        }
        out.push_back(value[i++]);
    }
    return out;
}

// The value (unquoted) of the first item whose key is exactly key; nothing when there is none.
// Items are walked one by one, so a "KEY=" inside another item's braced value is not taken.
inline std::optional<std::string> itemValue(std::string_view connStr, std::string_view key)
{
    std::size_t at = 0;
    while (at < connStr.size()) {
        const std::size_t eq = connStr.find('=', at);
        const std::size_t semicolon = connStr.find(';', at);
        if (eq == std::string_view::npos)
            return std::nullopt;
        if (semicolon < eq) { // an item without "="
            at = semicolon + 1;
            continue;
        }
        const std::size_t end = valueEnd(connStr, eq + 1);
        if (connStr.substr(at, eq - at) == key)
            return unquote(connStr.substr(eq + 1, end - eq - 1));
        at = end + 1;
    }
    return std::nullopt;
}

} // namespace connvalue
