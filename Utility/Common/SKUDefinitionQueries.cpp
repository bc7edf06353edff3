#include "SKUDefinition.h"

#include <algorithm>

namespace {

bool ListHas(const Vector<QeString>& list, const QeString& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

} // namespace

bool SKUDefinition::contains(const SKUDefinition& other) const {
    return containsMasksOf(other) && containsHostsOf(other);
}

bool SKUDefinition::containsMasksOf(const SKUDefinition& other) const {
    for (const auto& [family, mask] : other.familyPluginsMasks) {
        const auto mine = familyPluginsMasks.find(family);
        if (mine == familyPluginsMasks.end() || !QeBitSet(mine->second).Contains(QeBitSet(mask)))
            return false;
    }
    for (const auto& [family, mask] : other.familyFeaturesMasks) {
        const auto mine = familyFeaturesMasks.find(family);
        if (mine == familyFeaturesMasks.end() || !mine->second.Contains(mask))
            return false;
    }
    // Content masks only have to be declared for the same families.
    for (const auto& entry : other.familyContentMasks) {
        if (familyContentMasks.count(entry.first) == 0)
            return false;
    }
    return true;
}

bool SKUDefinition::containsHostsOf(const SKUDefinition& other) const {
    if (ListHas(hosts, QeString("All")))
        return true;
    return std::all_of(other.hosts.begin(), other.hosts.end(),
                       [this](const QeString& host) { return ListHas(hosts, host); });
}

std::set<QeString> SKUDefinition::getFamilies() const {
    std::set<QeString> families;
    for (const auto& entry : hostFamilies) {
        for (const QeString& family : entry.second) {
            if (family.IsSet())
                families.insert(family);
        }
    }
    return families;
}

bool SKUDefinition::familyHasHost(const QeString& family, const QeString& hostVariant) const {
    return FamilyOffers(*this).hasHost(family, hostVariant);
}

bool SKUDefinition::familyHasHostBuild(const QeString& family, const QeString& hostVariant) const {
    return FamilyOffers(*this).hasHostBuild(family, hostVariant);
}

SKUDefinition::FamilyOffers::FamilyOffers(const SKUDefinition& definition)
    : definition(definition),
      hostVariants(definition.hostVariants.begin(), definition.hostVariants.end()),
      buildHostVariants(definition.buildHostVariants.begin(), definition.buildHostVariants.end()) {}

bool SKUDefinition::FamilyOffers::hasHost(const QeString& family,
                                          const QeString& hostVariant) const {
    return offered(family, hostVariant, definition.hostFamilies, hostVariants);
}

bool SKUDefinition::FamilyOffers::hasHostBuild(const QeString& family,
                                               const QeString& hostVariant) const {
    return offered(family, hostVariant, definition.buildHostFamilies, buildHostVariants);
}

// Only a family with plug-ins is known; it is offered to a variant whose
// family list names it, and, to a variant without a family list of its own,
// when that variant is declared.
bool SKUDefinition::FamilyOffers::offered(
    const QeString& family, const QeString& hostVariant,
    const std::map<QeString, Vector<QeString>>& familiesOfVariants,
    const std::set<QeString>& declared) const {
    if (definition.familyPlugins.count(family) == 0)
        return false;
    const auto listed = familiesOfVariants.find(hostVariant);
    if (listed != familiesOfVariants.end() && !listed->second.empty())
        return ListHas(listed->second, family);
    return declared.count(hostVariant) != 0;
}
