#include "chm/ContextIds.h"

#include <gtest/gtest.h>

using namespace qm::chm;

TEST(ContextIds, ReadsAliasLines) {
    auto a = parseAliasLine("IDH_1 = manual.Content\\首页.1.htm");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->id, "IDH_1");
    EXPECT_EQ(a->file, "manual.Content\\首页.1.htm");
    EXPECT_FALSE(parseAliasLine("no equals sign"));
    EXPECT_FALSE(parseAliasLine("=file.htm"));
}

TEST(ContextIds, ReadsMapLines) {
    auto m = parseMapLine("#define IDH_10 10010");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->id, "IDH_10");
    EXPECT_EQ(m->number, 10010u);
    EXPECT_EQ(parseMapLine("#define X 0x20")->number, 32u);
    EXPECT_EQ(parseMapLine("X\t7L")->number, 7u);
    EXPECT_EQ(parseMapLine("X = 8")->number, 8u);
    EXPECT_FALSE(parseMapLine("#pragma once"));
    EXPECT_FALSE(parseMapLine("#define GUARD"));
    EXPECT_FALSE(parseMapLine("#define X -1"));
    EXPECT_FALSE(parseMapLine("#define X 99999999999"));
}

TEST(ContextIds, StripsComments) {
    bool block = false;
    EXPECT_EQ(stripComment("#define A 1 // note", block), "#define A 1");
    EXPECT_EQ(stripComment("#define B 2 /* start", block), "#define B 2");
    EXPECT_TRUE(block);
    EXPECT_EQ(stripComment("inside */ #define C 3", block), "#define C 3");
    EXPECT_FALSE(block);
}

TEST(ContextIds, FindsIncludeTargets) {
    EXPECT_EQ(includeTarget("#include manual.Content\\Alias.h"), "manual.Content\\Alias.h");
    EXPECT_EQ(includeTarget("#include \"ids.h\""), "ids.h");
    EXPECT_EQ(includeTarget("#include <ids.h>"), "ids.h");
    EXPECT_FALSE(includeTarget("#define x 1"));
}

TEST(ContextIds, ResolvesNumbersThroughAliases) {
    std::vector<AliasDef> aliases{{"IDH_2", "b.htm"}, {"IDH_1", "a.htm"}, {"IDH_LONE", "c.htm"}};
    std::vector<MapDef> map{{"IDH_1", 1001}, {"IDH_2", 1002}, {"IDH_NONE", 5}, {"IDH_1", 1001}};
    ContextResolution r = resolveContextIds(aliases, map);
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].number, 1001u);
    EXPECT_EQ(r.entries[0].file, "a.htm");
    EXPECT_EQ(r.entries[1].file, "b.htm");
    EXPECT_EQ(r.mapWithoutAlias, std::vector<std::string>{"IDH_NONE"});
    EXPECT_EQ(r.aliasWithoutMap, std::vector<std::string>{"IDH_LONE"});
    EXPECT_EQ(r.duplicateNumbers, std::vector<std::string>{"IDH_1"});
}
