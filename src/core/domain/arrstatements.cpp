#include "domain/arrstatements.h"

#include "data/format.h"
#include "data/quote.h"
#include "data/values.h"

#include <QStringList>

namespace mss::referral {

namespace {

// Joins literal separators and quoted values: parts at even positions are sent as they stand,
// those at odd positions are values.
QString build(std::initializer_list<QString> parts)
{
    QString statement;
    bool value = false;
    for (const QString &part : parts) {
        statement += value ? data::q(part) : part;
        value = !value;
    }
    return statement;
}

const QString kSep = QStringLiteral("','");

} // namespace

QString saveAssessmentStatement(const ArrSaveValues &v)
{
    // No blank between the procedure's name and the first quote: the servers have always taken it so.
    return build({ QStringLiteral("MSS..sp_MSS_SaveAssessment_NEW'"), v.HospNum, kSep, v.IdNum, kSep, v.MssNum, kSep,
        v.ClassCode, kSep, v.CategoryName, kSep, v.CategoryId, kSep, v.Remarks, kSep, v.IntakeDate, kSep, v.ExpiryDate,
        kSep, v.WorkerCode, kSep, v.EmployeeCode, kSep, v.IsPCSO, kSep, v.IsCDF, kSep, v.IsSpecial, kSep, v.NC, kSep,
        v.PcsoType, kSep, v.ParentCategoryId, kSep, v.CategoryId, kSep, v.ReferringCode, kSep, v.Active, kSep,
        v.CaseStatus, kSep, v.ServiceCodes, QStringLiteral("'") });
}

QString saveTransactionStatement(const ArrSaveValues &v)
{
    return build({ QStringLiteral("MSS..sp_MSS_SaveTransaction '"), v.HospNum, kSep, v.IdNum, kSep, v.MssNum, kSep,
        v.ClassCode, kSep, v.IntakeDate, kSep, v.ExpiryDate, kSep, v.CategoryName, kSep, v.WorkerCode, kSep, v.UserCode,
        kSep, v.Remarks, QStringLiteral("'") });
}

std::optional<QString> removeDiscountLinesStatement(const ArrSaveValues &v)
{
    if (!v.IsSpecial.isEmpty())
        return std::nullopt;
    if (data::isInPatientAdmission(v.IdNumText))
        return build({ QStringLiteral("DELETE   FROM BILLING..tbBillDailyBill WHERE revenueid = 'QF' and refNum = '"),
            v.MssNum, QStringLiteral("' and IdNum = '"), v.IdNumText, QStringLiteral("'") });
    return build({ QStringLiteral("DELETE  FROM BILLING..tbBillOPDailyOut WHERE revenueid = 'QF' and refNum = '"),
        v.MssNum, QStringLiteral("' and IdNum = '"), v.IdNumText, QStringLiteral("'") });
}

QString saveDocumentationStatement(const ArrSaveValues &v)
{
    const QString spaced = QStringLiteral("', '");
    return build({ QStringLiteral("Mss..spMSS_SaveDocumentation '"), v.HospNumText, spaced, v.IdNumText, spaced,
        v.Active, spaced, v.CaseStatus, kSep, v.Docs, spaced, v.IntakeDate, kSep, v.UserCode, kSep, v.WorkerCode, kSep,
        v.ActivityCodes, QStringLiteral("'") });
}

QList<QString> saveStatements(const ArrSaveValues &v)
{
    QList<QString> statements = { saveAssessmentStatement(v), saveTransactionStatement(v) };
    if (const auto remove = removeDiscountLinesStatement(v))
        statements.append(*remove);
    statements.append(saveDocumentationStatement(v));
    return statements;
}

QString pcsoTypeCode(bool pcsoTagged, int allocationIndex)
{
    static const QStringList codes = { QStringLiteral("E"), QStringLiteral("G"), QStringLiteral("C") };
    if (!pcsoTagged || allocationIndex < 0 || allocationIndex >= codes.size())
        return {};
    return codes[allocationIndex];
}

int pcsoTypeIndex(const QString &code)
{
    static const QStringList codes = { QStringLiteral("E"), QStringLiteral("G"), QStringLiteral("C") };
    return int(codes.indexOf(code.trimmed()));
}

QString optionCategoryName(int optionIndex)
{
    static const QStringList names = { QStringLiteral("Pedia-Nephro"), QStringLiteral("Hemodialysis"),
        QStringLiteral("Post-Transplant"), QStringLiteral("Donor work-up"), QStringLiteral("PD"), QStringLiteral("IM"),
        QStringLiteral("Urology"), QStringLiteral("Vascular"), QStringLiteral("Donor Nephrectomy"),
        QStringLiteral("Renal Transplant Recipient"), QStringLiteral("GS"), QStringLiteral("Nephrology") };
    if (optionIndex < 0 || optionIndex >= names.size())
        return {};
    return names[optionIndex];
}

QString referringCodeOf(const QString &comboText)
{
    const qsizetype dash = comboText.indexOf(QLatin1Char('-'));
    return dash < 0 ? QString() : comboText.left(dash).trimmed();
}

QString docsText(const QList<bool> &ticked)
{
    QString text;
    for (bool on : ticked)
        text += (on ? QStringLiteral("1") : QStringLiteral("0")) + QLatin1Char('|');
    return text;
}

QList<std::optional<bool>> docsValues(const QString &docs, int boxes)
{
    const QStringList parts = docs.split(QLatin1Char('|'));
    QList<std::optional<bool>> values;
    for (int i = 0; i < boxes; ++i) {
        const QString part = i < parts.size() ? parts[i].trimmed() : QString();
        if (part == QLatin1String("1"))
            values.append(true);
        else if (part == QLatin1String("0"))
            values.append(false);
        else
            values.append(std::nullopt);
    }
    return values;
}

std::optional<QString> negotiatedCounterpartText(const QString &typed)
{
    if (typed.trimmed().isEmpty())
        return QStringLiteral("0");
    const std::optional<double> value = data::parseNumber(typed);
    if (!value)
        return std::nullopt;
    return data::numberText(*value);
}

bool isNumericText(const QString &typed)
{
    return data::parseNumber(typed).has_value();
}

QString assessmentRecordStatement(const QString &idNum)
{
    return build({ QStringLiteral("MSS..sp_MSS_GetAssessmentRecord '"), idNum.trimmed(), QStringLiteral("'") });
}

QString caseHistoryStatement(const QString &hospNum, const QString &idNum)
{
    return build({ QStringLiteral("Mss..sp_LoadPatCaseHistory '"), hospNum.trimmed(), QStringLiteral("', '"),
        idNum.trimmed(), QStringLiteral("'") });
}

QString existingMssNumberStatement(const QString &mssNum, const QString &hospNum)
{
    return build({ QStringLiteral("MSS..sp_MSS_GetExistsMSSNumber '"), mssNum.trimmed(), kSep, hospNum.trimmed(),
        QStringLiteral("'") });
}

} // namespace mss::referral
