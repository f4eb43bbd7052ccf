// The measurement log window's commands and the report command.
#include "input/handlers.h"

namespace velta {

void misureClick(App& app) { app.w.showLog(); }

void setKnownLength(App&, std::size_t, const std::string&) {}

void copyLog(App&) {}

void exportLogCsv(App&) {}

void reportClick(App&) {}

}  // namespace velta
