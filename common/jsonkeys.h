#pragma once

#include <QByteArray>
#include <QSet>

#include <vector>

// Qt 5.15's JSON parser leaks the value of a key that an object repeats, if
// it is an array or an object. JSON text from outside is checked with this
// first and, if it repeats a key or writes one with an escape (which could
// hide a repetition), not parsed at all; keys without escapes compare as
// written. Header-only, so the map's web module, which compiles its sources
// without the common library, shares it too.
inline bool jsonRepeatsAKey(const QByteArray &json)
{
    const auto isJsonSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    std::vector<char> open;             // '{' or '[' of each open container
    std::vector<QSet<QByteArray>> keys; // of each open object
    for (int i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (c == '{' || c == '[') {
            open.push_back(c);
            if (c == '{')
                keys.emplace_back();
        } else if (c == '}' || c == ']') {
            if (open.empty())
                return false;
            if (open.back() == '{')
                keys.pop_back();
            open.pop_back();
        } else if (c == '"') {
            const int start = i + 1;
            bool escaped = false;
            for (++i; i < json.size() && json.at(i) != '"'; ++i) {
                if (json.at(i) == '\\') {
                    escaped = true;
                    ++i;
                }
            }
            int next = i + 1;
            while (next < json.size() && isJsonSpace(json.at(next)))
                ++next;
            const bool isKey =
                next < json.size() && json.at(next) == ':' && !open.empty() && open.back() == '{';
            if (!isKey)
                continue;
            const QByteArray key = json.mid(start, i - start);
            if (escaped || keys.back().contains(key))
                return true;
            keys.back().insert(key);
        }
    }
    return false;
}
