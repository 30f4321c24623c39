#pragma once

#include <QString>

namespace mss::suite {

inline constexpr int kMinimumPasswordLength = 8;

// Why a new password may not be used ("" when it may): empty, or shorter than the minimum.
QString passwordRuleProblem(const QString &password);

// A libsodium password hash (crypto_pwhash_str) of the password. Fast hashes are for tests.
QString hashPassword(const QString &password, bool fast = false);
// True when the password matches a hash made by hashPassword.
bool verifyPassword(const QString &hash, const QString &password);

} // namespace mss::suite
