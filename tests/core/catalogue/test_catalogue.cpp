// The catalogue reader: the format of the data files and the faults it refuses.

#include <gtest/gtest.h>

#include "core/catalogue/catalogue.h"

namespace {

std::string error(std::string_view text) {
    try {
        qc::Catalogue::parse({text}, {"t.tsv"});
    } catch (const qc::CatalogueError& e) {
        return e.message;
    }
    return "";
}

}  // namespace

TEST(CatalogueParse, BuildsTheTreeInOrder) {
    auto c =
        qc::Catalogue::parse({"# comment\n1\tM1\t1\tnone\t\tMenu\n2\tg\t1\tnone\t\tGroup \n"
                              "3\ta\t1\tplay\tmms://h.example/a\t地址一\n3\tb\t0\tplay\t\t地址二\n"
                              "2\tc\t1\tbrowse\thttp://h.example/?q=1\tTVB8 频道\n",
                              "1\tM2\t0\tnone\t\tHidden\r\n2\td\t1\tabout\t\tAbout\r\n"});
    ASSERT_EQ(c.menus().size(), 2u);
    const qc::Entry& m = c.menus()[0];
    ASSERT_EQ(m.children.size(), 2u);
    EXPECT_EQ(m.children[0].caption, "Group ");
    ASSERT_EQ(m.children[0].children.size(), 2u);
    EXPECT_FALSE(m.children[0].children[1].visible);
    EXPECT_EQ(m.children[0].children[1].action, qc::Action::Play);
    EXPECT_EQ(m.children[0].children[1].address, "");
    EXPECT_EQ(m.children[1].caption, "TVB8 频道");
    EXPECT_FALSE(c.menus()[1].visible);
    EXPECT_EQ(c.menus()[1].children[0].action, qc::Action::About);
    EXPECT_EQ(c.find("b"), &m.children[0].children[1]);
    EXPECT_EQ(c.find("zz"), nullptr);
    EXPECT_EQ(c.listing(),
              "1\tM1\t1\tnone\t\tMenu\n2\tg\t1\tnone\t\tGroup \n3\ta\t1\tplay\tmms://h.example/a\t地址一\n"
              "3\tb\t0\tplay\t\t地址二\n2\tc\t1\tbrowse\thttp://h.example/?q=1\tTVB8 频道\n"
              "1\tM2\t0\tnone\t\tHidden\n2\td\t1\tabout\t\tAbout\n");
}

TEST(CatalogueParse, RefusesMalformedFilesNamingTheLine) {
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n3\tx\t1\tnone\t\tX\n"), "t.tsv:2: depth jumps by more than one");
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n2\tx\t1\tplay\tmms://a\n"), "t.tsv:2: expected 6 TAB-separated fields");
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n2\tM\t1\tnone\t\tX\n"), "t.tsv:2: duplicate name M");
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n2\t9x\t1\tnone\t\tX\n"), "t.tsv:2: bad name");
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n2\tx\t2\tnone\t\tX\n"), "t.tsv:2: visible must be 0 or 1");
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n2\tx\t1\tjump\t\tX\n"), "t.tsv:2: unknown action");
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n2\tx\t1\tbrowse\t\tX\n"), "t.tsv:2: missing address");
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n2\tx\t1\tnone\thttp://a\tX\n"), "t.tsv:2: address without action");
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n2\tx\t1\tplay\thttp://a b\tX\n"), "t.tsv:2: blank in address");
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n2\tx\t1\tnone\t\t\n"), "t.tsv:2: empty caption");
    EXPECT_EQ(error("2\tx\t1\tnone\t\tX\n"), "t.tsv:1: the first entry must be the top-level menu");
    EXPECT_EQ(error("1\tM\t1\tplay\tmms://a\tMenu\n"), "t.tsv:1: a top-level menu has no action");
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n1\tN\t1\tnone\t\tMenu\n"), "t.tsv:2: a second top-level menu");
    EXPECT_EQ(error("1\tM\t1\tnone\t\tMenu\n2\tx\t1\tplay\tmms://a\tX\n3\ty\t1\tnone\t\tY\n"),
              "t.tsv:3: an entry with this action can't hold children");
    EXPECT_EQ(error("# only a comment\n"), "t.tsv:1: no top-level menu");
    EXPECT_EQ(error("x1\tM\t1\tnone\t\tMenu\n"), "t.tsv:1: bad depth");
}

TEST(CatalogueParse, NamesAreUniqueAcrossFiles) {
    EXPECT_THROW(qc::Catalogue::parse({"1\tM\t1\tnone\t\tA\n", "1\tM\t1\tnone\t\tB\n"}), qc::CatalogueError);
}
