#include "reports/reportprinting.h"

#include "engine/pagemodel.h"
#include "engine/reportdefinition.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace mss::reports {

void printModel(const PageModel &model, QPrinter &printer)
{
    ensureReportFonts();
    printer.setFullPage(true);
    printer.setPageLayout(model.pageLayout());
    if (printer.docName().isEmpty())
        printer.setDocName(model.title);
    int from = 1;
    int to = model.pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(1, printer.fromPage());
        to = std::min(model.pageCount(), printer.toPage() > 0 ? printer.toPage() : model.pageCount());
    } else if (printer.printRange() == QPrinter::CurrentPage && printer.fromPage() > 0) {
        from = to = std::min(model.pageCount(), printer.fromPage());
    }
    QPainter painter;
    if (!painter.begin(&printer))
        throw ReportError(QStringLiteral("The printer \"%1\" cannot be used.").arg(printer.printerName()));
    for (int i = from; i <= to; ++i) {
        if (i > from)
            printer.newPage();
        model.paintPage(painter, i - 1);
    }
    painter.end();
}

} // namespace mss::reports
