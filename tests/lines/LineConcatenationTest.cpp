// Joining two-point strips into long strips: the worked cases, repaired bad
// input, seeded random edge sets checked against the graph the edges form,
// and SoLineConcatenator in a callback traversal.

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoInfo.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "lines/LineConcatenation.h"
#include "lines/SoLineConcatenator.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "support/DebugErrorCollector.h"
#include "support/TestNodes.h"

namespace {

typedef std::vector<int32_t> List;
typedef std::vector<List> Strips;

List concatenate(const List& in, ConcatenationReport* report = nullptr)
{
    List out;
    const ConcatenationReport r = concatenateLines(in.data(), int32_t(in.size()), out);
    if (report != nullptr)
        *report = r;
    return out;
}

// The strips of a list ended by -1 entries; the checks below require that.
Strips splitStrips(const List& list)
{
    Strips strips(1);
    for (int32_t v : list) {
        if (v == -1)
            strips.emplace_back();
        else
            strips.back().push_back(v);
    }
    strips.pop_back();
    return strips;
}

TEST(LineConcatenationTest, WorkedCases)
{
    const struct {
        const char* what;
        List in;
        List out;
    } cases[] = {
        { "chain in order", { 0, 1, -1, 1, 2, -1, 2, 3, -1 }, { 0, 1, 2, 3, -1 } },
        { "second edge extends the first backwards", { 1, 2, -1, 0, 1, -1 }, { 0, 1, 2, -1 } },
        { "chain seeded in its middle", { 2, 3, -1, 0, 1, -1, 1, 2, -1 }, { 0, 1, 2, 3, -1 } },
        { "junction of three edges at vertex 1", { 0, 1, -1, 1, 2, -1, 1, 3, -1 }, { 0, 1, -1, 1, 2, -1, 1, 3, -1 } },
        // Written once from the seed's second vertex round to it again.
        { "closed square", { 0, 1, -1, 1, 2, -1, 2, 3, -1, 3, 0, -1 }, { 1, 2, 3, 0, 1, -1 } },
        { "long strips stay apart from the edges at their ends",
          { 2, 3, -1, 0, 1, 2, -1, 3, 4, -1, 5, 6, 7, 8, -1, 8, 9, -1 },
          { 2, 3, 4, -1, 0, 1, 2, -1, 5, 6, 7, 8, -1, 8, 9, -1 } },
        { "single vertices pass unchanged", { 4, -1, 0, 1, -1, 4, -1, 1, 2, -1 }, { 4, -1, 0, 1, 2, -1, 4, -1 } },
        { "an edge twice is a loop of two", { 0, 1, -1, 0, 1, -1 }, { 1, 0, 1, -1 } },
        { "an edge from a vertex to itself", { 3, 3, -1, 3, 4, -1 }, { 3, 3, -1, 3, 4, -1 } },
    };
    for (const auto& c : cases) {
        ConcatenationReport report;
        EXPECT_EQ(concatenate(c.in, &report), c.out) << c.what;
        EXPECT_EQ(report.oddSeparators + report.emptyStrips + int(report.unterminated), 0) << c.what;
    }
}

TEST(LineConcatenationTest, RepairedInput)
{
    ConcatenationReport report;
    EXPECT_EQ(concatenate({ 0, 1, -1, 1, 2 }, &report), (List{ 0, 1, 2, -1 })) << "unterminated last edge";
    EXPECT_TRUE(report.unterminated);
    EXPECT_EQ(concatenate({ 5, 0, 1, 2 }, &report), (List{ 5, 0, 1, 2, -1 })) << "unterminated long strip";
    EXPECT_TRUE(report.unterminated);

    EXPECT_EQ(concatenate({ 0, 1, -5, 1, 2, -1 }, &report), (List{ 0, 1, 2, -1 })) << "odd separator";
    EXPECT_EQ(report.oddSeparators, 1);
    EXPECT_EQ(report.firstOddSeparator, 2);
    EXPECT_FALSE(report.unterminated);

    EXPECT_EQ(concatenate({ -1, 0, 1, -1, -1, 1, 2, -1 }, &report), (List{ 0, 1, 2, -1 })) << "empty strips";
    EXPECT_EQ(report.emptyStrips, 2);

    // Indices far beyond the list's length must not size the tables.
    EXPECT_EQ(concatenate({ 2000000000, 7, -1, 7, 2147483647, -1, 5, 2000000000, -1 }),
              (List{ 5, 2000000000, 7, 2147483647, -1 }))
        << "huge indices";
    List none{ 9 };
    concatenateLines(nullptr, 0, none);
    EXPECT_TRUE(none.empty()) << "output of an empty list";
}

// How often each undirected edge occurs among the consecutive pairs of `strips`.
std::map<std::pair<int32_t, int32_t>, int> edgeCounts(const Strips& strips)
{
    std::map<std::pair<int32_t, int32_t>, int> counts;
    for (const List& s : strips)
        for (size_t i = 0; i + 1 < s.size(); ++i)
            ++counts[std::minmax(s[i], s[i + 1])];
    return counts;
}

TEST(LineConcatenationTest, RandomEdgeSetsFormMaximalChains)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        const int32_t vertices = 2 + int32_t(random() % 30);
        auto vertex = [&]() { return int32_t(random() % uint32_t(vertices)); };
        Strips input;
        const int strips = 1 + int(random() % 60);
        for (int s = 0; s < strips; ++s) {
            const uint32_t kind = random() % 10;
            const size_t size = kind == 0 ? 1 : kind == 1 ? 3 + random() % 3 : 2;
            List strip;
            while (strip.size() < size)
                strip.push_back(vertex());
            input.push_back(strip);
        }
        List in;
        for (const List& s : input) {
            in.insert(in.end(), s.begin(), s.end());
            in.push_back(-1);
        }
        const List out = concatenate(in);
        SCOPED_TRACE("round " + std::to_string(round));

        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out.back(), -1) << "last strip ended";
        for (size_t i = 0; i < out.size(); ++i) {
            ASSERT_GE(out[i], -1) << "entry " << i;
            if (out[i] == -1) {
                ASSERT_TRUE(i > 0 && out[i - 1] != -1) << "empty strip ending at " << i;
            }
        }

        // The strips that are not two-point strips come out unchanged and in
        // order; what lies between them are the chains.
        Strips others, edges, chains;
        for (const List& s : input)
            (s.size() == 2 ? edges : others).push_back(s);
        size_t next = 0;
        for (const List& s : splitStrips(out)) {
            if (next < others.size() && s == others[next])
                ++next;
            else
                chains.push_back(s);
        }
        EXPECT_EQ(next, others.size()) << "unchanged strips found";

        EXPECT_EQ(edgeCounts(chains), edgeCounts(edges)) << "every edge exactly once";

        // Strip ends at each vertex: three or more make a junction.
        std::vector<int> ends(size_t(vertices), 0);
        for (const List& e : edges) {
            ++ends[size_t(e[0])];
            ++ends[size_t(e[1])];
        }
        for (const List& c : chains) {
            ASSERT_GE(c.size(), 2u);
            for (size_t i = 1; i + 1 < c.size(); ++i)
                EXPECT_LT(ends[size_t(c[i])], 3) << "chain passes junction " << c[i] << " at " << i;
            // A chain goes on as far as it can: it ends at a junction, at a
            // free end, or where it closes on itself.
            const bool closed = c.front() == c.back();
            for (int32_t end : { c.front(), c.back() })
                EXPECT_TRUE(ends[size_t(end)] >= 3 || ends[size_t(end)] == (closed ? 2 : 1))
                    << "chain ends at vertex " << end << " of " << ends[size_t(end)] << " edge ends";
        }

        // Vertices are known only by identity: any other numbering gives the
        // same strips renumbered (here sparse, so the tables take ranks).
        auto renumber = [](int32_t v) { return v < 0 ? v : 1000000000 + 7919 * v; };
        List renumbered = in, expected = out;
        std::transform(in.begin(), in.end(), renumbered.begin(), renumber);
        std::transform(out.begin(), out.end(), expected.begin(), renumber);
        EXPECT_EQ(concatenate(renumbered), expected) << "renumbered vertices";
    }
}

