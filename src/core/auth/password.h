#pragma once

#include <QString>

namespace mss::suite {

// A libsodium password hash (crypto_pwhash_str) of the password. Fast hashes are for tests.
QString hashPassword(const QString &password, bool fast = false);
// True when the password matches a hash made by hashPassword.
bool verifyPassword(const QString &hash, const QString &password);

} // namespace mss::suite
