#include "auth/password.h"

#include "data/dberror.h"

#include <QByteArray>

#include <sodium.h>

namespace mss::suite {

namespace {
const QString kSource = QStringLiteral("Passwords");
}

QString passwordRuleProblem(const QString &password)
{
    if (password.isEmpty())
        return QStringLiteral("The password is empty: a password of at least %1 characters is needed.")
            .arg(kMinimumPasswordLength);
    // Characters as a user counts them, not UTF-16 units.
    if (password.toUcs4().size() < kMinimumPasswordLength)
        return QStringLiteral("The password is too short: it needs at least %1 characters.")
            .arg(kMinimumPasswordLength);
    return {};
}

QString hashPassword(const QString &password, bool fast)
{
    if (sodium_init() < 0)
        throw data::DbError(0, kSource, QStringLiteral("The password library could not start"));
    const QByteArray utf8 = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    const unsigned long long ops = fast ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE;
    const size_t mem = fast ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE;
    if (crypto_pwhash_str(hash, utf8.constData(), size_t(utf8.size()), ops, mem) != 0)
        throw data::DbError(0, kSource, QStringLiteral("Not enough memory to hash the password"));
    return QString::fromLatin1(hash);
}

bool verifyPassword(const QString &hash, const QString &password)
{
    if (sodium_init() < 0)
        return false;
    const QByteArray h = hash.toLatin1();
    const QByteArray p = password.toUtf8();
    return crypto_pwhash_str_verify(h.constData(), p.constData(), size_t(p.size())) == 0;
}

} // namespace mss::suite
