// SKUDefinition: a product definition (sku.xml) held in memory.
//
// Loading never fails: what cannot be read stays empty, and every load starts
// from an empty definition, so it replaces rather than merges.
//
//   SKUDefinition definition;
//   definition.fromFile("Contents/MacOS/sku.xml");
//   definition.getSKUInfo().name;          // the product name, or empty
//   definition.familyPlugins["Effects"];   // that family's plug-in names
#ifndef QE_SKUDEFINITION_H
#define QE_SKUDEFINITION_H

#include "FileNode.h"
#include "QeBitSet.h"
#include "QeString.h"
#include "Vector.h"
#include "XMLLimits.h"

#include <map>
#include <set>

class TiXmlDocument;
class TiXmlElement;
class TiXmlNode;

class SKUDefinition {
public:
    /// The product's identity, from the `sku` element.
    struct SKUInfo {
        QeString id;
        QeString name;
        QeString build;
        QeString prefix;
    };

    SKUInfo skuInfo;
    QeString packageId;
    /// Family name to its plug-in names in document order (first family wins).
    std::map<QeString, Vector<QeString>> familyPlugins;
    /// Family name to plug-in name to index (last family with plug-ins wins).
    std::map<QeString, std::map<QeString, int>> familyPluginIndices;
    /// Family name to its content names (first family wins).
    std::map<QeString, Vector<QeString>> familyContents;
    /// Family name to its content mask text (last wins).
    std::map<QeString, QeString> familyContentMasks;
    /// Family name to its plug-ins mask text (last wins).
    std::map<QeString, QeString> familyPluginsMasks;
    /// Host variant to the families the host supports (last wins).
    std::map<QeString, Vector<QeString>> hostFamilies;
    /// Host names as written, duplicates kept.
    Vector<QeString> hosts;
    /// Host variants: the name for x64 or no arch, the name and "32" for x86.
    Vector<QeString> hostVariants;
    /// Host variant to compiler options; from hostsForBuild when it exists.
    std::map<QeString, QeString> hostCompilerOptions;
    /// The three build-host members: from hostsForBuild, else copies of the above.
    std::map<QeString, Vector<QeString>> buildHostFamilies;
    Vector<QeString> buildHosts;
    Vector<QeString> buildHostVariants;
    /// Root of the install-files tree; a directory once installFiles was read.
    FileNode installFiles;
    /// Family name to its features mask (first family wins).
    std::map<QeString, QeBitSet> familyFeaturesMasks;

    /// Resets every member to its constructed (empty) state.
    void clear();
    /// Loads the definition from the file at `path`; a file that cannot be
    /// opened, or is not a regular file, gives an empty definition, and so
    /// does one that a node limit refuses. `cut`, when given, gets the limit
    /// that cut or refused the file (XMLLoader::LoadPath).
    void fromFile(const QeString& path, XMLLimits::Cut* cut = nullptr);
    /// Loads the definition from XML text.
    void parse(const QeString& text);
    /// Reads a parsed document into the members, after clearing them.
    void parseInner(TiXmlDocument& document);
    /// A copy of the product identity.
    SKUInfo getSKUInfo() const { return skuInfo; }

    /// True when this definition covers everything `other` declares: each of
    /// its plug-ins masks and features masks is contained in this one's for
    /// the same family, each family with a content mask has one here too, and
    /// this one's hosts include "All" or every host of `other`.
    bool contains(const SKUDefinition& other) const;
    /// The non-empty family names that some host lists, each once, in the
    /// order of QeString.
    std::set<QeString> getFamilies() const;
    /// True when `family` has plug-ins and is offered for the host variant
    /// ("Editor", or "Editor32" for x86): listed in the variant's families,
    /// or the variant is declared without a family list of its own.
    bool familyHasHost(const QeString& family, const QeString& hostVariant) const;
    /// As familyHasHost, for building (the hostsForBuild section).
    bool familyHasHostBuild(const QeString& family, const QeString& hostVariant) const;

    /// familyHasHost and familyHasHostBuild, which ask it, for many questions
    /// without a search of the variant lists for each: the declared variants
    /// are indexed once. Answers for the definition as it was when this was
    /// made; it must not outlive the definition.
    ///
    ///   const SKUDefinition::FamilyOffers offers(definition);
    ///   offers.hasHost("Red", "Editor32");  // as definition.familyHasHost
    class FamilyOffers {
    public:
        explicit FamilyOffers(const SKUDefinition& definition);
        bool hasHost(const QeString& family, const QeString& hostVariant) const;
        bool hasHostBuild(const QeString& family, const QeString& hostVariant) const;

    private:
        bool offered(const QeString& family, const QeString& hostVariant,
                     const std::map<QeString, Vector<QeString>>& familiesOfVariants,
                     const std::set<QeString>& declared) const;

        const SKUDefinition& definition;
        std::set<QeString> hostVariants;
        std::set<QeString> buildHostVariants;
    };

    /// Reads the `host` children of a hosts-type element: appends names and
    /// variants, sets the families per variant, and replaces the options map
    /// with the element's compiler options. A null element changes nothing.
    static void fillHostsInfo(TiXmlElement* element, Vector<QeString>& names,
                              Vector<QeString>& variants,
                              std::map<QeString, Vector<QeString>>& families,
                              std::map<QeString, QeString>& options);
    /// Reads the `directory` and `file` children of `element` into `parent`'s
    /// children; flags not given are inherited from the parent. Entries
    /// without a file name are skipped, a directory with everything inside it.
    void parseInstallFiles(FileNode& parent, TiXmlNode* element, const QeString& parentName);

private:
    /// Whether the elements read may be emptied: only in a document the
    /// definition made itself.
    enum class DocumentUse { Keep, ReleaseAsRead };

    /// Frees the children of an element that has been read, when `use` allows.
    static void release(TiXmlNode* node, DocumentUse use);
    void readDocument(TiXmlDocument& document, DocumentUse use);
    void readInstallFiles(FileNode& parent, TiXmlNode* element, const QeString& parentName,
                          DocumentUse use);
    bool containsMasksOf(const SKUDefinition& other) const;
    bool containsHostsOf(const SKUDefinition& other) const;
    void parseFamily(TiXmlElement* family);
    void parseHosts(TiXmlNode* product);
};

#endif
