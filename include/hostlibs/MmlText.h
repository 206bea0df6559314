// Reading MML command texts: "VERB OBJECT: NAME=value, NAME="text";".
// Used by the object-data library to match results with their commands and
// by the switch to execute them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hostlibs/HostLibsApi.h"

struct SMmlParam {
    std::string name;   // upper case as written
    std::string value;  // without quotes
    bool quoted = false;
};

struct SMmlCommand {
    std::string verb;    // upper case
    std::string object;  // upper case
    std::vector<SMmlParam> params;

    std::string Word() const { return verb + " " + object; }
    // The value of a parameter (names compare without regard to case).
    const SMmlParam* Find(std::string_view name) const;
};

// Parses one command in time linear in its length. Quoted values may hold
// any character but '"'; an unquoted value ends at "," or ";" and holds no
// blank and no "=" (blanks around it are not part of it). False with a reason for a text that
// is not one well-formed command ending in ";". A reason that repeats a
// name of the text shows it through `show` (as it is without one).
using MmlShowName = std::string (*)(std::string_view name);
UO_HOSTLIBS_API bool ParseMml(std::string_view text, SMmlCommand& out, std::string& error,
                              MmlShowName show = nullptr);

// "VERB OBJECT" of a command text, upper case, single space; empty when
// the text has no such start.
UO_HOSTLIBS_API std::string MmlCommandWord(std::string_view text);

// Writes a value so that ParseMml reads it back: quoted when it holds a
// character that would end it.
UO_HOSTLIBS_API std::string MmlQuoteIfNeeded(const std::string& value);
