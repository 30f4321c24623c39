#include "support/tdsserver.h"

#include "data/connectionstring.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

namespace mss::test {

namespace {

QString sourceDir()
{
    const QString env = qEnvironmentVariable("MSS_TEST_SOURCE_DIR");
    return env.isEmpty() ? QStringLiteral(MSS_SOURCE_DIR) : env;
}

} // namespace

namespace tds {

QJsonObject rule(const QString &match, const QJsonArray &respond, int times)
{
    QJsonObject r { { QStringLiteral("match"), match }, { QStringLiteral("respond"), respond } };
    if (times > 0)
        r.insert(QStringLiteral("times"), times);
    return r;
}

QJsonObject rows(const QStringList &names, const QStringList &types, const QList<QJsonArray> &values)
{
    QJsonArray columns;
    for (qsizetype i = 0; i < names.size(); ++i)
        columns.append(QJsonObject { { QStringLiteral("name"), names[i] },
            { QStringLiteral("type"), types.size() == 1 ? types.first() : types.value(i) } });
    QJsonArray all;
    for (const QJsonArray &row : values)
        all.append(row);
    return { { QStringLiteral("columns"), columns }, { QStringLiteral("rows"), all } };
}

QJsonObject error(int number, const QString &message, int severity)
{
    return { { QStringLiteral("error"),
        QJsonObject { { QStringLiteral("number"), number }, { QStringLiteral("severity"), severity },
            { QStringLiteral("state"), 1 }, { QStringLiteral("message"), message } } } };
}

} // namespace tds

QString freeTdsDriver()
{
    for (const QString &candidate : { QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"),
             QStringLiteral("/usr/lib/aarch64-linux-gnu/odbc/libtdsodbc.so"),
             QStringLiteral("/usr/lib/odbc/libtdsodbc.so") })
        if (QFile::exists(candidate))
            return candidate;
    return {};
}

TdsServer::~TdsServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.closeWriteChannel(); // the server ends when its input does
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

void TdsServer::setScript(const QJsonObject &script)
{
    QSaveFile file(m_dir.filePath(QStringLiteral("script.json")));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(script).toJson());
        file.commit();
    }
}

bool TdsServer::start(const QJsonObject &script, QString *error)
{
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    setScript(script);
    m_process.setProgram(QStringLiteral("python3"));
    m_process.setArguments({ sourceDir() + QStringLiteral("/tests/tds/tdsserver.py"), QStringLiteral("--script"),
        m_dir.filePath(QStringLiteral("script.json")), QStringLiteral("--log"),
        m_dir.filePath(QStringLiteral("log.jsonl")), QStringLiteral("--max-seconds"), QStringLiteral("900") });
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(10000)) {
        *error = QStringLiteral("python3 did not start: ") + m_process.errorString();
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    QByteArray output;
    while (clock.elapsed() < 15000) {
        m_process.waitForReadyRead(200);
        output += m_process.readAllStandardOutput();
        const qsizetype at = output.indexOf("PORT ");
        if (at >= 0 && output.indexOf('\n', at) > at) {
            m_port = output.mid(at + 5, output.indexOf('\n', at) - at - 5).trimmed().toInt();
            return m_port > 0;
        }
        if (m_process.state() == QProcess::NotRunning)
            break;
    }
    *error = QStringLiteral("the TDS test server did not say its port: ") + QString::fromUtf8(output);
    return false;
}

QString TdsServer::connectionString(const QString &user, const QString &password, const QString &extra) const
{
    QString s = QStringLiteral("Driver=%1;Server=127.0.0.1;Port=%2;TDS_Version=7.4;Database=MSS;UID=%3")
                    .arg(freeTdsDriver())
                    .arg(m_port)
                    .arg(user);
    if (!extra.isEmpty())
        s += QLatin1Char(';') + extra;
    return data::withPassword(s, password);
}

QList<QJsonObject> TdsServer::allEvents() const
{
    QList<QJsonObject> events;
    QFile file(m_dir.filePath(QStringLiteral("log.jsonl")));
    if (!file.open(QIODevice::ReadOnly))
        return events;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            events.append(QJsonDocument::fromJson(line).object());
    return events;
}

QList<QJsonObject> TdsServer::events(const QString &kind) const
{
    QList<QJsonObject> chosen;
    const QList<QJsonObject> all = allEvents();
    for (qsizetype i = m_logMark; i < all.size(); ++i)
        if (kind.isEmpty() || all[i].value(QStringLiteral("kind")).toString() == kind)
            chosen.append(all[i]);
    return chosen;
}

QStringList TdsServer::statements() const
{
    QStringList texts;
    for (const QJsonObject &e : events()) {
        const QString kind = e.value(QStringLiteral("kind")).toString();
        if (kind == QLatin1String("batch") || kind == QLatin1String("rpc"))
            texts.append(e.value(QStringLiteral("text")).toString());
    }
    return texts;
}

void TdsServer::forgetLog()
{
    m_logMark = allEvents().size();
}

} // namespace mss::test
