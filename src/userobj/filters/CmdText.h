// Reading command texts back into values: the parameters of a stored or
// outgoing MML command, compound values, and loading a command text into a
// command model so that its values can be edited again.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "hostlibs/Cmd.h"

// Verb classes of ClassifyCmd.
enum CmdClass { CMD_ADD = 0, CMD_ADB = 1, CMD_RMV = 2, CMD_RVB = 3, CMD_LST = 4, CMD_OTHER = 5 };

// "VERB OBJ: A=1, B = 2 ;" -> {A: 1, B: 2}, in the order the names first
// stand in the text. A value ends at the first "," left in the text (else
// its first ";"), so in "A,B=1;" the name "A,B" gets an empty value and
// "B" gets 1; a repeated name keeps its last value. False without ":" or
// when a value has no end.
using CAssignments = std::vector<std::pair<std::string, std::string>>;
BOOL ParseAssignments(const std::string& text, CAssignments& out);
BOOL ParseAssignments(const std::string& text, std::map<std::string, std::string>& out);
// "A-1&B-0" -> {A: 1, B: 0}: each item's last character is its state.
void ParseCompound(const std::string& text, std::map<std::string, std::string>& out);
// Loads a command text's values into the template's parameters, by kind,
// assignment by assignment as they stand in the text.
BOOL LoadCmdText(CCmd& templ, const std::string& text);

// Verb class of a command: ADD 0, ADB 1, RMV 2, RVB 3, LST 4, else 5.
int ClassifyCmd(const std::string& text);
// The value of a parameter (name without regard to case); empty when the
// command is not one "VERB OBJ: ...;" or has no such parameter.
std::string GetParaValue(const std::string& cmd, const std::string& name);
// The command with the first assignment to name (case-sensitive) set to value.
std::string SetParaValue(const std::string& cmd, const std::string& name, const std::string& value);
