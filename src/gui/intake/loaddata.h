#pragma once

namespace mss::data {
class Connection;
}

namespace mss::intake {

class frmIntakeSurveySheet;

// Overlays a patient's stored intake sheet on the open intake window. A box or button whose
// stored value does not match is left as it was.
void LoadIntakeSheet(frmIntakeSurveySheet &window, data::Connection &connection);
// Shows the patient's stored family composition in the window's grid.
void LoadFamilyComposition(frmIntakeSurveySheet &window, data::Connection &connection);

} // namespace mss::intake
