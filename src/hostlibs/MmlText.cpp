// Reading MML command texts.
#include "hostlibs/MmlText.h"

#include <unordered_set>

#include "TextHelpers.h"

using platform::EqualsNoCase;
using platform::ToUpper;
using platform::TrimView;

const SMmlParam* SMmlCommand::Find(std::string_view name) const {
    for (const SMmlParam& p : params)
        if (EqualsNoCase(p.name, name)) return &p;
    return nullptr;
}

// Blanks separate the parts of a command; any other control character is
// part of the name or value it stands in, which then refuses it.
static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

static bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-' || c == ' ';
}

std::string MmlCommandWord(std::string_view text) {
    size_t colon = text.find(':');
    std::string_view head = TrimView(colon == std::string_view::npos ? std::string_view() : text.substr(0, colon));
    if (head.empty()) return {};
    // Collapse runs of blanks: "LST   SUB" is "LST SUB".
    std::string out;
    bool space = false;
    for (char c : head) {
        if (c == ' ' || c == '\t') {
            space = true;
            continue;
        }
        if (space && !out.empty()) out += ' ';
        space = false;
        out += c;
    }
    return ToUpper(out);
}

bool ParseMml(std::string_view text, SMmlCommand& out, std::string& error, MmlShowName show) {
    out = {};
    auto shown = [show](std::string_view name) { return show ? show(name) : std::string(name); };
    text = TrimView(text);
    if (text.empty()) return error = "empty command", false;
    if (text.back() != ';') return error = "the command does not end with \";\"", false;
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return error = "no \":\" after the command word", false;
    const std::string word = MmlCommandWord(text);
    const size_t sp = word.find(' ');
    if (sp == std::string::npos || word.find(' ', sp + 1) != std::string::npos)
        return error = "the command word must be a verb and an object", false;
    for (char c : word)
        if (!IsNameChar(c)) return error = "bad character in the command word", false;
    out.verb = word.substr(0, sp);
    out.object = word.substr(sp + 1);

    std::string_view rest = text.substr(colon + 1);
    rest.remove_suffix(1);  // the ";"
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < rest.size() && IsBlank(rest[i])) ++i;
    };
    skipBlanks();
    // Names seen so far: a line of 64 KiB holds thousands of parameters, and
    // each is checked against the others in constant time.
    std::unordered_set<std::string> names;
    while (i < rest.size()) {
        const size_t eq = rest.find('=', i);
        if (eq == std::string_view::npos) return error = "parameter without \"=\"", false;
        std::string_view name = platform::TrimBlanksView(rest.substr(i, eq - i));
        if (name.empty()) return error = "parameter without a name", false;
        for (char c : name)
            if (!IsNameChar(c) || c == ' ') return error = "bad parameter name \"" + shown(name) + "\"", false;
        i = eq + 1;
        skipBlanks();
        SMmlParam p;
        p.name = ToUpper(name);
        if (i < rest.size() && rest[i] == '"') {
            const size_t close = rest.find('"', i + 1);
            if (close == std::string_view::npos) return error = "unterminated quoted value", false;
            p.value = std::string(rest.substr(i + 1, close - i - 1));
            p.quoted = true;
            i = close + 1;
            skipBlanks();
            if (i < rest.size() && rest[i] != ',') return error = "text after a quoted value", false;
        } else {
            size_t end = rest.find(',', i);
            if (end == std::string_view::npos) end = rest.size();
            std::string_view v = platform::TrimBlanksView(rest.substr(i, end - i));
            if (v.find_first_of(";\"") != std::string_view::npos) return error = "bad character in a value", false;
            // Blanks and "=" inside a plain value would leave what it is to
            // guessing (a forgotten "," or quote): such values are quoted.
            if (v.find_first_of(" \t=") != std::string_view::npos)
                return error = "the value of " + shown(ToUpper(name)) + " holds blanks or \"=\": quote it", false;
            p.value = std::string(v);
            i = end;
        }
        if (!names.insert(p.name).second) return error = "parameter " + shown(p.name) + " given twice", false;
        out.params.push_back(std::move(p));
        if (i < rest.size()) ++i;  // the ","
        skipBlanks();
        if (i == rest.size() && !rest.empty() && rest.back() == ',')
            return error = "a \",\" must be followed by a parameter", false;
    }
    return true;
}

std::string MmlQuoteIfNeeded(const std::string& value) {
    if (value.find_first_of(",;= \t") == std::string::npos && !value.empty()) return value;
    return "\"" + value + "\"";
}
