#include "reports/reportcatalogue.h"

namespace mss::reports {

// Filled by the report catalogue: until then no menu item is handed to it.
QStringList catalogueItems()
{
    return {};
}

bool isCatalogueItem(const QString &menuName)
{
    return catalogueItems().contains(menuName);
}

void runCatalogueItem(const QString &, const patients::PatientSelection &, QWidget *)
{
}

} // namespace mss::reports
