#pragma once
// The availability of a day as a page of its own (pt_BR) for the manager to print: the table
// veska-report prints, with a print button and a layout for A4 paper. Every text is escaped
// (addresses come from the network).

#include "journal/reports/ReportTable.h"

#include <string>

namespace veska::web {

std::string availabilityPage(const journal::ReportTable& table);

} // namespace veska::web
