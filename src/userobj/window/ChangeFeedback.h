// What the operator is told about a command the switch answered: the status
// bar line after an accepted change ("MGCP Subscriber 20019997 modified"),
// and the words of a refusal with the command behind its "Details".
#pragma once

#include <string>

#include "hostlibs/ObjDesc.h"

class QWidget;

namespace feedback {

// The object and the instance the command names by its key attributes:
// "MGCP Subscriber 20019997".
std::string ObjectNamed(const SComObj& desc, const std::string& cmd);
// The operation and the instance: "Block MGCP Subscriber 20019997".
std::string OperationNamed(const SComObj& desc, DWORD opId, const std::string& cmd);
// The status bar line after the switch accepted a change.
std::string DoneText(const SComObj& desc, WORD actType, DWORD opId, const std::string& cmd,
                     const std::string& resultText);
// A refusal in words: which operation, what the return code means, and
// what the switch added to it.
std::string RefusalText(const SComObj& desc, DWORD opId, const std::string& cmd,
                        const std::string& meaning, const std::string& resultText);
// The command as sent (secret values masked), the return code and the
// switch's own text.
std::string RefusalDetails(const SComObj& desc, const std::string& cmd, int retCode,
                           const std::string& resultText);
// Shows the line in the status bar of the main window that holds w.
void ShowStatus(QWidget* w, const std::string& text);

}  // namespace feedback
