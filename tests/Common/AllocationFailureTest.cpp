// The strings ask for their storage without exceptions; these tests make that
// allocation fail on demand and check that nothing is left half-written.
#include "QeString.h"
#include "QeUnicodeString.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <new>
#include <string>

namespace {

// How many more non-throwing array allocations succeed; negative: all do.
int allocationsLeft = -1;

// Fails the non-throwing allocations after the next `succeeding` ones, for
// the life of the object.
class FailingAllocations {
public:
    explicit FailingAllocations(int succeeding = 0) { allocationsLeft = succeeding; }
    ~FailingAllocations() { allocationsLeft = -1; }
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};

} // namespace

// Replaces the library's non-throwing array allocation for this test program.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (allocationsLeft == 0)
        return nullptr;
    if (allocationsLeft > 0)
        --allocationsLeft;
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

TEST(AllocationFailure, ByteStringStaysUnsetOrUnchanged) {
    QeString text("abc");
    {
        FailingAllocations failing;
        QeString copy(text);
        EXPECT_TRUE(copy.IsEmpty() && copy.Data() == nullptr);

        QeString stored("old");
        stored.init("new", 3);
        EXPECT_TRUE(stored.IsEmpty()); // the old content is gone, never half-written

        text.Append(QeString());
        text.Append(text);
        EXPECT_EQ(Text(text), "abc");
        text += "def";
        EXPECT_EQ(Text(text), "abc");

        EXPECT_TRUE(text.ReplaceChars("b", '_').IsEmpty());
        EXPECT_TRUE(text.Replace("b", "x").IsEmpty());
        EXPECT_TRUE(QeString().FromDword(7).IsEmpty());
    }
    text.Append(text);
    EXPECT_EQ(Text(text), "abcabc");
}

TEST(AllocationFailure, WideStringAndConversionsStayUnset) {
    const QeUnicodeString wide(L"wide");
    const QeString bytes("bytes");
    FailingAllocations failing;
    EXPECT_TRUE(QeUnicodeString(wide).IsEmpty());
    EXPECT_TRUE(wide.ToUTF8().IsEmpty());
    EXPECT_TRUE(wide.GetMultibyteString().IsEmpty());
    EXPECT_TRUE(bytes.GetUnicode().IsEmpty());
    QeUnicodeString decoded(L"old");
    decoded.FromUTF8("text");
    EXPECT_TRUE(decoded.IsEmpty());
}

TEST(AllocationFailure, ConversionFailingAtItsResultLeavesItUnset) {
    const QeUnicodeString wide(L"wide");
    // The work block is had; the result's own block is not.
    FailingAllocations failing(1);
    EXPECT_TRUE(wide.ToUTF8().IsEmpty());
}
