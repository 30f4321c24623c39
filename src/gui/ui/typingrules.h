#pragma once

class QLineEdit;

namespace mss::ui {

// Free-text boxes of the forms turn what is typed (or pasted) into capitals, and some turn an
// apostrophe into a backquote, keeping the cursor where it was.
void applyTypingRules(QLineEdit *edit, bool upperCase, bool apostropheToBackquote);

} // namespace mss::ui
