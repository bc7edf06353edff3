#include "StringLibrary.h"
#include "QeString.h"
#include "Vector.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Pieces = std::vector<std::string>;

Pieces Split(const std::string& source, const std::string& delimiter, bool skipEmpty) {
    Vector<QeString> parts =
        StringLibrary::Split(QeString(source.data(), source.size()),
                             QeString(delimiter.data(), delimiter.size()), skipEmpty);
    Pieces result;
    for (const QeString& part : parts)
        result.push_back(std::string(part.ConstData(), part.Size()));
    return result;
}

} // namespace

TEST(StringLibrarySplit, SingleCharacterDelimiter) {
    for (bool skip : {false, true}) {
        SCOPED_TRACE(skip);
        EXPECT_EQ((Pieces{"a", "b", "c"}), Split("a;b;c", ";", skip));
        EXPECT_EQ((Pieces{"a"}), Split("a;", ";", skip));
        EXPECT_EQ((Pieces{"abc"}), Split("abc", ";", skip));
        EXPECT_EQ(Pieces{}, Split("", ";", skip));
        // pieces are not trimmed
        EXPECT_EQ((Pieces{"a ", " b"}), Split("a ; b", ";", skip));
    }
}

TEST(StringLibrarySplit, EmptyPieces) {
    EXPECT_EQ((Pieces{"a", "", "b"}), Split("a;;b", ";", false));
    EXPECT_EQ((Pieces{"a", "b"}), Split("a;;b", ";", true));
    EXPECT_EQ((Pieces{"", "a"}), Split(";a", ";", false));
    EXPECT_EQ((Pieces{"a"}), Split(";a", ";", true));
    EXPECT_EQ((Pieces{""}), Split(";", ";", false));
    EXPECT_EQ(Pieces{}, Split(";", ";", true));
    // an empty rest after the last delimiter is never a piece
    EXPECT_EQ((Pieces{"a", ""}), Split("a;;", ";", false));
}

TEST(StringLibrarySplit, UnusualDelimiters) {
    // a rest shorter than the delimiter is still the last piece
    EXPECT_EQ((Pieces{"abc"}), Split("abc", ";;", false));
    EXPECT_EQ((Pieces{"a", "b"}), Split("a;;b", ";;", false));
    EXPECT_EQ((Pieces{"a", ";"}), Split("a;;;", ";;", false));
    EXPECT_EQ((Pieces{"x"}), Split("x;;", ";;", false));

    EXPECT_EQ((Pieces{"a;b"}), Split("a;b", "", false));
    EXPECT_EQ((Pieces{"a;b"}), Split("a;b", "", true));
    EXPECT_EQ(Pieces{}, Split("", "", false));

    // "\0c" must not match at the "\0b" that shares its first byte
    EXPECT_EQ((Pieces{std::string("a\0b", 3), "d"}),
              Split(std::string("a\0b\0cd", 6), std::string("\0c", 2), false));
}

TEST(StringLibraryTrim, OnlyTabLfCrSpace) {
    const std::pair<std::string, std::string> cases[] = {
        {" \t\r\nx \n", "x"},
        {"a b", "a b"},
        {"\v x", "\v x"},
        {"\fx\f", "\fx\f"},
        {"   ", ""},
        {"\t\n", ""},
        {"", ""},
        {std::string("x\0 ", 3), std::string("x\0", 2)},
    };
    for (const auto& [in, out] : cases) {
        const QeString source(in.data(), in.size());
        for (const QeString& trimmed : {StringLibrary::Trim(source), source.Trim()}) {
            EXPECT_EQ(out, std::string(trimmed.ConstData(), trimmed.Size())) << in;
            EXPECT_EQ(out.empty(), trimmed.Data() == nullptr) << in;
        }
    }
}

TEST(StringLibraryVector, AddStoresACopy) {
    Vector<QeString> list;
    QeString value("first");
    list.add(value);
    value.Data()[0] = 'F';
    value += "!";
    ASSERT_EQ(1U, list.size());
    EXPECT_STREQ("first", list[0].ConstData());

    // adding an element of the list itself survives the growth
    for (int i = 0; i < 20; ++i)
        list.add(list[0]);
    EXPECT_EQ(21U, list.size());
    EXPECT_STREQ("first", list.back().ConstData());
}
