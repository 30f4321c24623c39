#include "db/password.h"

#include "data/dberror.h"

#include <QByteArray>

#include <pwquality.h>
#include <sodium.h>

#include <memory>
#include <utility>

namespace mss::data {

namespace {
const QString kSource = QStringLiteral("Passwords");
}

QString passwordRuleProblem(const QString &password, const QString &userCode, const QStringList &names)
{
    if (password.isEmpty())
        return QStringLiteral("The password is empty: a password of at least %1 characters is needed.")
            .arg(kMinimumPasswordLength);
    // Characters as a user counts them, not UTF-16 units.
    if (password.toUcs4().size() < kMinimumPasswordLength)
        return QStringLiteral("The password is too short: it needs at least %1 characters.")
            .arg(kMinimumPasswordLength);

    const std::unique_ptr<pwquality_settings_t, void (*)(pwquality_settings_t *)> settings(
        pwquality_default_settings(), pwquality_free_settings);
    if (!settings)
        return QStringLiteral("The password cannot be judged: the password-quality library could not start.");
    // The system's own settings (/etc/security/pwquality.conf) may ask for more; these are the least.
    void *configProblem = nullptr;
    pwquality_read_config(settings.get(), nullptr, &configProblem);
    pwquality_set_int_value(settings.get(), PWQ_SETTING_MIN_LENGTH, kMinimumPasswordLength);
    pwquality_set_int_value(settings.get(), PWQ_SETTING_DICT_CHECK, 1);
    pwquality_set_int_value(settings.get(), PWQ_SETTING_USER_CHECK, 1);
    pwquality_set_int_value(settings.get(), PWQ_SETTING_MAX_REPEAT, 3);
    pwquality_set_int_value(settings.get(), PWQ_SETTING_MAX_SEQUENCE, 4);

    // The library knows one user name per check: the code, then each name the user goes by.
    QStringList owners;
    for (const QString &owner : QStringList { userCode } + names)
        if (!owner.trimmed().isEmpty())
            owners.append(owner.trimmed());
    if (owners.isEmpty())
        owners.append(QString());
    const QByteArray utf8 = password.toUtf8();
    for (const QString &owner : std::as_const(owners)) {
        const QByteArray user = owner.toUtf8();
        void *auxiliary = nullptr;
        const int score = pwquality_check(
            settings.get(), utf8.constData(), nullptr, user.isEmpty() ? nullptr : user.constData(), &auxiliary);
        if (score < 0) {
            char buffer[PWQ_MAX_ERROR_MESSAGE_LEN];
            return QStringLiteral("The password is not accepted: %1.")
                .arg(QString::fromUtf8(pwquality_strerror(buffer, sizeof buffer, score, auxiliary)));
        }
    }
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

} // namespace mss::data
