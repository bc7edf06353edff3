#include "XMLLimits.h"

std::string XMLLimits::RefusalReason(Cut cut) {
    if (cut == Cut::Nodes)
        return "more than " + std::to_string(kMaxNodes) + " nodes";
    if (cut == Cut::TotalDepth)
        return "nodes whose depths add up to more than " + std::to_string(kMaxTotalDepth);
    return std::string();
}

std::string XMLLimits::CutReason(Cut cut) {
    if (cut == Cut::Depth)
        return "elements nested deeper than " + std::to_string(kMaxDepth);
    if (cut == Cut::Attributes)
        return "an element with more than " + std::to_string(kMaxAttributes) + " attributes";
    return RefusalReason(cut);
}
