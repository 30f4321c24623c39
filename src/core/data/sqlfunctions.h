#pragma once

struct sqlite3;

namespace mss::data {

// Registers on an embedded connection the functions that the translated T-SQL and the stored
// procedures call: mss_error, mss_date, mss_visible (the text
// without invisible characters, trimmed), mss_left, mss_right, mss_convert, getdate, len, year,
// month, day.
void registerSqlFunctions(sqlite3 *db);

} // namespace mss::data
