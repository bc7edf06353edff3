// QeVersion: a four-part version number, compared part by part.
//
//   QeVersion("5.1.123456");             // 5.1.0.123456: a large third number is the build
//   QeVersion(1, 2, 3, 4).ToString();    // "1.2.3.4"
//   QeVersion(1, 2, 3, 4).ToString(true) // "1.2.4": the revision is left out
//   QeVersion(1, 2, 3, 4).ToUInt();      // 1234: the digits, not a bit packing
#ifndef QE_QEVERSION_H
#define QE_QEVERSION_H

#include "QeString.h"

/// A product's version as the suite records it: no revision number.
struct QeProductVersion {
    int major;
    int minor;
    int build;
};

class QeVersion {
public:
    int major = 0;
    int minor = 0;
    int revision = 0;
    int build = 0;

    /// The unset version, 0.0.0.0.
    QeVersion() = default;
    /// The record's major, minor and build; revision 0.
    QeVersion(const QeProductVersion& product);
    QeVersion(int major, int minor, int revision, int build);
    /// Dotted text: up to four signed decimal numbers ("1.2" is 1.2.0.0);
    /// reading stops where the text stops fitting, and text that does not
    /// start with a number gives the unset version. A third number above
    /// 100000 with no fourth (or a fourth of 0) is taken as the build.
    QeVersion(const QeString& text);

    /// True when any part is not 0.
    bool IsValid() const;
    bool operator==(const QeVersion& other) const;
    /// Part by part, major first, each as a signed number.
    bool operator<(const QeVersion& other) const;
    bool operator>(const QeVersion& other) const;
    bool operator<=(const QeVersion& other) const;
    bool operator>=(const QeVersion& other) const;

    /// "major.minor.revision.build", or "major.minor.build" in short form.
    QeString ToString(bool shortForm = false) const;
    /// The digits of ToString read as one decimal number; 0 when they do not read.
    unsigned int ToUInt(bool shortForm = false) const;

private:
    // The parts in order of significance, for the comparisons.
    int Compare(const QeVersion& other) const;
};

#endif
