#include "domain/codesearch.h"

namespace mss::suite {

bool clsCodeSearch::SearchListing(const QString &text, int)
{
    if (!Connection)
        return false;
    if (!AddressPicker)
        return false;
    const std::optional<AddressChoice> chosen = AddressPicker(*Connection, SearchTitle, text);
    if (!chosen || chosen->ResultCode.isEmpty())
        return false;
    m_address = *chosen;
    return true;
}

} // namespace mss::suite
