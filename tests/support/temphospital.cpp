#include "support/temphospital.h"

namespace mss::test {

TempHospital::TempHospital()
{
    data::EmbeddedOptions options;
    options.create = true;
    m_connection = std::make_unique<data::EmbeddedConnection>(m_dir.path(), options);
}

std::unique_ptr<data::EmbeddedConnection> TempHospital::openAnother(int busyTimeoutMs) const
{
    data::EmbeddedOptions options;
    options.busyTimeoutMs = busyTimeoutMs;
    return std::make_unique<data::EmbeddedConnection>(m_dir.path(), options);
}

} // namespace mss::test
