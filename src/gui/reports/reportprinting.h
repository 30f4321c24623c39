#pragma once

class QPrinter;

namespace mss::reports {

class PageModel;

// Paints the pages a printer was set up for (its page range honoured) and ends the job.
void printModel(const PageModel &model, QPrinter &printer);

} // namespace mss::reports
