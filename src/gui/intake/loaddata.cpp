#include "intake/loaddata.h"

#include "data/connection.h"
#include "data/quote.h"
#include "data/values.h"
#include "intake/familycomposition.h"
#include "intake/frmintakesurveysheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace mss::intake {

namespace {

void setDate(QDateEdit *picker, const data::Recordset &rs, const QString &column)
{
    const auto dt = data::dateTimeOf(rs.value(column));
    picker->setDate(dt ? dt->date() : picker->minimumDate());
}

// A stored problem is its full text or "1".
bool ticked(const data::Recordset &rs, const QString &column, const QString &fullText)
{
    const QString value = rs.text(column);
    return value == fullText || value == QLatin1String("1");
}

} // namespace

void LoadIntakeSheet(frmIntakeSurveySheet &w, data::Connection &connection)
{
    const data::Recordset rs = connection.open(
        QStringLiteral("MSS..sp_MSS_LoadExistIntakeSheet'") + data::q(w.txtHospitalNo->text()) + QStringLiteral("'"),
        data::CursorType::ForwardOnly, data::LockType::ReadOnly);
    if (rs.eof())
        return;
    if (rs.text(QStringLiteral("SeniorCitizen")) == QLatin1String("1"))
        w.chkSeniorCitizen->setChecked(true);
    w.txtMSSW->setText(rs.text(QStringLiteral("MSSW")));
    w.txtCaseNo->setText(rs.text(QStringLiteral("MSSNumber")));
    setDate(w.txtExpiry, rs, QStringLiteral("ExpiryDate"));
    setDate(w.DTDateInterviewed, rs, QStringLiteral("InterviewDate"));
    w.txtEducation->setText(rs.text(QStringLiteral("Education")));
    w.cmbCategory->setEditText(rs.text(QStringLiteral("category")));
    w.cboClassCode->setEditText(rs.text(QStringLiteral("Code")));
    w.txtClassification->setText(rs.text(QStringLiteral("Classification")));
    w.txtStatus->setText(rs.text(QStringLiteral("WorkStatus")));
    w.txtSalary->setText(rs.text(QStringLiteral("Salary")));
    w.txtSourceInfo->setText(rs.text(QStringLiteral("InfoSource")));
    w.cboReferringParty->setEditText(rs.text(QStringLiteral("ReferringParty")));
    w.txtReferredBy->setText(rs.text(QStringLiteral("ReferredBy")));
    setDate(w.DTDateReferred, rs, QStringLiteral("DateReferred"));
    w.txtRefferAd->setText(rs.text(QStringLiteral("ReferralAddress")));
    w.txtDocDSWD->setText(rs.text(QStringLiteral("DSWDSCSR")));
    w.txtDocAOCert->setText(rs.text(QStringLiteral("AOCert")));
    w.txtDocCertEmploy->setText(rs.text(QStringLiteral("CertOfEmployment")));
    w.txtDocMayorOff->setText(rs.text(QStringLiteral("TreasurerMayorOffice")));
    w.txtDocBrgyClear->setText(rs.text(QStringLiteral("BrgyClearance")));
    w.txtDocOthers->setText(rs.text(QStringLiteral("Others")));
    w.txtChiefComp->setText(rs.text(QStringLiteral("ChiefComplaint")));
    w.txtDiagnosis->setText(rs.text(QStringLiteral("Diagnosis")));
    w.txtTreatment->setText(rs.text(QStringLiteral("Treatment")));
    w.txtMDOtherInfo->setText(rs.text(QStringLiteral("OtherMDInfo")));
    w.txtOtherResources->setText(rs.text(QStringLiteral("Resources")));
    w.txtExpenses->setText(rs.text(QStringLiteral("Expenses")));
    w.txtOtherProb->setText(rs.text(QStringLiteral("OtherProblem")));
    w.txtDiagnostic->setPlainText(rs.text(QStringLiteral("DiagnosticImpress")));
    w.txtGoalPlan->setPlainText(rs.text(QStringLiteral("HelpingGoals")));
    w.txtActionTaken->setPlainText(rs.text(QStringLiteral("ActionTaken")));
    if (ticked(rs, QStringLiteral("FinancialProb"), QStringLiteral("Financial Problem")))
        w.chkFinancialProb->setChecked(true);
    if (ticked(rs, QStringLiteral("Refusal"), QStringLiteral("Refusal to Accept Treatment")))
        w.chkRefusalProb->setChecked(true);
    if (ticked(rs, QStringLiteral("Aggressiveness"), QStringLiteral("Aggressiveness/Stubborness/Demanding Traits")))
        w.chkAggressiveProb->setChecked(true);
    if (ticked(rs, QStringLiteral("Difficulty"), QStringLiteral("Difficulty in coping with stress")))
        w.chkDifficultyProb->setChecked(true);
    const QString irregular = rs.text(QStringLiteral("IrregularCheckUp"));
    if (irregular == QLatin1String("Irregular Check-up") || irregular == QLatin1String("1")
        || irregular.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        w.optIrregular->setChecked(true);
}

void LoadFamilyComposition(frmIntakeSurveySheet &w, data::Connection &connection)
{
    w.family().LoadFamilyComposition(connection, w.txtHospitalNo->text());
}

} // namespace mss::intake
