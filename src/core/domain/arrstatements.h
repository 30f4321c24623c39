#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace mss::referral {

// The values one save of an assessment-and-referral record sends, named as the statements name
// them. Texts go in as they are sent: dates already in the short date form, flags as "1" or "".
struct ArrSaveValues {
    QString HospNum; // as the opener gave it
    QString IdNum; // as the opener gave it
    QString HospNumText; // the window's hospital number field, trimmed
    QString IdNumText; // the window's admission number field, as it stands
    QString MssNum;
    QString ClassCode;
    QString CategoryName;
    QString CategoryId;
    QString ParentCategoryId;
    QString Remarks;
    QString IntakeDate;
    QString ExpiryDate;
    QString WorkerCode;
    QString EmployeeCode; // the session's employee code
    QString UserCode; // the logged-on user's employee code
    QString IsPCSO;
    QString IsCDF;
    QString IsSpecial;
    QString NC;
    QString PcsoType;
    QString ReferringCode;
    QString Active;
    QString CaseStatus;
    QString ServiceCodes;
    QString ActivityCodes;
    QString Docs;
};

// Every value is quoted safely; blanks and separators are those the procedures have always been sent.
QString saveAssessmentStatement(const ArrSaveValues &v);
QString saveTransactionStatement(const ArrSaveValues &v);
// The removal of the admission's earlier procedure-discount lines from its bill; nothing for a
// "Special" case, whose lines stay.
std::optional<QString> removeDiscountLinesStatement(const ArrSaveValues &v);
QString saveDocumentationStatement(const ArrSaveValues &v);
// The statements of one save, in the order they run.
QList<QString> saveStatements(const ArrSaveValues &v);

// Rules by which the window's controls become values of the save.

// The PCSO allocation type: only for a case tagged PCSO, by the index of the chosen allocation
// (0 Endowment, 1 Guarantee Letter, 2 Check; -1 none chosen).
QString pcsoTypeCode(bool pcsoTagged, int allocationIndex);
// The index of an allocation type as it is stored; -1 for any other text.
int pcsoTypeIndex(const QString &code);
// The category name saved for the lowest ticked option of the second category group; empty for
// options that save none and for -1 (nothing ticked).
QString optionCategoryName(int optionIndex);
// The referring party's code from the box's text: what comes before the first "-", trimmed.
QString referringCodeOf(const QString &comboText);
// The documentation check values in index order, each followed by "|".
QString docsText(const QList<bool> &ticked);
// The check values of a stored docs text; a missing or unreadable part gives nothing for its box.
QList<std::optional<bool>> docsValues(const QString &docs, int boxes);
// A typed negotiated counterpart as the statement carries it: empty is 0; nothing when it is not a
// number (or too large to be one).
std::optional<QString> negotiatedCounterpartText(const QString &typed);
// Whether a typed text reads as a number, as the counterpart field checks it while typing.
bool isNumericText(const QString &typed);

// Statements the window reads with.
QString assessmentRecordStatement(const QString &idNum);
QString caseHistoryStatement(const QString &hospNum, const QString &idNum);
QString existingMssNumberStatement(const QString &mssNum, const QString &hospNum);

} // namespace mss::referral
