// Random changes for the invariant tests and their benchmark: adds,
// modifications, removals, blocks and batches of every kind that ties
// records together, drawn from small pools of numbers so that they clash
// (many must fail), on the demo dataset of 1200 MGCP subscribers.
#pragma once

#include <random>
#include <string>

namespace mmlsw::test {

class CRandomCommands {
public:
    explicit CRandomCommands(unsigned seed) : m_rng(seed) {}

    std::string Next() {
        switch (Pick(24)) {
        case 0: return "ADD MGCPSUB: DN=" + Number() + ", MGWNAME=\"gw\", EID=\"e\", CSC=" + Int(0, 9) + Hotline() + ";";
        case 1: return "ADD SIPSUB: DN=" + Number() + ", URI=\"sip:x@y\", PASSWORD=\"secret\";";
        case 2: return "ADD H248SUB: DN=" + Number() + ", MGWID=1, TID=\"t\";";
        case 3: return "RMV " + Kind() + ": DN=" + Number() + ";";
        case 4: return "MOD MGCPSUB: DN=" + Number() + ", CSC=" + Int(0, 9) + Hotline() + ";";
        case 5: return "BLK MGCPSUB: DN=" + Number() + ";";
        case 6: return "UBL MGCPSUB: DN=" + Number() + ";";
        case 7: return (Pick(2) ? "BLK" : "UBL") + std::string(" V5SUBMNT: DN=") + V5Number() + ";";
        case 8: return "ADD BRAMSN: DN=" + Bra() + ", MSN=" + Number() + ", CSC=" + Int(0, 5) + ";";
        case 9: return "RMV BRAMSN: DN=" + Bra() + ", MSN=" + Number() + ";";
        case 10: return "RMV BRASUB: DN=" + Bra() + ";";
        case 11: return "ADD BRASUB: DN=" + Bra() + ", MGWID=3, TID=\"b\", MAXMSN=" + Int(1, 3) + ";";
        case 12: {
            const std::string g = Int(1, 3);
            return "ADD CXMEM: CGNO=" + g + ", CGNAME=\"Company " + std::string(1, static_cast<char>('A' + g[0] - '1')) +
                   "\", DN=" + Number() + ", SHORTNO=" + Int(800, 850) + ", KIND=SUB;";
        }
        case 13: return "RMV CXMEM: CGNO=" + Int(1, 3) + ", DN=" + Number() + ";";
        case 14: return "MOD CXGRP: CGNO=" + Int(1, 3) + ", MAXMEM=" + Int(20, 60) + ", NIGHTDN=" + Number() + ";";
        case 15: {
            const int k = static_cast<int>(Pick(8));
            return "ADD DNSEG: SEGIDX=" + std::to_string(900 + k) + ", TYPE=FIXED, BGNDN=" +
                   std::to_string(29000000 + k * 25) + ", ENDDN=" + std::to_string(29000000 + k * 25 + 24 + Pick(30)) + ";";
        }
        case 16: return "RMV DNSEG: SEGIDX=" + Int(900, 907) + ";";
        case 17: {
            const int first = 29000000 + static_cast<int>(Pick(200));
            return "ADD SUBBATCH: SUBTYPE=" + std::string(Pick(2) ? "MGCP" : "SIP") + ", BGNDN=" + std::to_string(first) +
                   ", ENDDN=" + std::to_string(first + static_cast<int>(Pick(6))) + ";";
        }
        case 18: {
            const int first = 29000000 + static_cast<int>(Pick(200));
            return "RMV SUBBATCHDN: BGNDN=" + std::to_string(first) + ", ENDDN=" + std::to_string(first + static_cast<int>(Pick(6))) + ";";
        }
        case 19: {
            const int first = 4 + static_cast<int>(Pick(90));
            return std::string(Pick(2) ? "ADB V5SUB: BGNDN=" + std::to_string(79000000 + Pick(100)) + ", " : "RVB V5SUB: ") +
                   "V5IID=1, BGNL3ADDR=" + std::to_string(first) + ", ENDL3ADDR=" + std::to_string(first + static_cast<int>(Pick(5))) + ";";
        }
        case 20: return "ADD V5SUB: DN=" + Number() + ", V5IID=" + Int(1, 2) + ", L3ADDR=" + Int(0, 120) + ";";
        case 21: return "MOD BRASUB: DN=" + Bra() + ", MAXMSN=" + Int(1, 3) + ";";
        case 22: return "MOD CXMEM: CGNO=" + Int(1, 3) + ", DN=" + Number() + ", SHORTNO=" + Int(800, 850) + ";";
        default: return "RMV V5SUB: DN=" + V5Number() + ";";
        }
    }

private:
    unsigned Pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(m_rng); }
    std::string Int(int lo, int hi) { return std::to_string(lo + static_cast<int>(Pick(static_cast<unsigned>(hi - lo + 1)))); }
    // Seeded numbers (members of groups 1 to 3 among them), new ones, BRA
    // subscribers' numbers and MSNs, some with leading zeros.
    std::string Number() {
        const unsigned r = Pick(20);
        const std::string n = r < 8    ? std::to_string(20000000 + Pick(130))
                              : r < 17 ? std::to_string(29000000 + Pick(200))
                              : r < 19 ? std::to_string(60000000 + Pick(20))
                                       : std::to_string(62000000 + Pick(20));
        return Pick(8) ? n : "0" + n;
    }
    std::string V5Number() { return Pick(2) ? std::to_string(70000000 + Pick(24)) : std::to_string(79000000 + Pick(100)); }
    std::string Bra() { return std::to_string(60000000 + Pick(24)); }
    std::string Kind() {
        static const char* const kinds[] = {"MGCPSUB", "SIPSUB", "H248SUB", "V5SUB"};
        return kinds[Pick(4)];
    }
    std::string Hotline() {
        const unsigned r = Pick(6);
        return r == 0 ? ", HOTLINE=YES" : r == 1 ? ", HOTLINE=YES, HOTDN=1100" : r == 2 ? ", HOTDN=\"\"" : "";
    }

    std::mt19937 m_rng;
};

}  // namespace mmlsw::test
