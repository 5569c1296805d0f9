// Reading a host's /crossdomain.xml, from ordinary policies to hostile ones.

#include <gtest/gtest.h>

#include <string>

#include "core/games/cross_domain_policy.h"

using qc::parseCrossDomainPolicy;

namespace {

// Whether the policy in `xml` lets a movie at `movie` load, the policy served over http unless said.
bool allows(const std::string& xml, const std::string& movie, bool overHttps = false) {
    auto policy = parseCrossDomainPolicy(xml);
    auto address = qc::parseWebAddress(movie);
    return policy && address && qc::policyAllows(*policy, *address, overHttps);
}

std::string policyFor(const std::string& rules) {
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE cross-domain-policy SYSTEM "
           "\"http://www.adobe.com/xml/dtds/cross-domain-policy.dtd\">\n<cross-domain-policy>\n" +
           rules + "\n</cross-domain-policy>\n";
}

}  // namespace

TEST(CrossDomainPolicy, ExactWildcardAndEveryDomain) {
    const std::string exact = policyFor("<allow-access-from domain=\"games.example\"/>");
    EXPECT_TRUE(allows(exact, "http://games.example/a.swf"));
    EXPECT_TRUE(allows(exact, "http://GAMES.example:8080/a.swf"));
    EXPECT_FALSE(allows(exact, "http://www.games.example/a.swf"));
    EXPECT_FALSE(allows(exact, "http://games.example.evil.example/a.swf"));

    const std::string wild = policyFor("<allow-access-from domain='*.games.example' />");
    EXPECT_TRUE(allows(wild, "http://games.example/a.swf"));
    EXPECT_TRUE(allows(wild, "http://a.b.games.example/a.swf"));
    EXPECT_FALSE(allows(wild, "http://evilgames.example/a.swf"));
    EXPECT_FALSE(allows(wild, "http://games.example.evil.example/a.swf"));

    EXPECT_TRUE(allows(policyFor("<allow-access-from domain=\"*\"/>"), "http://anything.example/a.swf"));
    EXPECT_TRUE(allows(policyFor("<allow-access-from domain=\"127.0.0.1\"/>"), "http://127.0.0.1:9/a.swf"));
    EXPECT_FALSE(allows(policyFor("<allow-access-from domain=\"*.0.0.1\"/>"), "http://127.0.0.1/a.swf"));
    EXPECT_TRUE(allows(policyFor("<allow-access-from domain=\"[::1]\"/>"), "http://[::1]/a.swf"));
}

TEST(CrossDomainPolicy, OtherRulesDoNotOpenIt) {
    EXPECT_FALSE(allows(policyFor(""), "http://games.example/a.swf"));
    EXPECT_FALSE(allows(policyFor("<allow-access-from domain=\"\"/>"), "http://games.example/a.swf"));
    EXPECT_FALSE(allows(policyFor("<allow-access-from/>"), "http://games.example/a.swf"));
    EXPECT_FALSE(allows(policyFor("<allow-access-from domain=\"games*.example\"/>"), "http://games1.example/a.swf"));
    EXPECT_FALSE(allows(policyFor("<allow-access-from domain=\"*games.example\"/>"), "http://xgames.example/a.swf"));
    EXPECT_FALSE(allows(policyFor("<allow-http-request-headers-from domain=\"*\" headers=\"*\"/>"),
                        "http://games.example/a.swf"));
    // Only the root's own children count.
    EXPECT_FALSE(allows(policyFor("<other><allow-access-from domain=\"*\"/></other>"), "http://games.example/a.swf"));
    EXPECT_FALSE(allows(policyFor("<!-- <allow-access-from domain=\"*\"/> -->"), "http://games.example/a.swf"));
    // A master policy that forbids policies overrides every rule.
    EXPECT_FALSE(allows(policyFor("<site-control permitted-cross-domain-policies=\"none\"/>"
                                  "<allow-access-from domain=\"*\"/>"),
                        "http://games.example/a.swf"));
    EXPECT_TRUE(allows(policyFor("<site-control permitted-cross-domain-policies=\"master-only\"/>"
                                 "<allow-access-from domain=\"*\"/>"),
                       "http://games.example/a.swf"));
}

TEST(CrossDomainPolicy, AnHttpsPolicyAdmitsHttpMoviesOnlyWhenNotSecure) {
    const std::string secure = policyFor("<allow-access-from domain=\"*\"/>");
    EXPECT_FALSE(allows(secure, "http://games.example/a.swf", true));
    EXPECT_TRUE(allows(secure, "https://games.example/a.swf", true));
    EXPECT_TRUE(
        allows(policyFor("<allow-access-from domain=\"*\" secure=\"false\"/>"), "http://games.example/a.swf", true));
}

TEST(CrossDomainPolicy, WhatIsNoPolicyAllowsNothing) {
    for (const std::string& bad : {
             std::string(),
             std::string("<html><body>404 Not Found</body></html>"),
             std::string("<allow-access-from domain=\"*\"/>"),
             std::string("<cross-domain-policy><allow-access-from domain=\"*\"/>"),  // never closed
             std::string(
                 "<cross-domain-policy/><cross-domain-policy><allow-access-from domain=\"*\"/></cross-domain-policy>"),
             std::string("<cross-domain-policy><allow-access-from domain=\"*></cross-domain-policy>"),
             std::string("<cross-domain-policy><allow-access-from domain=*/></cross-domain-policy>"),
             std::string("<!DOCTYPE x [<!ENTITY a \"*\">]><cross-domain-policy><allow-access-from domain=\"&a;\"/>"
                         "</cross-domain-policy>"),
             std::string("<cross-domain-policy><!-- never ends"),
         }) {
        EXPECT_FALSE(allows(bad, "http://games.example/a.swf")) << bad;
    }
    // Unknown entities spoil the rule, not the reader.
    EXPECT_FALSE(allows(policyFor("<allow-access-from domain=\"&star;\"/>"), "http://games.example/a.swf"));
    EXPECT_TRUE(allows(policyFor("<allow-access-from domain=\"&#42;\"/>"), "http://games.example/a.swf"));
    EXPECT_TRUE(allows("\xEF\xBB\xBF" + policyFor("<allow-access-from domain=\"*\"/>"), "http://games.example/a.swf"));
}

TEST(CrossDomainPolicy, SizeAndElementBounds) {
    std::string many;
    for (size_t i = 0; i < qc::kMaxPolicyElements; ++i) many += "<x/>";
    EXPECT_FALSE(allows(policyFor(many + "<allow-access-from domain=\"*\"/>"), "http://games.example/a.swf"));
    const std::string padded = policyFor("<allow-access-from domain=\"*\"/>" + std::string(qc::kMaxPolicyBytes, ' '));
    EXPECT_FALSE(allows(padded, "http://games.example/a.swf"));
    EXPECT_TRUE(
        allows(policyFor("<allow-access-from domain=\"*\"/>" + std::string(1000, ' ')), "http://games.example/a.swf"));
}
