#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace mss::patients {
struct PatientSelection;
}

namespace mss::reports {

class ReportRunner;

// The report items of the main window's menus, by menu control name (mnuCensus, mnuSummarizedSOA,
// "mnuViewPatientDatasheet", …): each asks for its dates, prepares its data, and shows its report.
QStringList catalogueItems();
bool isCatalogueItem(const QString &menuName);

// Runs one item for the patient chosen in the patient list (items that take the selection run
// with empty values when nothing is chosen). A failure throws; the caller's command guard
// reports it.
void runCatalogueItem(
    const QString &menuName, const patients::PatientSelection &selection, ReportRunner &runner, QWidget *parent);

} // namespace mss::reports
