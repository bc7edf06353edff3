#include "QeVersion.h"

#include <cstdio>

namespace {

// A third number this large is a build number written without a revision.
const int kLargestRevision = 100000;

} // namespace

QeVersion::QeVersion(const QeProductVersion& product)
    : major(product.major), minor(product.minor), revision(0), build(product.build) {}

QeVersion::QeVersion(int major, int minor, int revision, int build)
    : major(major), minor(minor), revision(revision), build(build) {}

QeVersion::QeVersion(const QeString& text) {
    std::sscanf(text.ConstData(), "%d.%d.%d.%d", &major, &minor, &revision, &build);
    if (revision > kLargestRevision && build == 0) {
        build = revision;
        revision = 0;
    }
}

bool QeVersion::IsValid() const {
    return major != 0 || minor != 0 || revision != 0 || build != 0;
}

int QeVersion::Compare(const QeVersion& other) const {
    const int mine[] = {major, minor, revision, build};
    const int theirs[] = {other.major, other.minor, other.revision, other.build};
    for (int i = 0; i < 4; ++i) {
        if (mine[i] != theirs[i])
            return mine[i] < theirs[i] ? -1 : 1;
    }
    return 0;
}

bool QeVersion::operator==(const QeVersion& other) const {
    return Compare(other) == 0;
}

bool QeVersion::operator<(const QeVersion& other) const {
    return Compare(other) < 0;
}

bool QeVersion::operator>(const QeVersion& other) const {
    return Compare(other) > 0;
}

bool QeVersion::operator<=(const QeVersion& other) const {
    return Compare(other) <= 0;
}

bool QeVersion::operator>=(const QeVersion& other) const {
    return Compare(other) >= 0;
}

QeString QeVersion::ToString(bool shortForm) const {
    QeString text;
    if (shortForm)
        text.FromFormat("%d.%d.%d", major, minor, build);
    else
        text.FromFormat("%d.%d.%d.%d", major, minor, revision, build);
    return text;
}

unsigned int QeVersion::ToUInt(bool shortForm) const {
    return ToString(shortForm).Replace(".", QeString()).GetULong(0);
}
