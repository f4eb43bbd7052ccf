#pragma once
// The report of a rectification laid out on one A4 page and written as a PDF (QtGui only: the PDF
// writer and the painter).

#include <string>

#include "input/report.h"

namespace velta::imageio {

/// Writes `report` as a one-page A4 PDF titled with its title, through a temporary file that
/// replaces `path` only once complete; false with the reason (Italian), the target untouched.
/// The pictures go in at no more than 200 pixels an inch; a log longer than the page holds is
/// cut, the page saying how many rows were left out.
bool writeReportPdf(const ReportData& report, const std::string& path, std::string& error);

}  // namespace velta::imageio
