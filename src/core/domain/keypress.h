#pragma once

namespace mss::suite {

// The suite's key-press component. The session creates one, as the hospital's other programs
// expect of a session, but it has no operation this program needs, so it is empty on purpose.
class KeyPress { };

} // namespace mss::suite
