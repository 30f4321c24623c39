#include "session/sessionstate.h"

#include "auth/currentuser.h"
#include "domain/billingstatement.h"
#include "domain/codesearch.h"
#include "domain/keypress.h"
#include "domain/patientcomponent.h"
#include "domain/patientsearch.h"

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
