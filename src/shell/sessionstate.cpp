#include "shell/sessionstate.h"

#include "patients/patientsearch.h"
#include "shell/startup.h"
#include "suite/billingstatement.h"
#include "suite/codesearch.h"
#include "suite/currentuser.h"
#include "suite/keypress.h"
#include "suite/patientcomponent.h"

namespace mss::shell {

SessionState::SessionState() = default;
SessionState::~SessionState() = default;

namespace detail {
SessionState &writableSession()
{
    static SessionState state;
    return state;
}
} // namespace detail

const SessionState &Session()
{
    return detail::writableSession();
}

} // namespace mss::shell
