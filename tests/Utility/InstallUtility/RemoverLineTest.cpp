// Remover::Line: the report line of one entry, as the tool prints and logs it.
#include "Remover.h"

#include <gtest/gtest.h>

namespace {

using Line = Remover::Line;

TEST(RemoverLine, EachVerdictReadsWithItsSubjectEscaped) {
    const struct {
        Line line;
        const char* text;
    } cases[] = {
        {{Line::Kind::Removed, "/P/a", "", false}, "removed /P/a"},
        {{Line::Kind::Absent, "/P/a", "", false}, "absent /P/a"},
        {{Line::Kind::Kept, "/P/a", "marked dontDelete", false}, "kept /P/a: marked dontDelete"},
        {{Line::Kind::Failed, "/P/a", "Permission denied", false},
         "failed /P/a: Permission denied"},
        {{Line::Kind::Failed, "/P/a", "Permission denied", true},
         "failed /P/a: Permission denied (ignored: the entry allows install errors)"},
        {{Line::Kind::Skipped, "..", "not the name of one entry", false},
         "skipped ..: not the name of one entry"},
        {{Line::Kind::Removed, "/P/a\x7f\x1b[2J\nb", "", false}, "removed /P/a\\x7f\\x1b[2J\\x0ab"},
        {{Line::Kind::Kept, "/P/a", "why\x7f", false}, "kept /P/a: why\\x7f"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.line.Text(), c.text) << c.text;
}

} // namespace
