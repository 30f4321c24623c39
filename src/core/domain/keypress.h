#pragma once

namespace mss::suite {

// The suite's key-press component: the session creates one and nothing in this program calls it.
class KeyPress { };

} // namespace mss::suite
