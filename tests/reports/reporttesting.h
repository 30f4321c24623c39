// Shared by the report tests: a small embedded database with a census table, definitions
// written on the fly, and what pdfinfo and pdftotext read back from a PDF.
#pragma once

#include "engine/reportengine.h"
#include "support/temphospital.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace mss::test {

// main.tbCensus: Seq 1..n in order, Ward changing every `wardSize` rows, an amount with cents.
inline void fillCensus(data::EmbeddedConnection &c, int rows, int wardSize = 25)
{
    c.executeScript(QStringLiteral(
        "DROP TABLE IF EXISTS main.tbCensus;"
        "CREATE TABLE main.tbCensus (Seq INTEGER PRIMARY KEY, Ward TEXT, Name TEXT, Amount REAL, AdmDate TEXT);"));
    if (rows > 0)
        c.executeScript(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < @rows)"
            " INSERT INTO main.tbCensus SELECT i, printf('WARD %03d', (i - 1) / @size), printf('PATIENT %05d', i),"
            " ((i * 7919) % 100000) / 100.0, printf('2026-03-%02d 14:27:00', 1 + i % 28) FROM n;")
                            .replace(QStringLiteral("@rows"), QString::number(rows))
                            .replace(QStringLiteral("@size"), QString::number(wardSize)));
}

inline reports::ReportContext contextOf(data::Connection &c)
{
    reports::ReportContext ctx;
    ctx.connection = &c;
    ctx.hospitalName = QStringLiteral("PORT HALDEN GENERAL HOSPITAL");
    ctx.userName = QStringLiteral("Tester");
    return ctx;
}

inline QString writeFile(const QString &dir, const QString &name, const QString &text)
{
    QDir().mkpath(dir);
    QFile f(QDir(dir).filePath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    f.write(text.toUtf8());
    return f.fileName();
}

inline int pdfPageCount(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), { path });
    p.waitForFinished(60000);
    const auto m
        = QRegularExpression(QStringLiteral(R"(Pages:\s+(\d+))")).match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

inline QString pdfText(const QString &path, int page)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
        { QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
            QString::number(page), path, QStringLiteral("-") });
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline reports::ReportDefinition parse(const QString &xml, const QString &name = QStringLiteral("test.rpt"))
{
    return reports::parseDefinition(xml.toUtf8(), name);
}

} // namespace mss::test
