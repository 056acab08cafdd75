// XEFSetElSpec as a host calls it: through dlopen, on a record pre-filled with a canary byte.
#include "loaded_module.h"
#include "molr_description.h"
#include "point_count_cases.h"

#include <cstddef>
#include <string>

namespace {

using molrtest::HostSpec;

constexpr unsigned char kCanaryByte = 0xA5;

// Byte ranges of the 608-byte record that the library writes; everything else is the host's.
struct Range {
    size_t begin, end;
};
const Range kLibraryBytes[] = {
    {0, 8},     {16, 24},   {48, 56},   {148, 252}, {256, 260}, {264, 328},
    {344, 360}, {376, 392}, {408, 488}, {496, 568}, {584, 608},
};

bool writtenByLibrary(size_t offset) {
    for (const Range& r : kLibraryBytes) {
        if (offset >= r.begin && offset < r.end) {
            return true;
        }
    }
    return false;
}

std::string text(const char* t) {
    return t ? std::string(t) : std::string("<null>");
}

TEST(ExportedDescription, LeavesEveryHostOwnedByteAsTheHostSetIt) {
    HostSpec host(kCanaryByte);
    const double hostData[2] = {3.0, 0.25};
    host.es()->data = hostData;
    const unsigned char* raw = host.bytes;
    ASSERT_EQ(host.describe(-1, 0), 0);
    for (size_t offset = 0; offset < sizeof host.bytes; ++offset) {
        if (writtenByLibrary(offset)) {
            continue;
        }
        // data (360) and intPoints (368) are the host's when dataMode is not -1.
        if (offset >= 360 && offset < 368) {
            continue;
        }
        EXPECT_EQ(raw[offset], kCanaryByte) << "host byte " << offset << " was changed";
    }
    EXPECT_EQ(host.es()->data, hostData) << "dataMode 0 must keep the host's data";
    for (int entry : host.idata) {
        EXPECT_EQ(entry, 0);
    }
}

TEST(ExportedDescription, DefaultRequestFillsEveryLibraryField) {
    HostSpec host(kCanaryByte);
    ASSERT_EQ(host.describe(-1, -1), 0);
    const ElSpec& es = *host.es();
    EXPECT_EQ(text(es.codeName), "MOLR");
    EXPECT_NE(es.tangentKernel, nullptr);
    EXPECT_NE(es.postKernel, nullptr);
    EXPECT_EQ(es.dimensions, 2);
    EXPECT_EQ(es.dofCount, 6);
    EXPECT_EQ(es.int156, 0);
    EXPECT_EQ(es.nodeCount, 3);
    EXPECT_EQ(es.dataCount, 2);
    EXPECT_EQ(es.segmentCount, 8);
    EXPECT_EQ(es.intCode, 35);
    EXPECT_EQ(es.int176, 0);
    EXPECT_EQ(es.int180, 3);
    EXPECT_EQ(es.intPointCount, 3);
    EXPECT_EQ(es.gpostCount, 6);
    EXPECT_EQ(es.npostCount, 4);
    EXPECT_EQ(es.int196, 1);
    EXPECT_EQ(es.rulePoints[0], 3);
    EXPECT_EQ(es.rulePoints[1], 0);
    EXPECT_EQ(es.rulePoints[2], 0);
    for (int z : es.zero212) {
        EXPECT_EQ(z, 0);
    }
    EXPECT_EQ(es.defaultIntCode, 35);
    EXPECT_EQ(es.int232, 0);
    EXPECT_EQ(es.int236, 0);
    EXPECT_EQ(es.zero240, 0);
    EXPECT_EQ(es.int248, 0);
    EXPECT_EQ(es.int256, 0);
    for (int z : es.zero264) {
        EXPECT_EQ(z, 0);
    }
    EXPECT_EQ(es.int276, 327);
    EXPECT_EQ(text(es.topology), "T1");

    const auto& gdcs = molrtest::kDataNames;
    const auto& gpcs = molrtest::kPointNames;
    const auto& npcs = molrtest::kNodalNames;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(text(es.dataNames[i]), gdcs[i]);
    }
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(text(es.gpostNames[i]), gpcs[i]);
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(text(es.npostNames[i]), npcs[i]);
    }
    const auto& pn = molrtest::kSegments;
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(es.segments[i], pn[i]);
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(es.nodeDofs[k], 2);
        EXPECT_EQ(text(es.nodeIds[k]), "D");
        EXPECT_EQ(es.pnweights[k], 1.0);
    }
    const auto& rnodes = molrtest::kReferenceNodes;
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(es.referenceNodes[i], rnodes[i]);
    }
    ASSERT_NE(es.data, nullptr);
    EXPECT_EQ(es.data[0], molrtest::kDefaultData[0]);
    EXPECT_EQ(es.data[1], molrtest::kDefaultData[1]);
    EXPECT_EQ(es.version[0], 7.303);
    EXPECT_EQ(es.version[1], 7.303);
    EXPECT_EQ(es.version[2], 12.3);

    EXPECT_EQ(text(es.expression408), "{} & ");
    EXPECT_EQ(text(es.expression424), "{Null,Null,Null}");
    for (const char* const* list : {es.cswitch, es.sname, es.idname, es.rdname}) {
        EXPECT_EQ(text(list[0]), "");
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(text(es.emptyTexts464[i]), "");
        EXPECT_EQ(text(es.emptyTexts496[i]), "");
    }
    EXPECT_EQ(text(es.emptyText560), "");

    const std::string expression = "{Hold[Null], Hold[Null]}";
    EXPECT_EQ(es.initialisationCode[0], 0);
    ASSERT_EQ(es.initialisationCode[1], 24);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(es.initialisationCode[2 + i], static_cast<int>(expression[i])) << i;
    }
}

