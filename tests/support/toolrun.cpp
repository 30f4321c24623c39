#include "support/toolrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

namespace mss::test {

QString mssDbPath()
{
    const QString dir = qEnvironmentVariable("MSS_TOOLS_DIR");
    return QDir(dir.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/..") : dir)
        .filePath(QStringLiteral("mss-db"));
}

ToolRun runMssDb(const QStringList &args, const QMap<QString, QString> &environment)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.cbegin(); it != environment.cend(); ++it) {
        if (it.value().isNull())
            env.remove(it.key());
        else
            env.insert(it.key(), it.value());
    }
    p.setProcessEnvironment(env);
    p.start(mssDbPath(), args);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        return {};
    return { p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError()) };
}

} // namespace mss::test
