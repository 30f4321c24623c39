#pragma once

#include <QString>

namespace mss::data {
class Connection;
}

namespace mss::notices {

// What the notice windows need of the session: the shared connection and who is working.
struct NoticeContext {
    data::Connection *connection = nullptr;
    // The session's employee code, stored with a referral's tag.
    QString employeeCode;
    // The logged-on user, recorded as the one who clears a patient.
    QString userCode;
    QString userName;
};

// A window that opens the approval window on one referral: while Valid() it names the referral
// by its admission and referral numbers.
class ReferralOpener {
public:
    virtual QString IDNUM() const = 0;
    virtual QString REFNUM() const = 0;
    virtual bool Valid() const = 0;

protected:
    ~ReferralOpener() = default;
};

} // namespace mss::notices
