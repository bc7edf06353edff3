// XMLLoadReport: what loading a file came to, for its caller to tell: whether
// the file could be opened, and which limit (XMLLimits) cut or refused it.
//
//   const XMLLoadReport report = XMLLoader::LoadPath(document, "sku.xml");
//   if (!report.opened)
//       std::cerr << report.opened.Message();  // "not a regular file"
#ifndef QE_XMLLOADREPORT_H
#define QE_XMLLOADREPORT_H

#include "Outcome.h"
#include "XMLLimits.h"

class XMLLoadReport {
public:
    /// Success, or why the file could not be opened as a regular file: "not a
    /// regular file", or the system's text.
    Outcome opened = Outcome::Success();
    /// The limit that cut or refused what the file holds.
    XMLLimits::Cut cut = XMLLimits::Cut::None;
};

#endif
