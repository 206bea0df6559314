// Masking the values of secret parameters in command texts.
#include "Secrets.h"

#include <cctype>

namespace mmlsw {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Upper(std::string_view s) {
    std::string out;
    for (char c : s) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::string MaskSecrets(std::string_view command, const std::set<std::string>& names) {
    const size_t colon = command.find(':');
    if (colon == std::string_view::npos || names.empty()) return std::string(command);
    std::string out(command.substr(0, colon + 1));
    size_t i = colon + 1;
    const size_t n = command.size();
    while (i < n) {
        // A parameter's name runs to its "=" (or to the end of the parameter).
        const size_t nameStart = i;
        while (i < n && command[i] != '=' && command[i] != ',' && command[i] != ';' && command[i] != '"') ++i;
        std::string_view name = command.substr(nameStart, i - nameStart);
        while (!name.empty() && Blank(name.front())) name.remove_prefix(1);
        while (!name.empty() && Blank(name.back())) name.remove_suffix(1);
        out.append(command.substr(nameStart, i - nameStart));
        const bool secret = names.count(Upper(name)) > 0;
        if (i < n && command[i] == '=') {
            out += '=';
            ++i;
            while (i < n && Blank(command[i])) out += command[i++];
            if (i < n && command[i] == '"') {
                const size_t close = command.find('"', i + 1);
                const size_t end = close == std::string_view::npos ? n : close + 1;
                out += secret ? std::string("\"") + kMask + (close == std::string_view::npos ? "" : "\"")
                              : std::string(command.substr(i, end - i));
                i = end;
            } else {
                size_t end = i;
                while (end < n && command[end] != ',' && command[end] != ';') ++end;
                // Blanks after an unquoted value are not part of it.
                size_t last = end;
                while (last > i && Blank(command[last - 1])) --last;
                out += secret && last > i ? std::string(kMask) : std::string(command.substr(i, last - i));
                out.append(command.substr(last, end - last));
                i = end;
            }
        } else if (i < n && command[i] == '"') {
            // A quote where no value begins: copied through its end as it is.
            const size_t close = command.find('"', i + 1);
            const size_t end = close == std::string_view::npos ? n : close + 1;
            out.append(command.substr(i, end - i));
            i = end;
            continue;
        }
        if (i < n) out += command[i++];  // "," or ";" (or what follows a value's end)
    }
    return out;
}

}  // namespace mmlsw