TEST(ExportedDescription, ScratchCellsAreDistinctZeroAndSharedByEveryRecord) {
    HostSpec first(kCanaryByte), second(0);
    first.describe();
    second.describe(12, 0);
    const ElSpec& a = *first.es();
    const ElSpec& b = *second.es();
    const void* cells[] = {a.nsto,    a.ndat,    a.nspecs,  a.iswitch,
                           a.dswitch, a.idindex, a.rdindex, a.esdat};
    const void* again[] = {b.nsto,    b.ndat,    b.nspecs,  b.iswitch,
                           b.dswitch, b.idindex, b.rdindex, b.esdat};
    for (size_t i = 0; i < 8; ++i) {
        ASSERT_NE(cells[i], nullptr);
        EXPECT_EQ(cells[i], again[i]) << "cell " << i;
        for (size_t j = 0; j < i; ++j) {
            EXPECT_NE(cells[i], cells[j]);
        }
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.nsto[i], 0);
        EXPECT_EQ(a.ndat[i], 0);
        EXPECT_EQ(a.nspecs[i], 0);
    }
    EXPECT_EQ(*a.iswitch, 0);
    EXPECT_EQ(*a.idindex, 0);
    EXPECT_EQ(*a.rdindex, 0);
    EXPECT_EQ(*a.dswitch, 0.0);
    EXPECT_EQ(*a.esdat, 0.0);
}

using molrtest::CountCase;

class ExportedCounts : public ::testing::TestWithParam<CountCase> {};

TEST_P(ExportedCounts, IntegrationCodeGivesItsPointCountsWithoutTouchingIData) {
    const CountCase c = GetParam();
    HostSpec host(kCanaryByte);
    host.idata.fill(-99);
    EXPECT_EQ(host.describe(c.code, -1), 0);
    const ElSpec& es = *host.es();
    EXPECT_EQ(es.intCode, c.code);
    EXPECT_EQ(es.intPointCount, c.total);
    EXPECT_EQ(es.rulePoints[0], c.first);
    EXPECT_EQ(es.rulePoints[1], c.second);
    EXPECT_EQ(es.rulePoints[2], c.third);
    for (int entry : host.idata) {
        EXPECT_EQ(entry, -99);
    }
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, ExportedCounts,
                         ::testing::ValuesIn(molrtest::kPointCountCases));

TEST(ExportedDescription, DescribingTwiceWritesTheSameValues) {
    HostSpec first(0x11), second(0x11);
    first.describe();
    second.describe();
    second.describe();
    EXPECT_EQ(std::memcmp(first.bytes, second.bytes, sizeof first.bytes), 0);
}

} // namespace