// The index list in force at each SoInfo of the scene.
std::vector<List> indexListsAtMarkers(SoNode* root)
{
    std::vector<List> seen;
    SoCallbackAction action;
    action.addPreCallback(
        SoInfo::getClassTypeId(),
        [](void* data, SoCallbackAction* a, const SoNode*) {
            int32_t count = 0;
            const int32_t* values = SoLineCoordinateIndexElement::get(a->getState(), count);
            static_cast<std::vector<List>*>(data)->push_back(values ? List(values, values + count) : List());
            return SoCallbackAction::CONTINUE;
        },
        &seen);
    action.apply(root);
    return seen;
}

SoSeparator* readScene(const char* text)
{
    registerTestNodes();
    SoInput in;
    in.setBuffer(text, std::strlen(text));
    SoSeparator* root = SoDB::readAll(&in);
    if (root != nullptr)
        root->ref();
    return root;
}

TEST(LineConcatenationTest, NodeInCallbackTraversal)
{
    const SoType type = SoLineConcatenator::getClassTypeId();
    EXPECT_STREQ(type.getName().getString(), "SoLineConcatenator");
    EXPECT_EQ(type.getParent(), SoLineModifier::getClassTypeId());

    // The same concatenator twice: the second run reads the first one's
    // output, in which the junction at 1 has only two edges left.
    SoSeparator* root = readScene("#Inventor V2.1 ascii\n"
                                  "Separator {\n"
                                  "  Separator {\n"
                                  "    LineSource { indices [ 0, 1, -1, 1, 2, -1, 1, 3, -1, 3, 4, -1, 4, 5 ] }\n"
                                  "    DEF join SoLineConcatenator {}\n"
                                  "    Info {}\n"
                                  "    USE join\n"
                                  "    Info {}\n"
                                  "  }\n"
                                  "  Info {}\n"
                                  "  Separator {\n"
                                  "    LineSource { indices [ 0, 1 ] }\n"
                                  "    SoLineConcatenator {}\n"
                                  "    Info {}\n"
                                  "  }\n"
                                  "}\n");
    ASSERT_NE(root, nullptr);
    DebugErrorCollector errors;
    const std::vector<List> seen = indexListsAtMarkers(root);
    root->unref();

    ASSERT_EQ(seen.size(), 4u);
    const List once{ 0, 1, -1, 1, 2, -1, 1, 3, 4, 5, -1 };
    EXPECT_EQ(seen[0], once) << "after the first run";
    EXPECT_EQ(seen[0], concatenate({ 0, 1, -1, 1, 2, -1, 1, 3, -1, 3, 4, -1, 4, 5 })) << "node and algorithm agree";
    EXPECT_EQ(seen[1], (List{ 0, 1, 2, -1, 1, 3, 4, 5, -1 })) << "after the second run";
    EXPECT_TRUE(seen[2].empty()) << "outside the separator";
    EXPECT_EQ(seen[3], (List{ 0, 1 })) << "two entries are left alone";

    // Only the unterminated list of the first run is reported.
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_NE(errors.messages[0].find("lacks its -1"), std::string::npos) << errors.messages[0];
}

} // namespace
