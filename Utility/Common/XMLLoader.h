// XMLLoader: loads a file or a text into a TiXmlDocument within the limits
// the XML library can parse safely (XMLLimits): what comes before a limit is
// read, the rest is not; a text past a node limit is not read at all.
//
// The text the library is given also ends with NULs to spare, as the library
// may step past a terminating NUL: it takes a multi-byte character's first
// byte for the whole character, even when a NUL follows.
//
//   TiXmlDocument document;
//   const XMLLoadReport report = XMLLoader::LoadPath(document, "sku.xml");
//   report.cut;  // XMLLimits::Cut::Depth for a file nested too deep
#ifndef QE_XMLLOADER_H
#define QE_XMLLOADER_H

#include "QeString.h"
#include "XMLLimits.h"
#include "XMLLoadReport.h"

#include <cstdio>

class TiXmlDocument;

class XMLLoader {
public:
    /// Opens the file at `path` as a regular file (a FIFO or a device is
    /// refused, not waited on) and loads it as LoadFile does; `document` is
    /// left as it was when the file cannot be opened.
    static XMLLoadReport LoadPath(TiXmlDocument& document, const QeString& path);
    /// Loads `document` from an open file, from its start, as the library's
    /// own LoadFile would (encoding detected, line ends made LF), but only the
    /// readable part, made safe as ParseText does; nothing of a refused
    /// file. False when a limit cut or refused the file (also past a NUL,
    /// which is never read); `cut`, when given, gets the limit that did.
    static bool LoadFile(TiXmlDocument& document, FILE* file, XMLLimits::Cut* cut = nullptr);
    /// Parses `text` into `document` as the library's Parse does, but only
    /// what it may be given: up to the first NUL, where the library stops
    /// reading, and within the limits, followed by NULs to spare; nothing
    /// when it is refused. The limit that shortened it (none for a NUL).
    static XMLLimits::Cut ParseText(TiXmlDocument& document, const char* text, unsigned long size);
};

#endif
