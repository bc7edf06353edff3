// SKUInfoPrinter: a readable listing of a loaded product definition.
#ifndef QE_SKUINFOPRINTER_H
#define QE_SKUINFOPRINTER_H

#include "SKUDefinition.h"

#include <ostream>

class SKUInfoPrinter {
public:
    /// Writes every member of `definition`, maps in their own order. Texts are
    /// quoted, with quotes, backslashes and control bytes escaped, so empty
    /// names and surrounding spaces stay visible.
    static void Print(const SKUDefinition& definition, std::ostream& out);

    /// The families the hosts name, then for every family (named by a host
    /// or having plug-ins) and every host variant whether it is offered at
    /// install time (I) and at build time (B).
    static void PrintFamilyOffers(const SKUDefinition& definition, std::ostream& out);

    /// `text` in double quotes, escaped as Print does.
    static std::string Quoted(const QeString& text);
    /// The set bits of `mask` as ranges: "0-4, 7"; "none" when no bit is set.
    static std::string SetBits(const QeBitSet& mask);

private:
    static void PrintIdentity(const SKUDefinition& definition, std::ostream& out);
    static void PrintFamilies(const SKUDefinition& definition, std::ostream& out);
    static void PrintHosts(const char* title, const Vector<QeString>& names,
                           const Vector<QeString>& variants,
                           const std::map<QeString, Vector<QeString>>& families, std::ostream& out);
    static void PrintCompilerOptions(const std::map<QeString, QeString>& options,
                                     std::ostream& out);
    static void PrintInstallFiles(const FileNode& root, std::ostream& out);
};

#endif
