// Fuzz target: every reader of command texts (the MML parser, the parameter
// helpers and loading into a command model) on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "CmdText.h"
#include "hostlibs/MmlText.h"

static SCmd Template() {
    SCmd c;
    c.mml = "LST MGCPSUB";
    for (int kind = 0; kind <= 9; ++kind) {
        SParaDesc p;
        p.mmlName = "P" + std::to_string(kind);
        p.kind = kind;
        if (kind == PK_ENUM || kind == PK_ENUMFIXED) p.choices = {{"ON", "On"}, {"OFF", "Off"}};
        if (kind == PK_BITS) p.items = {"A", "B"};
        c.params.push_back(p);
    }
    return c;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    SMmlCommand cmd;
    std::string error;
    if (ParseMml(text, cmd, error) && cmd.verb.empty()) __builtin_trap();
    (void)MmlCommandWord(text);
    std::map<std::string, std::string> m;
    ParseAssignments(text, m);
    ParseCompound(text, m);
    CCmd t(Template());
    LoadCmdText(t, text);
    (void)t.Format();
    (void)ClassifyCmd(text);
    (void)GetParaValue(text, "P0");
    (void)SetParaValue(text, "P0", "1");
    return 0;
}
