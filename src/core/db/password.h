#pragma once

#include <QString>
#include <QStringList>

namespace mss::data {

inline constexpr int kMinimumPasswordLength = 8;

// Why a new password may not be used ("" when it may), in the words of the password-quality
// library (libpwquality with its cracklib dictionary): empty, shorter than the minimum, a
// dictionary word, holding the user's code or a part of the user's name, a run of one character,
// a monotonic sequence, a palindrome…
QString passwordRuleProblem(const QString &password, const QString &userCode = {}, const QStringList &names = {});

// A libsodium password hash (crypto_pwhash_str) of the password. Fast hashes are for tests.
QString hashPassword(const QString &password, bool fast = false);
// True when the password matches a hash made by hashPassword.
bool verifyPassword(const QString &hash, const QString &password);

} // namespace mss::data
