// Argon2id password hashes.
#include "PasswordHash.h"

#include <sodium.h>

namespace mmlsw {

namespace {

bool Ready() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

}  // namespace

std::string HashPassword(const std::string& password) {
    if (!Ready()) return {};
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
        return {};
    return out;
}

bool VerifyPassword(const std::string& hash, const std::string& password) {
    if (!Ready() || hash.empty() || hash.size() >= crypto_pwhash_STRBYTES) return false;
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

const std::string& DecoyHash() {
    static const std::string decoy = [] {
        unsigned char noise[24];
        if (Ready()) randombytes_buf(noise, sizeof noise);
        std::string text(reinterpret_cast<const char*>(noise), sizeof noise);
        return HashPassword(text);
    }();
    return decoy;
}

}  // namespace mmlsw
