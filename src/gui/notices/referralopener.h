#pragma once

#include <QString>

namespace mss::notices {

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
