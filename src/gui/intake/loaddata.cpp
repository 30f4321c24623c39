#include "intake/loaddata.h"

#include "domain/intakerecord.h"
#include "intake/familycomposition.h"
#include "intake/frmintakesurveysheet.h"

#include <QLineEdit>

namespace mss::intake {

void LoadIntakeSheet(frmIntakeSurveySheet &w, data::Connection &connection)
{
    IntakeRecord sheet = w.record();
    if (IntakeSheetStore(connection).loadStoredSheet(sheet))
        w.showRecord(sheet);
}

void LoadFamilyComposition(frmIntakeSurveySheet &w, data::Connection &connection)
{
    w.family().LoadFamilyComposition(connection, w.txtHospitalNo->text());
}

} // namespace mss::intake
