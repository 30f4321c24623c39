#pragma once

#include <QString>
#include <QStringList>

namespace mss::intake {

// The three statements that store an intake sheet, from the values in the order the procedures
// take them. Every value is quoted safely; the separators are those the procedures have always
// been sent.
QString saveIntakeSheetDataStatement(const QStringList &values);
QString saveOtherPatientInfoStatement(const QStringList &values);
QString savePatientDataStatement(const QStringList &values);

} // namespace mss::intake
